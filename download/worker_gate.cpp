#include "download/worker_gate.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/thread.h"

namespace {

using Threads = std::vector<std::unique_ptr<CWinThread>>;

std::mutex g_gateMutex;
std::condition_variable g_gateChanged;
int g_runningWorkers = 0;
Threads g_workerThreads;  // started workers whose end nobody has waited for yet

}  // namespace

void EnterDownloadWorker() {
    std::lock_guard lock(g_gateMutex);
    ++g_runningWorkers;
}

void KeepDownloadWorker(CWinThread* thread) {
    Threads ended;  // released outside the lock: releasing waits for the thread's last steps
    std::lock_guard lock(g_gateMutex);
    auto firstEnded = std::stable_partition(g_workerThreads.begin(), g_workerThreads.end(),
                                            [](const auto& t) { return !t->HasEnded(); });
    std::move(firstEnded, g_workerThreads.end(), std::back_inserter(ended));
    g_workerThreads.erase(firstEnded, g_workerThreads.end());
    g_workerThreads.emplace_back(thread);
}

void LeaveDownloadWorker() {
    {
        std::lock_guard lock(g_gateMutex);
        if (g_runningWorkers > 0)
            --g_runningWorkers;
    }
    g_gateChanged.notify_all();
}

bool IsDownloadWorkerRunning() {
    std::lock_guard lock(g_gateMutex);
    return g_runningWorkers > 0;
}

void WaitForDownloadWorkers() {
    Threads threads;
    {
        std::unique_lock lock(g_gateMutex);
        g_gateChanged.wait(lock, [] { return g_runningWorkers == 0; });
        threads.swap(g_workerThreads);
    }
    threads.clear();  // waits for each thread's end
}
