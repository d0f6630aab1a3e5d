#include "download/pack_install.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "download/archive_install.h"
#include "download/entry_mode.h"
#include "download/install_step.h"
#include "download/install_transaction.h"
#include "platform/directory.h"
#include "platform/file.h"
#include "platform/file_error_text.h"

namespace {

// Staged files take the modes of the files they replace, as an unpack in place does, so the
// program runs the moment it lands; a new program file is made executable. Other files whose
// entries carried Unix permissions keep those; a new program keeps them too, made executable.
void MatchReplacedModes(const CString& stagedTree, const CString& baseDir, const CString& relative,
                        const CString& programName, const std::vector<CString>& withModes) {
    for (const CString& name : ListDirectory(stagedTree + relative)) {
        const CString item = relative + name;
        switch (GetPathKind(stagedTree + item)) {
            case PathKind::kDirectory:
                MatchReplacedModes(stagedTree, baseDir, item + u"/", programName, withModes);
                break;
            case PathKind::kFile: {
                const bool replaces = GetPathKind(baseDir + item) == PathKind::kFile;
                const bool hasMode =
                    std::find(withModes.begin(), withModes.end(), item) != withModes.end();
                if (hasMode && item == programName && !replaces) {
                    BeforeInstallStep();
                    MakeProgramExecutable(stagedTree + item);
                    break;
                }
                if (hasMode && item != programName)
                    break;
                if (!replaces && item != programName)
                    break;
                FileHandle file(CreateFileW(stagedTree + item, GENERIC_READ, FILE_SHARE_READ,
                                            OPEN_EXISTING, 0));
                if (!file.Valid())
                    break;
                BeforeInstallStep();
                if (!replaces || !CopyPermissions(baseDir + item, file.Get()))
                    MakeExecutable(file.Get());
                break;
            }
            default:
                break;
        }
    }
}

// What a failed unpack says about the disk, when it was the disk that failed.
CString DiskReason(const CString& packName, int error) {
    switch (error) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
        case EROFS:
        case EIO:
            return FileErrorText(FileAction::Write, packName, error);
        default:
            return {};
    }
}

}  // namespace

PackInstallResult InstallStagedPack(const Stage& stage, int pack, const CString& packName,
                                    const CString& programName) {
    const CString& baseDir = stage.BaseDir();
    PackInstallResult result;
    result.previousKept = true;
    InstallPlan plan;
    if (IsArchivePack(packName)) {
        const CString tree = stage.PackTree(pack);
        BeforeInstallStep();
        if (!CreateDirectoryW(baseDir + tree)) {
            result.reason = DiskReason(packName, errno);
            return result;
        }
        errno = 0;
        std::vector<CString> withModes;
        if (!InstallArchive(baseDir + stage.PackFile(pack), baseDir + tree + u"/", &withModes)) {
            result.reason = DiskReason(packName, errno);
            return result;
        }
        MatchReplacedModes(baseDir + tree + u"/", baseDir, u"", programName, withModes);
        if (!PlanStagedTree(stage, pack, tree, programName, plan, result.reason))
            return result;
    } else if (!PlanStagedFile(stage, pack, stage.PackFile(pack), packName, programName, plan,
                               result.reason)) {
        return result;
    }
    result.installed =
        CommitInstall(baseDir, plan, result.reason, result.previousKept, result.fileInUse);
    return result;
}
