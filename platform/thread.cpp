#include "platform/thread.h"

#include <atomic>
#include <system_error>
#include <thread>

namespace {

// Thrown by AfxEndThread and caught at the bottom of the thread it ends.
struct ThreadExit {};

std::atomic<int> g_failThreadCreations{0};

}  // namespace

class CWinThread {};

CWinThread* AfxBeginThread(AFX_THREADPROC proc, void* param, int, unsigned, unsigned) {
    // Callers only test the handle against null; one object stands for every running thread.
    static CWinThread running;
    for (int n = g_failThreadCreations.load(); n > 0;) {
        if (g_failThreadCreations.compare_exchange_weak(n, n - 1))
            return nullptr;
    }
    try {
        std::thread([proc, param] {
            try {
                proc(param);
            } catch (const ThreadExit&) {
            }
        }).detach();
    } catch (const std::system_error&) {
        return nullptr;
    }
    return &running;
}

void AfxEndThread(unsigned, bool) {
    throw ThreadExit{};
}

void FailNextThreadCreations(int count) {
    g_failThreadCreations = count;
}
