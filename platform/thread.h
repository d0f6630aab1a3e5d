// Worker threads.
#pragma once

using AFX_THREADPROC = unsigned (*)(void* param);

constexpr int THREAD_PRIORITY_NORMAL = 0;

// The handle of a started thread. It frees itself when its thread ends: callers only test it
// against null.
class CWinThread;

// Starts `proc(param)` on a new thread that runs at once. Gives null when the thread cannot be
// created. Only the normal priority, the default stack size (0) and no flags (0) are supported.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, void* param, int priority = THREAD_PRIORITY_NORMAL,
                           unsigned stackSize = 0, unsigned flags = 0);

// Ends the calling thread, which must have been started by AfxBeginThread, at once: the stack is
// unwound (destructors run) up to the thread's start. Does not return.
[[noreturn]] void AfxEndThread(unsigned exitCode, bool deleteThread = true);

// For tests: makes the next `count` calls of AfxBeginThread fail as if the system had no
// thread left to give.
void FailNextThreadCreations(int count);
