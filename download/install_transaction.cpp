#include "download/install_transaction.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "download/backup.h"
#include "download/install_step.h"
#include "platform/directory.h"
#include "platform/file_error_text.h"
#include "platform/path.h"
#include "platform/sync.h"

namespace {

CString ReasonText(int error) {
    return Utf8ToWide(std::strerror(error));
}

// The reason, as the user reads it, naming the path within the program directory.
CString ReasonText(const CString& path, int error) {
    return FileErrorText(FileAction::Write, path, error);
}

// What the user can do about a file that another program holds open: nothing is lost, the
// update can be run again once it lets go.
CString FileInUseText(const CString& path) {
    return FormatText(u"%s is in use; close the application and press Update again.", path);
}

bool Contains(const std::vector<CString>& names, const CString& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The updater's own names (staging area, journal, lock) are never a pack's to write.
bool IsReservedName(const CString& relative, CString& error) {
    if (!relative.starts_with(kStageDirName))
        return false;
    error = relative + u": the name is the updater's own";
    return true;
}

// Adds the moves of one staged file: what it replaces goes aside first.
bool AddFile(const CString& baseDir, const CString& staged, const CString& target,
             const CString& aside, bool asProgram, InstallPlan& plan, CString& error) {
    if (IsReservedName(target, error))
        return false;
    const PathKind existing = GetPathKind(baseDir + target);
    if (existing == PathKind::kDirectory) {
        error = ReasonText(target, EISDIR);
        return false;
    }
    if (existing != PathKind::kMissing) {
        if (asProgram) {
            const CString backup = BackupFileName(target);
            if (GetPathKind(baseDir + backup) != PathKind::kMissing)
                plan.moves.push_back({backup, aside});
            plan.moves.push_back({target, backup});
        } else {
            plan.moves.push_back({target, aside});
        }
    }
    plan.moves.push_back({staged, target});
    return true;
}

struct TreeItem {
    CString relative;  // below the staged tree and the program directory alike
    bool directory;
};

// Every name of the staged tree, each directory before what it holds.
void ListTree(const CString& root, const CString& relative, std::vector<TreeItem>& items) {
    std::vector<CString> names = ListDirectory(root + relative);
    std::sort(names.begin(), names.end());
    for (const CString& name : names) {
        const CString item = relative.empty() ? name : relative + u"/" + name;
        const bool directory = GetPathKind(root + item) == PathKind::kDirectory;
        items.push_back({item, directory});
        if (directory)
            ListTree(root, item, items);
    }
}

bool IsMoveDone(const CString& baseDir, const InstallMove& move) {
    return GetPathKind(baseDir + move.from) == PathKind::kMissing &&
           GetPathKind(baseDir + move.to) != PathKind::kMissing;
}

}  // namespace

bool PlanStagedFile(const Stage& stage, int pack, const CString& stagedFile,
                    const CString& targetName, const CString& programName, InstallPlan& plan,
                    CString& error) {
    plan = {};
    return AddFile(stage.BaseDir(), stagedFile, targetName, stage.Aside(pack, 0),
                   targetName == programName, plan, error);
}

bool PlanStagedTree(const Stage& stage, int pack, const CString& stagedTree,
                    const CString& programName, InstallPlan& plan, CString& error) {
    plan = {};
    const CString& baseDir = stage.BaseDir();
    std::vector<TreeItem> items;
    ListTree(baseDir + stagedTree + u"/", u"", items);
    std::vector<CString> files;
    for (const TreeItem& item : items) {
        if (!item.directory)
            files.push_back(item.relative);
    }
    // A pack that brings its own file of the backup's name keeps it: the program is then
    // replaced like any other file.
    const bool backUpProgram =
        Contains(files, programName) && !Contains(files, BackupFileName(programName));
    size_t asides = 0;
    for (const TreeItem& item : items) {
        if (IsReservedName(item.relative, error))
            return false;
        if (item.directory) {
            const PathKind existing = GetPathKind(baseDir + item.relative);
            if (existing == PathKind::kMissing) {
                plan.newDirs.push_back(item.relative);
            } else if (existing != PathKind::kDirectory) {
                error = ReasonText(item.relative, ENOTDIR);
                return false;
            }
            continue;
        }
        if (!AddFile(baseDir, stagedTree + u"/" + item.relative, item.relative,
                     stage.Aside(pack, asides++), backUpProgram && item.relative == programName,
                     plan, error))
            return false;
    }
    return true;
}

bool RollBackInstall(const CString& baseDir, const InstallPlan& plan) {
    // The newest move whose source is gone and whose target is there is the last that ran:
    // each later source is still in its place, since nothing is moved twice.
    size_t done = plan.moves.size();
    while (done > 0 && !IsMoveDone(baseDir, plan.moves[done - 1])) --done;
    bool ok = true;
    for (size_t i = done; i > 0; --i) {
        const InstallMove& move = plan.moves[i - 1];
        BeforeInstallStep();
        if (!MoveFileExW(baseDir + move.to, baseDir + move.from, MOVEFILE_WRITE_THROUGH))
            ok = false;
    }
    for (auto dir = plan.newDirs.rbegin(); dir != plan.newDirs.rend(); ++dir) {
        if (GetPathKind(baseDir + *dir) != PathKind::kDirectory)
            continue;
        BeforeInstallStep();
        if (!RemoveDirectoryW(baseDir + *dir))
            ok = false;
    }
    // The journal may go only once what it undid is on the disk.
    return SyncFileSystem(baseDir) && ok;
}

bool CommitInstall(const CString& baseDir, const InstallPlan& plan, CString& error,
                   bool& previousKept, bool& fileInUse) {
    previousKept = true;
    fileInUse = false;
    // The staged files are on the disk before the journal names them.
    if (!SyncFileSystem(baseDir)) {
        error = ReasonText(errno);
        return false;
    }
    if (!WriteJournal(baseDir, plan, error))
        return false;
    bool ok = true;
    for (const CString& dir : plan.newDirs) {
        BeforeInstallStep();
        if (!CreateDirectoryW(baseDir + dir)) {
            error = ReasonText(dir, errno);
            ok = false;
            break;
        }
    }
    for (size_t i = 0; ok && i < plan.moves.size(); ++i) {
        const InstallMove& move = plan.moves[i];
        BeforeInstallStep();
        if (!MoveFileExW(baseDir + move.from, baseDir + move.to, MOVEFILE_WRITE_THROUGH)) {
            const int reason = errno;
            // Named by the side that lies in the program directory, not in the staging area.
            const bool fromStage = move.from.starts_with(kStageDirName);
            const CString& named = fromStage ? move.to : move.from;
            fileInUse = IsFileInUse(baseDir + named);
            error = fileInUse ? FileInUseText(named) : ReasonText(named, reason);
            ok = false;
        }
    }
    if (ok && !SyncFileSystem(baseDir)) {
        error = ReasonText(errno);
        ok = false;
    }
    if (ok && MarkJournalCommitted(baseDir, error)) {
        RemoveJournal(baseDir);
        return true;
    }
    previousKept = RollBackInstall(baseDir, plan) && RemoveJournal(baseDir);
    return false;
}
