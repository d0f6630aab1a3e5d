// What a window back end gives the dialog classes: one modal dialog window built from a
// template, its controls addressed by id, and a way to run work on the dialog's thread.
#pragma once

#include <functional>
#include <memory>

#include "platform/text.h"
#include "platform/win_types.h"
#include "platform/window/dialog_template.h"

// The dialog's side of a modal run: the back end calls these on the dialog thread.
class DialogHooks {
public:
    virtual ~DialogHooks() = default;
    // The controls exist; the dialog fills them. TRUE gives the focus to the first tab stop.
    virtual BOOL HandleInitDialog() = 0;
    // A command: a button click, Enter (the focused push button's id, else IDOK), or IDCANCEL
    // for Escape and the close box.
    virtual void HandleCommand(int id) = 0;
};

// Id 0 addresses the dialog window itself (its title) in the text calls.
constexpr int kDialogWindowId = 0;

// One modal dialog window. Everything but Post runs on the dialog thread.
class DialogWindow {
public:
    virtual ~DialogWindow() = default;

    // Creates the window and its controls, calls hooks.HandleInitDialog, shows the window and
    // dispatches commands until EndModal; gives the result passed to EndModal.
    virtual INT_PTR RunModal(DialogHooks& hooks) = 0;
    // Hides the window; the modal run returns when the current handler has returned.
    virtual void EndModal(INT_PTR result) = 0;

    virtual bool HasControl(int id) const = 0;
    virtual CString GetText(int id) const = 0;
    // A static text that does not fit its control is shown shortened with an ellipsis (one
    // line) or cut at the bottom (wrapped); GetText still gives it whole, and so does its
    // tooltip, which is empty while the whole text is shown.
    virtual void SetText(int id, const CString& text) = 0;
    virtual CString GetToolTip(int id) const = 0;
    virtual bool IsEnabled(int id) const = 0;
    virtual void Enable(int id, bool enable) = 0;
    virtual bool IsVisible(int id) const = 0;
    virtual void Show(int id, bool show) = 0;
    // List box: appends a row, gives its index.
    virtual int AddListRow(int id, const CString& text) = 0;
    // Progress bar: range and position.
    virtual void SetProgressRange(int id, int lower, int upper) = 0;
    virtual int SetProgressPos(int id, int pos) = 0;  // gives the previous position

    // Any thread: queues `task` to run on the dialog thread soon. Must not be called once the
    // modal run has returned (DialogSession guarantees that).
    virtual void Post(std::function<void()> task) = 0;

    // The back end's own synchronous hand-over, or empty when it has none (the session then
    // posts and waits). Called on another thread, the sender runs `task` on the dialog thread
    // and returns when it has run; once the window is gone it returns at once without running
    // it. It holds nothing of this object, so it may be called after this object is gone.
    using Sender = std::function<void(const std::function<void()>& task)>;
    virtual Sender SynchronousSender() { return {}; }
};

// A back end: makes dialog windows and shows message boxes.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    virtual std::unique_ptr<DialogWindow> CreateDialogWindow(const DialogTemplate& dialog) = 0;
    // A modal box over the running dialog with an OK button and a warning icon.
    virtual int MessageBox(const CString& text, const CString& caption, UINT type) = 0;
};

// The back end in use; set by the program's entry point or by a test before any dialog runs.
WindowSystem* GetWindowSystem();
void SetWindowSystem(WindowSystem* system);
