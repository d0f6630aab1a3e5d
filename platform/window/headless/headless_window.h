// The headless window back end: the dialog's controls as plain objects, run by the thread
// that calls DoModal, with the same hand-over as the real window. Tests and benchmarks drive
// the dialog through HeadlessDialog and read every caption, text, row, range and position.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/window/dialog_window.h"
#include "platform/window/fit_text.h"

struct HeadlessControl {
    ControlClass controlClass = ControlClass::Static;
    uint32_t style = 0;
    CString text;                  // whole, as set
    CString shown;                 // what a one-line static text shows of it
    CString tooltip;               // the whole text when `shown` is shortened, else empty
    int width = 0;                 // in dialog units
    std::vector<CString> history;  // every text set since the dialog was created
    bool enabled = true;
    bool visible = true;
    std::vector<CString> rows;
    int lower = 0;
    int upper = 100;  // a progress bar's default range
    int pos = 0;
};

// One modal run. Commands are carried out on the dialog thread and the caller waits for the
// handler to return; they give false when the dialog had already ended. Reads may come from
// any thread, also after the run.
class HeadlessDialog {
public:
    explicit HeadlessDialog(const DialogTemplate& dialog);

    bool Click(int id);  // a click: only on an enabled, visible button
    bool PressEnter();   // the focused push button, else OK while it is enabled
    bool PressEscape();  // the cancel command, always
    bool CloseBox();     // the cancel command, always
    bool SetFocus(int id);
    // Ends the modal run without any command, as if the process were ending; for tearing down.
    void Abandon();

    CString Title() const;
    CString Text(int id) const;
    // A one-line static text is measured as the dialog units define an average character
    // (4 units wide) and shortened as the real window would: its shown text and tooltip.
    CString ShownText(int id) const;
    CString ToolTip(int id) const;
    bool IsEnabled(int id) const;
    bool IsVisible(int id) const;
    std::vector<CString> Rows(int id) const;
    std::vector<CString> TextHistory(int id) const;
    std::pair<int, int> Range(int id) const;
    int Pos(int id) const;
    int Focus() const;
    bool HasEnded() const;
    INT_PTR Result() const;

    // Polls `condition` until it holds or `timeout` passes; gives whether it held.
    bool WaitFor(const std::function<bool(const HeadlessDialog&)>& condition,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    bool WaitUntilEnded(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;

private:
    friend class HeadlessDialogWindow;

    // Queues a task for the dialog thread; dropped once the run is over.
    bool Enqueue(std::function<void()> task);
    // Runs `command` on the dialog thread and waits until it has run.
    bool RunCommand(const std::function<void()>& command);
    HeadlessControl* Find(int id);
    const HeadlessControl* Find(int id) const;

    mutable std::mutex m_mutex;
    std::condition_variable m_queueChanged;
    std::deque<std::function<void()>> m_queue;
    bool m_started = false;   // the dialog is initialised and takes commands
    bool m_finished = false;  // the modal run is over
    bool m_endRequested = false;
    INT_PTR m_result = 0;
    CString m_title;
    std::map<int, HeadlessControl> m_controls;
    std::vector<int> m_tabOrder;
    int m_focus = 0;
    DialogHooks* m_hooks = nullptr;
};

class HeadlessWindowSystem : public WindowSystem {
public:
    std::unique_ptr<DialogWindow> CreateDialogWindow(const DialogTemplate& dialog) override;
    int MessageBox(const CString& text, const CString& caption, UINT type) override;

    // The newest dialog once it has been initialised, or null after `timeout`.
    std::shared_ptr<HeadlessDialog> WaitForDialog(
        std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // The texts and captions of the message boxes shown so far.
    std::vector<std::pair<CString, CString>> MessageBoxes() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::shared_ptr<HeadlessDialog> m_current;
    std::vector<std::pair<CString, CString>> m_messageBoxes;
    friend class HeadlessDialogWindow;
};
