// Installing over files that another program holds open, under Wine: a running program can be
// renamed aside, a file opened without delete sharing cannot, and then the pack rolls back
// whole and says what to do. What a pack replaced may be read-only; the staging area still
// goes. Real files in a temporary program directory; the archive pack is the one the host
// made with the signed packs (tests/tools/signed_packs.h).
#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "download/pack_file.h"
#include "download/pack_install.h"
#include "download/stage.h"
#include "platform/file.h"
#include "tests/tools/signed_packs.h"
#include "tests/tools/temp_dir.h"
#include "tests/tools/tree_snapshot.h"
#include "tests/ui/dialog_host.h"

// After our headers (see windows_api.h).
#include "platform/win32/windows_api.h"

namespace {

namespace fs = std::filesystem;

constexpr char kOldProgram[] = "version 1\n";
constexpr char kNewProgram[] = "#!/bin/sh\necho version 2\n";  // in the fixture's app.zip

// A program directory as an earlier version left it.
void LayOut(const TempDir& dir) {
    dir.Write("app.exe", kOldProgram);
    dir.Write("app.bak", "the backup of an earlier run");
    dir.Write("readme.txt", "old readme\n");
    dir.Write("notes.txt", "notes 1\n");
}

// Holds `path` open as another program would, with the sharing it allows others.
class HeldOpen {
public:
    HeldOpen(const fs::path& path, DWORD share)
        : m_handle(::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~HeldOpen() {
        if (Open())
            CloseHandle(m_handle);
    }
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    bool Open() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

// Stages the bytes of `pack` as the pack `packName` and installs it, as the worker does after
// a download.
PackInstallResult Install(const TempDir& dir, const std::string& bytes, const CString& packName) {
    Stage stage(dir.BaseDir());
    CString error;
    EXPECT_TRUE(stage.Create(packName, error)) << WideToUtf8(error);
    PackFile file;
    EXPECT_TRUE(file.Create(dir.BaseDir() + packName, dir.BaseDir() + stage.PackFile(1), error) &&
                file.Write(bytes.data(), bytes.size(), error) && file.Close(error))
        << WideToUtf8(error);
    PackInstallResult result = InstallStagedPack(stage, 1, packName, u"app.exe");
    stage.Clear(1);
    return result;
}

class InUse : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_packs.Make()) << "the signed_pack_fixtures test makes the packs";
        m_archive = ReadWholeFile(m_packs.Dir() / "prehashed/app.zip");
        ASSERT_FALSE(m_archive.empty());
    }
    SignedPacks m_packs;
    std::string m_archive;
};

TEST_F(InUse, AHeldFileRollsThePackBackWhole) {
    constexpr DWORD kNoDeleteSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
    constexpr DWORD kLikeARunningProgram = FILE_SHARE_READ | FILE_SHARE_DELETE;
    struct Case {
        const char* label;
        const char* pack;  // "app.zip" (the fixture archive) or a plain "notes.txt"
        const char* held;  // the file held open, if any
        DWORD share;
        const char* readOnly;                     // a file made read-only before the run, if any
        std::optional<std::u16string> inUseText;  // the pack's status line; none: installed
    } cases[] = {
        {"program held", "app.zip", "app.exe", kNoDeleteSharing, nullptr,
         u"app.exe is in use; close the application and press Update again."},
        {"program held, no sharing at all", "app.zip", "app.exe", 0, nullptr,
         u"app.exe is in use; close the application and press Update again."},
        {"old backup held", "app.zip", "app.bak", kNoDeleteSharing, nullptr,
         u"app.bak is in use; close the application and press Update again."},
        {"another replaced file held", "app.zip", "readme.txt", kNoDeleteSharing, nullptr,
         u"readme.txt is in use; close the application and press Update again."},
        {"plain pack's file held", "notes.txt", "notes.txt", kNoDeleteSharing, nullptr,
         u"notes.txt is in use; close the application and press Update again."},
        {"program running", "app.zip", "app.exe", kLikeARunningProgram, nullptr, std::nullopt},
        {"a file not replaced held", "app.zip", "notes.txt", kNoDeleteSharing, nullptr,
         std::nullopt},
        {"replaced files read-only", "app.zip", nullptr, 0, "readme.txt", std::nullopt},
        {"replaced program read-only", "app.zip", nullptr, 0, "app.exe", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir dir;
        LayOut(dir);
        if (c.readOnly) {
            ASSERT_TRUE(
                SetFileAttributesW((dir.Path() / c.readOnly).c_str(), FILE_ATTRIBUTE_READONLY));
        }
        const TreeSnapshot before = SnapshotTree(dir.Path());
        PackInstallResult result;
        {
            std::optional<HeldOpen> held;
            if (c.held) {
                held.emplace(dir.Path() / c.held, c.share);
                ASSERT_TRUE(held->Open());
            }
            const bool archive = std::string(c.pack) == "app.zip";
            result =
                Install(dir, archive ? m_archive : std::string("notes 2\n"), Utf8ToWide(c.pack));
        }
        for (const char* name : {"app.exe", "app.bak", "readme.txt"})  // so that the tree can go
            SetFileAttributesW((dir.Path() / name).c_str(), FILE_ATTRIBUTE_NORMAL);
        const TreeSnapshot after = SnapshotTree(dir.Path());
        if (c.inUseText) {
            EXPECT_FALSE(result.installed);
            EXPECT_TRUE(result.fileInUse);
            EXPECT_TRUE(result.previousKept);
            EXPECT_EQ(result.reason, *c.inUseText);
            EXPECT_EQ(after, before) << DescribeTree(after);
            continue;
        }
        EXPECT_TRUE(result.installed) << WideToUtf8(result.reason);
        EXPECT_FALSE(result.fileInUse);
        // Installed whole, and nothing of the staging area is left.
        EXPECT_FALSE(dir.Exists(".~update")) << DescribeTree(after);
        if (std::string(c.pack) == "app.zip") {
            EXPECT_EQ(dir.Read("app.exe"), kNewProgram);
            EXPECT_EQ(dir.Read("app.bak"), kOldProgram);
            EXPECT_EQ(dir.Read("readme.txt"), "read me\n");
        }
    }
}

// The same through the worker, on the headless dialog: the pack comes from a file URL through
// the WinInet layer, and the status line says what to do.
TEST_F(InUse, TheStatusLineSaysWhatToDo) {
    std::u16string url = u"file:///" + (m_packs.Dir() / "prehashed/app.zip").u16string();
    for (char16_t& c : url) {
        if (c == u'\\')
            c = u'/';
    }
    DialogHost host("[Update]\nPackNumber=1\nPack1=" + WideToUtf8(url) + "\n");
    LayOut(host.Dir());
    const TreeSnapshot before = SnapshotTree(host.Dir().Path());
    HeldOpen held(host.Dir().Path() / "app.exe", FILE_SHARE_READ);
    ASSERT_TRUE(held.Open());
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor(RunFinished)) << "the run did not reach Finish";
    const auto status = d.TextHistory(IDC_STATUS_TEXT);
    EXPECT_NE(std::find(status.begin(), status.end(),
                        u"app.exe is in use; close the application and press Update again."),
              status.end());
    EXPECT_EQ(d.Text(IDC_STATUS_TEXT),
              u"app.zip failed: app.exe is in use; close the application and press Update again.");
    const TreeSnapshot after = SnapshotTree(host.Dir().Path());
    EXPECT_EQ(after, before) << DescribeTree(after);
}

}  // namespace
