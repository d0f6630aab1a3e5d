#include "download/progress_reporter.h"

#include "download/progress_text.h"
#include "platform/window/dialog.h"
#include "res/resource.h"

namespace {

// Slot of the pending progress in the dialog session: one showing at a time.
constexpr int kProgressSlot = 1;

// The dialog is asked to show the newest chunk at most this often.
constexpr auto kDisplayInterval = std::chrono::milliseconds(20);

}  // namespace

ProgressReporter::ProgressReporter(CDialog& dialog) : m_session(dialog.Session()) {}

void ProgressReporter::Report(int64_t received, int64_t total, int64_t elapsedSeconds) {
    bool record = false;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->newest = {received, total, elapsedSeconds};
        record = !m_shared->recorded;
        m_shared->recorded = true;
    }
    if (!m_session)
        return;
    const auto now = std::chrono::steady_clock::now();
    const bool due = now - m_lastShown >= kDisplayInterval;
    if (due)
        m_lastShown = now;
    if (!record) {
        if (due)
            m_session->ShowPendingSoon();
        return;
    }
    m_session->PostLatest(
        kProgressSlot,
        [shared = m_shared](DialogWindow& w) {
            Chunk c;
            {
                std::lock_guard lock(shared->mutex);
                c = shared->newest;
                shared->recorded = false;
            }
            w.SetProgressPos(IDC_PROGRESS, ProgressBarPosition(c.received, c.total));
            w.SetText(IDC_STATUS_TEXT, ChunkStatusText(c.received, c.total, c.elapsedSeconds));
            w.SetText(IDC_PERCENT_TEXT, PercentText(c.received, c.total));
        },
        due);
}
