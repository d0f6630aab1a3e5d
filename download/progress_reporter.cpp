#include "download/progress_reporter.h"

#include "download/progress_text.h"
#include "platform/window/dialog.h"
#include "res/resource.h"

namespace {

// Slot of the pending progress in the dialog session: one showing at a time.
constexpr int kProgressSlot = 1;

}  // namespace

ProgressReporter::ProgressReporter(CDialog& dialog) : m_session(dialog.Session()) {}

void ProgressReporter::Report(int64_t received, int64_t total, int64_t elapsedSeconds) {
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->newest = {received, total, elapsedSeconds};
        if (m_shared->posted)
            return;
        m_shared->posted = true;
    }
    if (!m_session)
        return;
    m_session->PostLatest(kProgressSlot, [shared = m_shared](DialogWindow& w) {
        Chunk c;
        {
            std::lock_guard lock(shared->mutex);
            c = shared->newest;
            shared->posted = false;
        }
        w.SetProgressPos(IDC_PROGRESS, ProgressBarPosition(c.received, c.total));
        w.SetText(IDC_STATUS_TEXT, ChunkStatusText(c.received, c.total, c.elapsedSeconds));
        w.SetText(IDC_PERCENT_TEXT, PercentText(c.received, c.total));
    });
}
