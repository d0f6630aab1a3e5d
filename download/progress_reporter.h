// Shows the chunks of a transfer on the dialog without ever pacing the transfer: the worker
// records the newest chunk and goes on; the dialog thread is asked to show the newest values
// at display rate (every 20 ms at most), in the order progress bar, status line, percentage
// label.
// Every synchronous write to the dialog first shows what is pending, so the order of writes is
// kept and the last chunk's texts are exactly its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

class CDialog;
class DialogSession;

class ProgressReporter {
public:
    explicit ProgressReporter(CDialog& dialog);

    // Worker: the newest chunk of a pack whose total is `total` (below 0 when unknown).
    void Report(int64_t received, int64_t total, int64_t elapsedSeconds);

private:
    struct Chunk {
        int64_t received = 0;
        int64_t total = 0;
        int64_t elapsedSeconds = 0;
    };
    struct Shared {
        std::mutex mutex;
        Chunk newest;
        bool recorded = false;  // the dialog session holds a showing of the newest values
    };

    std::shared_ptr<DialogSession> m_session;
    std::chrono::steady_clock::time_point m_lastShown;  // worker thread only
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};
