// The one-updater lock and the flushes over kernel32: real files in a temporary directory
// under Wine.
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/file.h"
#include "platform/install_lock.h"
#include "platform/sync.h"
#include "tests/tools/unique_temp_dir.h"

namespace fs = std::filesystem;

namespace {

class Win32LockAndFlush : public ::testing::Test {
protected:
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_ = MakeUniqueTempDir("win32-lock-");
};

TEST_F(Win32LockAndFlush, OneHolderAtATimeAndNoFileLeftBehind) {
    const std::u16string lockFile = (dir_ / "Update.lock").u16string();
    InstallLock first, second;
    ASSERT_EQ(first.TryAcquire(lockFile), InstallLock::kAcquired);
    EXPECT_TRUE(first.Held());
    EXPECT_EQ(second.TryAcquire(lockFile), InstallLock::kBusy);
    EXPECT_FALSE(second.Held());
    first.Release();
    EXPECT_FALSE(first.Held());
    EXPECT_FALSE(fs::exists(dir_ / "Update.lock"));
    // The next one takes it over, and the lock goes with its holder.
    {
        InstallLock next;
        EXPECT_EQ(next.TryAcquire(lockFile), InstallLock::kAcquired);
        EXPECT_EQ(second.TryAcquire(lockFile), InstallLock::kBusy);
    }
    EXPECT_FALSE(fs::exists(dir_ / "Update.lock"));
    EXPECT_EQ(second.TryAcquire(lockFile), InstallLock::kAcquired);
    // A lock file that a killed holder left (no handle open any more) is taken over.
    second.Release();
    std::ofstream(dir_ / "Update.lock") << "left";
    EXPECT_EQ(second.TryAcquire(lockFile), InstallLock::kAcquired);
    second.Release();

    struct Case {
        fs::path path;
        InstallLock::Result result;
    } unavailable[] = {
        {dir_ / "missing" / "Update.lock", InstallLock::kUnavailable},
        {dir_ / "folder", InstallLock::kUnavailable},
    };
    fs::create_directory(dir_ / "folder");
    for (const Case& c : unavailable) {
        SCOPED_TRACE(c.path.string());
        InstallLock lock;
        EXPECT_EQ(lock.TryAcquire(c.path.u16string()), c.result);
        EXPECT_FALSE(lock.Held());
    }
}

TEST_F(Win32LockAndFlush, FlushesWhatWasWrittenAndFailsForNothing) {
    fs::create_directories(dir_ / "sub" / "deeper");
    std::ofstream(dir_ / "app.exe", std::ios::binary) << "program";
    std::ofstream(dir_ / "sub" / "deeper" / "data.bin", std::ios::binary) << "data";
    EXPECT_TRUE(SyncFileSystem(dir_.u16string()));
    EXPECT_TRUE(FlushDirectory(dir_.u16string()));
    EXPECT_TRUE(FlushDirectory((dir_ / "sub").u16string()));
    EXPECT_FALSE(SyncFileSystem((dir_ / "missing").u16string()));
    EXPECT_FALSE(FlushDirectory((dir_ / "missing").u16string()));
    {
        // A file that another program holds without write sharing (a running program) has
        // nothing of ours to flush: the rest is flushed all the same.
        FileHandle running(CreateFileW((dir_ / "app.exe").u16string(), GENERIC_READ,
                                       FILE_SHARE_READ, OPEN_EXISTING, 0));
        ASSERT_TRUE(running.Valid());
        EXPECT_TRUE(SyncFileSystem(dir_.u16string()));
    }

    FileHandle file(
        CreateFileW((dir_ / "app.exe").u16string(), GENERIC_WRITE, 0, OPEN_EXISTING, 0));
    ASSERT_TRUE(file.Valid());
    uint32_t written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), "more", 4, &written));
    EXPECT_TRUE(FlushFileBuffers(file.Get()));
}

}  // namespace
