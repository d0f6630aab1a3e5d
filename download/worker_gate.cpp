#include "download/worker_gate.h"

#include <condition_variable>
#include <mutex>

namespace {

std::mutex g_gateMutex;
std::condition_variable g_gateChanged;
int g_runningWorkers = 0;

}  // namespace

void EnterDownloadWorker() {
    std::lock_guard lock(g_gateMutex);
    ++g_runningWorkers;
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
    std::unique_lock lock(g_gateMutex);
    g_gateChanged.wait(lock, [] { return g_runningWorkers == 0; });
}
