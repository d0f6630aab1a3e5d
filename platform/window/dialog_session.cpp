#include "platform/window/dialog_session.h"

#include <chrono>

namespace {

// How long a waiting caller sleeps before it looks again whether the dialog has ended.
constexpr auto kWaitSlice = std::chrono::milliseconds(20);

struct Completion {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
};

}  // namespace

DialogSession::DialogSession(DialogWindow& window)
    : m_window(&window),
      m_sender(window.SynchronousSender()),
      m_dialogThread(std::this_thread::get_id()) {}

bool DialogSession::Invoke(const Operation& op) {
    if (IsDialogThread()) {
        if (m_ended)
            return false;
        RunPendingLatest();
        op(*m_window);
        return true;
    }
    if (m_sender) {
        if (m_ended)
            return false;
        // The sender returns only when the task has run or will never run, so it may use
        // the caller's stack. m_ended is read and written on the dialog thread alone here.
        bool ran = false;
        m_sender([this, &op, &ran] {
            if (m_ended)
                return;
            RunPendingLatest();
            op(*m_window);
            ran = true;
        });
        return ran;
    }
    auto completion = std::make_shared<Completion>();
    {
        std::lock_guard lock(m_mutex);
        if (m_ended)
            return false;
        // The task holds the session and the completion, never the caller's stack: when the
        // caller has given up waiting, the task finds the dialog ended and touches nothing.
        m_window->Post([self = shared_from_this(), completion, &op] {
            if (!self->m_ended) {
                self->RunPendingLatest();
                op(*self->m_window);
            }
            std::lock_guard lock(completion->mutex);
            completion->finished = true;
            completion->done.notify_all();
        });
    }
    std::unique_lock lock(completion->mutex);
    while (!completion->finished) {
        if (completion->done.wait_for(lock, kWaitSlice) == std::cv_status::timeout && m_ended) {
            return false;
        }
    }
    return true;
}

void DialogSession::PostLatest(int slot, Operation op, bool showSoon) {
    std::lock_guard lock(m_mutex);
    if (m_ended)
        return;
    m_latest[slot] = std::move(op);
    if (showSoon)
        PostPendingLocked();
}

void DialogSession::ShowPendingSoon() {
    std::lock_guard lock(m_mutex);
    if (!m_ended && !m_latest.empty())
        PostPendingLocked();
}

void DialogSession::PostPendingLocked() {
    if (m_latestPosted)
        return;
    m_latestPosted = true;
    m_window->Post([self = shared_from_this()] {
        if (!self->m_ended)
            self->RunPendingLatest();
    });
}

void DialogSession::RunPendingLatest() {
    std::map<int, Operation> pending;
    {
        std::lock_guard lock(m_mutex);
        pending.swap(m_latest);
        m_latestPosted = false;
    }
    for (auto& [slot, op] : pending) op(*m_window);
}

void DialogSession::MarkEnded() {
    std::lock_guard lock(m_mutex);
    m_ended = true;
    m_latest.clear();
}
