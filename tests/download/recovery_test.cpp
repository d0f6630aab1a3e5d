// Recovery at start, for the states a killed run or an older updater leaves that the crash
// sweep does not make: a program missing beside its backup, stray temporaries, a journal that
// cannot be read, and another updater holding the directory.
#include "download/recovery.h"

#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "platform/install_lock.h"
#include "tests/tools/temp_dir.h"
#include "tests/tools/tree_snapshot.h"

namespace {

namespace fs = std::filesystem;

TEST(Recovery, BringsTheDirectoryBackToAWholeState) {
    struct Case {
        const char* label;
        std::function<void(const TempDir&)> leave;   // what an earlier run left
        std::function<void(const TempDir&)> expect;  // applied to the left tree: the result
        bool lockHeldElsewhere = false;
    } cases[] = {
        {"program missing beside its backup",
         [](const TempDir& d) {
             fs::remove(d.Path() / "app.exe");
             d.Write("app.bak", "old program");
         },
         [](const TempDir& d) { fs::rename(d.Path() / "app.bak", d.Path() / "app.exe"); }},
        {"program and backup both there", [](const TempDir& d) { d.Write("app.bak", "older"); },
         [](const TempDir&) {}},
        {"temporaries of earlier runs",
         [](const TempDir& d) {
             fs::create_directories(d.Path() / ".~update/1/docs");
             d.Write(".~update/1/docs/a.txt", "staged");
             d.Write(".~update/1.pack", "downloaded");
             d.Write(".~update.journal.new", "update journal 1\n");
             d.Write(".~update.lock", "");
             d.Write(".~update-app.zip.partial", "half a download");
             d.Write(".extract-12-0.tmp", "half an entry");
         },
         [](const TempDir& d) {
             for (const char* name : {".~update", ".~update.journal.new", ".~update.lock",
                                      ".~update-app.zip.partial", ".extract-12-0.tmp"})
                 fs::remove_all(d.Path() / name);
         }},
        {"journal that cannot be read",
         [](const TempDir& d) {
             fs::create_directories(d.Path() / ".~update");
             d.Write(".~update/1.old0", "the only copy of a replaced file");
             d.Write(".~update.journal", "update journal 99\nmove a\tb\nend\n");
         },
         [](const TempDir&) {}},
        {"another updater at work",
         [](const TempDir& d) {
             fs::remove(d.Path() / "app.exe");
             d.Write("app.bak", "old program");
             fs::create_directories(d.Path() / ".~update");
             d.Write(".~update/1.pack", "being downloaded");
         },
         [](const TempDir&) {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir, expected;
        for (const TempDir* d : {&dir, &expected}) {
            d->Write("app.exe", "program");
            d->Write("notes.partial", "a file of the user's");
            c.leave(*d);
        }
        c.expect(expected);
        InstallLock other;
        if (c.lockHeldElsewhere) {
            ASSERT_EQ(other.TryAcquire(dir.BaseDir() + u".~update.lock"), InstallLock::kAcquired);
            expected.Write(".~update.lock", "");
            fs::permissions(expected.Path() / ".~update.lock",
                            fs::perms::owner_read | fs::perms::owner_write);
        }
        RecoverProgramDirectory(dir.BaseDir(), dir.BaseDir() + u"app.exe");
        const TreeSnapshot now = SnapshotTree(dir.Path());
        const TreeSnapshot want = SnapshotTree(expected.Path());
        EXPECT_EQ(now, want) << "now:\n"
                             << DescribeTree(now) << "expected:\n"
                             << DescribeTree(want);
    }
}

}  // namespace
