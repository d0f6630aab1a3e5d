#include "platform/thread.h"

#include <memory>
#include <system_error>

namespace {

// Thrown by AfxEndThread and caught at the bottom of the thread it ends.
struct ThreadExit {};

std::atomic<int> g_failThreadCreations{0};

}  // namespace

CWinThread::~CWinThread() {
    if (m_thread.joinable())
        m_thread.join();
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, void* param, int, unsigned, unsigned) {
    for (int n = g_failThreadCreations.load(); n > 0;) {
        if (g_failThreadCreations.compare_exchange_weak(n, n - 1))
            return nullptr;
    }
    auto handle = std::make_unique<CWinThread>();
    CWinThread* self = handle.get();
    try {
        handle->m_thread = std::thread([proc, param, self] {
            try {
                proc(param);
            } catch (const ThreadExit&) {
            }
            self->m_ended.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        return nullptr;
    }
    return handle.release();
}

void AfxEndThread(unsigned, bool) {
    throw ThreadExit{};
}

void FailNextThreadCreations(int count) {
    g_failThreadCreations = count;
}
