#include "download/run_outcome.h"

#include "download/progress_text.h"

CString PackFailureText(const CString& packName, const CString& reason) {
    return FormatText(u"%s failed: %s", packName, reason);
}

void RunOutcome::PackDone() {
    ++m_packs;
}

void RunOutcome::PackFailed(const CString& packName, const CString& reason) {
    if (m_failed == 0) {
        m_firstName = packName;
        m_firstReason = reason;
    }
    ++m_packs;
    ++m_failed;
}

std::optional<CString> RunOutcome::FinalStatus() const {
    if (m_packs == 0)
        return std::nullopt;
    if (m_failed == 0)
        return CString(kFinishedText);
    if (m_failed == 1)
        return PackFailureText(m_firstName, m_firstReason);
    return FormatText(u"%d of %d packs failed; first: %s: %s", m_failed, m_packs, m_firstName,
                      m_firstReason);
}
