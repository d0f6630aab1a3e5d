// The end of a worker thread can be waited for completely: after the wait, nothing of the
// thread runs any more, not even the destructors it runs after counting itself out.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "download/worker_gate.h"
#include "platform/thread.h"

namespace {

using namespace std::chrono_literals;

std::atomic<bool> g_lastStepDone{false};

// Counts itself out first, then takes a while over a last step, as a worker's stop notice
// does after its final message.
struct SlowLastStep {
    ~SlowLastStep() {
        std::this_thread::sleep_for(100ms);
        g_lastStepDone = true;
    }
};

unsigned LeaveThenLinger(void*) {
    SlowLastStep last;
    LeaveDownloadWorker();
    AfxEndThread(0);  // unwinds through `last`
}

TEST(WorkerGate, WaitCoversTheThreadsLastSteps) {
    for (bool viaGate : {true, false}) {
        g_lastStepDone = false;
        EnterDownloadWorker();
        CWinThread* thread = AfxBeginThread(LeaveThenLinger, nullptr);
        ASSERT_NE(thread, nullptr);
        if (viaGate) {
            KeepDownloadWorker(thread);
            WaitForDownloadWorkers();
        } else {
            delete thread;  // the handle alone waits as well
            EXPECT_FALSE(IsDownloadWorkerRunning());
        }
        EXPECT_TRUE(g_lastStepDone) << viaGate;
    }
}

TEST(WorkerGate, EndedWorkersAreReleasedWhenTheNextIsKept) {
    EnterDownloadWorker();
    CWinThread* first = AfxBeginThread(LeaveThenLinger, nullptr);
    ASSERT_NE(first, nullptr);
    KeepDownloadWorker(first);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!first->HasEnded()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "waiting for the first worker";
        std::this_thread::sleep_for(5ms);
    }
    EnterDownloadWorker();
    CWinThread* second = AfxBeginThread(LeaveThenLinger, nullptr);
    ASSERT_NE(second, nullptr);
    KeepDownloadWorker(second);  // releases the first, which has ended
    WaitForDownloadWorkers();
    EXPECT_FALSE(IsDownloadWorkerRunning());
}

}  // namespace
