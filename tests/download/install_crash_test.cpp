// Crash-point sweep of installation and recovery: the install is killed (SIGKILL) right before
// each of its file-system changes in turn, then recovery runs, itself killed before each of
// its changes in turn and run again; every time the program directory must be exactly the
// tree before the pack or exactly the tree after it, bytes and modes, with nothing left over.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/temp_dir.h"
#include "tests/tools/tmpfs_dir.h"
#include "tests/tools/tree_snapshot.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr char kOldProgram[] = "#!/bin/sh\necho version 1\n";
constexpr char kOlderProgram[] = "#!/bin/sh\necho version 0\n";
constexpr char kNewProgram[] = "#!/bin/sh\necho version 2\n";

void CopyTree(const fs::path& from, const fs::path& to) {
    fs::remove_all(to);
    fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    // fs::copy keeps the modes of files, not of directories
    for (const auto& entry : fs::recursive_directory_iterator(from)) {
        if (entry.is_directory() && !entry.is_symlink())
            fs::permissions(to / entry.path().lexically_relative(from),
                            entry.status().permissions());
    }
}

// How a run of the driver ended.
struct Outcome {
    bool killed = false;
    int exitStatus = -1;
};

Outcome RunDriver(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    std::string program = UPDATE_INSTALL_CRASH_DRIVER;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& arg : copies) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        ADD_FAILURE() << "cannot start " << program;
        return {};
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << "waited 60 s for the install driver to end: " << args[0];
            return {};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (WIFSIGNALED(status))
        return {WTERMSIG(status) == SIGKILL, -1};
    return {false, WEXITSTATUS(status)};
}

class InstallCrashSweep : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string command =
            "python3 " UPDATE_TEST_TOOLS_DIR "/make_pack_archives.py " + m_fixtures.Path().string();
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::ofstream(m_fixtures.Path() / "app.exe", std::ios::binary) << kNewProgram;
    }

    // The program directory before the pack: a program and its older backup, files the
    // archive replaces, a directory it adds to, and files no pack touches.
    void MakeOldTree(const fs::path& dir) {
        const auto write = [&](const std::string& name, const std::string& bytes, fs::perms p) {
            fs::create_directories((dir / name).parent_path());
            std::ofstream(dir / name, std::ios::binary) << bytes;
            fs::permissions(dir / name, p);
        };
        const fs::perms exe = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec;
        const fs::perms text = fs::perms::owner_read | fs::perms::owner_write |
                               fs::perms::group_read | fs::perms::others_read;
        write("app.exe", kOldProgram, exe & ~fs::perms::others_exec);
        write("app.bak", kOlderProgram, exe);
        write("readme.txt", "read me, version 1\n", text);
        write("docs/guide.txt", "guide, version 1\n", fs::perms::owner_read);
        write("data/keep.txt", "kept\n", text);
        write("notes.txt", "untouched\n", text);
        fs::create_directory_symlink("data", dir / "data-link");
    }

    TempDir m_fixtures;
};

TEST_F(InstallCrashSweep, EveryCrashPointLeavesTheOldOrTheNewTree) {
    TmpfsDir disk(64 << 20);
    TempDir fallback;
    const fs::path root = disk.Mounted() ? disk.Path() : fallback.Path();
    struct Case {
        const char* label;
        const char* source;  // what the server would send
        const char* packName;
    } cases[] = {
        {"archive with subdirectories", "many.zip", "app.zip"},
        {"plain pack named like the program", "app.exe", "app.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const fs::path old = root / "old", work = root / "work", crashed = root / "crashed";
        fs::remove_all(old);
        fs::create_directories(old);
        MakeOldTree(old);
        const TreeSnapshot before = SnapshotTree(old);
        const auto install = [&](const fs::path& dir, long k) {
            return RunDriver({"install", dir.string() + "/",
                              (m_fixtures.Path() / c.source).string(), c.packName, "app.exe",
                              std::to_string(k)});
        };
        const auto recover = [&](const fs::path& dir, long k) {
            return RunDriver(
                {"recover", dir.string() + "/", (dir / "app.exe").string(), std::to_string(k)});
        };

        CopyTree(old, work);
        ASSERT_EQ(install(work, 0).exitStatus, 0);
        const TreeSnapshot after = SnapshotTree(work);
        // The whole run: the new program, runnable, the old one as its backup, the older
        // backup gone, and nothing of the updater's own.
        ASSERT_EQ(after.at("app.exe").bytes, kNewProgram);
        EXPECT_EQ(after.at("app.exe").perms, before.at("app.exe").perms);
        EXPECT_EQ(after.at("app.bak").bytes, kOldProgram);
        EXPECT_EQ(after.at("notes.txt"), before.at("notes.txt"));
        for (const auto& [name, node] : after) EXPECT_FALSE(name.starts_with(".~")) << name;
        ASSERT_NE(before, after);

        bool sawBefore = false, sawAfter = false;
        for (long k = 1;; ++k) {
            SCOPED_TRACE("install killed before change " + std::to_string(k));
            CopyTree(old, crashed);
            const Outcome run = install(crashed, k);
            if (!run.killed) {
                ASSERT_EQ(run.exitStatus, 0);
                break;
            }
            for (long j = 1;; ++j) {
                SCOPED_TRACE("recovery killed before change " + std::to_string(j));
                CopyTree(crashed, work);
                const bool recoveryKilled = recover(work, j).killed;
                ASSERT_EQ(recover(work, 0).exitStatus, 0);
                const TreeSnapshot now = SnapshotTree(work);
                ASSERT_TRUE(now == before || now == after) << "now:\n"
                                                           << DescribeTree(now) << "before:\n"
                                                           << DescribeTree(before) << "after:\n"
                                                           << DescribeTree(after);
                sawBefore = sawBefore || now == before;
                sawAfter = sawAfter || now == after;
                if (!recoveryKilled)
                    break;
            }
        }
        // Crash points lie on both sides of the commit point.
        EXPECT_TRUE(sawBefore && sawAfter);
    }
}

}  // namespace
