// What became of the packs of one run, and the status line the run ends with: the finished
// text only when every pack was downloaded and installed, else the first failure.
#pragma once

#include <optional>

#include "platform/text.h"

// "app.zip failed: HTTP error 404 (Not Found)"
CString PackFailureText(const CString& packName, const CString& reason);

class RunOutcome {
public:
    void PackDone();
    // The first failure of the run is the one the final status names.
    void PackFailed(const CString& packName, const CString& reason);

    // kFinishedText when every pack succeeded; "app.zip failed: <reason>" for one failure;
    // "2 of 3 packs failed; first: app.zip: <reason>" for more. Nothing when the run had no
    // pack: the status line keeps what it shows.
    std::optional<CString> FinalStatus() const;

private:
    int m_packs = 0;
    int m_failed = 0;
    CString m_firstName;
    CString m_firstReason;
};
