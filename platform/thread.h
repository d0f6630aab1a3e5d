// Worker threads.
#pragma once

#include <atomic>
#include <thread>

using AFX_THREADPROC = unsigned (*)(void* param);

constexpr int THREAD_PRIORITY_NORMAL = 0;

// The handle of a started thread, owned by whoever started it. Deleting it waits until the
// thread has ended completely, its last destructor included, so that nothing the thread still
// touches on its way out is destroyed under it.
class CWinThread {
public:
    CWinThread() = default;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;
    ~CWinThread();

    // Whether the thread's function has returned or ended through AfxEndThread; waiting for
    // such a thread takes no more than the few instructions it has left.
    bool HasEnded() const { return m_ended.load(std::memory_order_acquire); }

private:
    friend CWinThread* AfxBeginThread(AFX_THREADPROC, void*, int, unsigned, unsigned);
    std::thread m_thread;
    std::atomic<bool> m_ended{false};
};

// Starts `proc(param)` on a new thread that runs at once, and gives its handle, which the caller
// deletes (waiting for the thread's end). Gives null when the thread cannot be created. Only the
// normal priority, the default stack size (0) and no flags (0) are supported.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, void* param, int priority = THREAD_PRIORITY_NORMAL,
                           unsigned stackSize = 0, unsigned flags = 0);

// Ends the calling thread, which must have been started by AfxBeginThread, at once: the stack is
// unwound (destructors run) up to the thread's start. Does not return.
[[noreturn]] void AfxEndThread(unsigned exitCode, bool deleteThread = true);

// For tests: makes the next `count` calls of AfxBeginThread fail as if the system had no
// thread left to give.
void FailNextThreadCreations(int count);
