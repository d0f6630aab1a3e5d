// The shared state of one modal run, through which any thread reaches the dialog's controls.
//
// Control operations run on the dialog thread. Called from another thread they are handed
// over: sent through the back end's synchronous hand-over where it has one, else queued to the
// dialog thread while the caller waits, in short slices, until they have run or the dialog has
// ended. Once the dialog has ended every call returns at once and changes
// nothing. The dialog thread never waits for another thread.
//
// Progress writes can instead be posted as "latest value" updates (PostLatest): they do not
// wait, a newer write to the same slot replaces one not yet shown, and every synchronous call
// first carries out the pending ones, so the order of writes is kept.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/window/dialog_window.h"

class DialogSession : public std::enable_shared_from_this<DialogSession> {
public:
    using Operation = std::function<void(DialogWindow&)>;

    // Made by the dialog thread when the window exists.
    explicit DialogSession(DialogWindow& window);
    DialogSession(const DialogSession&) = delete;
    DialogSession& operator=(const DialogSession&) = delete;

    // Runs `op` on the dialog thread, waiting for it when called from another thread. Gives
    // false, without running it, once the dialog has ended.
    bool Invoke(const Operation& op);
    // Records `op` as the newest write of `slot` and returns without waiting. With `showSoon`
    // the dialog thread carries out what is pending as soon as it can; without, it waits for
    // ShowPendingSoon or the next synchronous call.
    void PostLatest(int slot, Operation op, bool showSoon = true);
    void ShowPendingSoon();

    // Dialog thread: from now on nothing runs; pending operations are dropped.
    void MarkEnded();
    bool HasEnded() const { return m_ended.load(); }
    bool IsDialogThread() const { return std::this_thread::get_id() == m_dialogThread; }

private:
    void RunPendingLatest();   // dialog thread
    void PostPendingLocked();  // with m_mutex held

    DialogWindow* m_window;               // valid until MarkEnded
    const DialogWindow::Sender m_sender;  // the back end's synchronous hand-over, if any
    const std::thread::id m_dialogThread;
    std::atomic<bool> m_ended{false};
    std::mutex m_mutex;  // guards posting against MarkEnded, and m_latest
    std::map<int, Operation> m_latest;
    bool m_latestPosted = false;
};
