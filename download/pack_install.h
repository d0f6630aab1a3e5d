// Installs one staged pack: an archive is unpacked and checked in the staging area, then the
// pack is committed to the program directory as one transaction.
#pragma once

#include "download/stage.h"

struct PackInstallResult {
    bool installed = false;
    CString reason;             // why it was not, when known; may be empty
    bool previousKept = false;  // the program directory is exactly as before the pack
    bool fileInUse = false;     // another program held a file open: `reason` is the status line
};

// `packName` is the name the pack is stored under (an archive when it ends in "zip"), its
// downloaded file lies at stage.PackFile(pack), and `programName` is the program file it
// stands for.
PackInstallResult InstallStagedPack(const Stage& stage, int pack, const CString& packName,
                                    const CString& programName);
