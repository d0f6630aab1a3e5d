// The whole run on the headless back end: the dialog's commands, the worker, the real internet
// layer against the loopback test server, and real files in a temporary program directory.
#include <gtest/gtest.h>

#include "download/pack_file.h"
#include "platform/install_lock.h"
#include "platform/thread.h"
#include "platform/window/fit_text.h"
#include "tests/tools/test_server.h"
#include "tests/tools/tmpfs_dir.h"
#include "tests/ui/dialog_host.h"

namespace {

using namespace std::chrono_literals;

constexpr char16_t kReady[] = u"An available version is ready, click to update.";
constexpr char16_t kFinished[] = u"Download finished, click to run the new version.";
constexpr char16_t kInterrupted[] = u"User interrupted the download progress.";

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

// A cancelled run's end: the interruption shown and the worker, which removes its temporary
// file on the way out, stopped.
bool IsInterrupted(const HeadlessDialog& d) {
    return d.Text(IDC_STATUS_TEXT) == kInterrupted && WorkerStopped();
}

// The program directory's file names, without the updater's own settings.
std::vector<std::string> Files(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        if (entry.path().filename() != "Update.ini")
            names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class WorkerRun : public ::testing::Test {
protected:
    WorkerRun() : m_server(TestServer::Options{m_packs.Path().string(), false}) {}

    std::string Url(const std::string& path) const { return m_server.HttpUrl(path); }

    // An Update.ini with these pack URLs.
    static std::string Ini(const std::vector<std::string>& urls, int packNumber = -1) {
        std::string ini = "[Program]\nAppName=Demo\n[Update]\nPackNumber=" +
                          std::to_string(packNumber < 0 ? urls.size() : packNumber) + "\n";
        for (size_t i = 0; i < urls.size(); ++i) {
            if (!urls[i].empty())
                ini += "Pack" + std::to_string(i + 1) + "=" + urls[i] + "\n";
        }
        return ini;
    }

    TempDir m_packs;
    TestServer m_server;
};

TEST_F(WorkerRun, ReadyDownloadingFinished) {
    const std::string body = Pattern(300000);
    m_packs.Write("app.exe", body);
    DialogHost host(Ini({Url("/trickle?size=40000&piece=4000&every=50"), Url("/files/app.exe")}));
    host.Dir().Write("app.exe", "version 1");
    std::filesystem::permissions(host.Dir().Path() / "app.exe", std::filesystem::perms::owner_all);
    HeadlessDialog& d = host.Start();

    ASSERT_TRUE(d.Click(IDOK));
    // Downloading: OK disabled with its caption, Cancel offered, chunks reported.
    EXPECT_FALSE(d.IsEnabled(IDOK));
    EXPECT_EQ(d.Text(IDOK), u"Update");
    EXPECT_EQ(d.Text(IDCANCEL), u"Cancel");
    ASSERT_TRUE(d.WaitFor([](const HeadlessDialog& d) {
        return d.Text(IDC_STATUS_TEXT).starts_with(u"Download status: ");
    }));
    EXPECT_TRUE(d.Click(IDOK) && !d.HasEnded());  // a disabled OK takes no clicks

    ASSERT_TRUE(d.WaitFor(RunFinished));
    EXPECT_EQ(d.Text(IDC_STATUS_TEXT), kFinished);
    EXPECT_EQ(d.Text(IDC_PERCENT_TEXT), u"100%");
    EXPECT_TRUE(d.IsEnabled(IDOK));
    EXPECT_EQ(d.Text(IDCANCEL), u"Exit");
    EXPECT_FALSE(d.IsVisible(IDCANCEL));
    EXPECT_EQ(d.Range(IDC_PROGRESS), std::pair(0, 300000));
    EXPECT_EQ(d.Pos(IDC_PROGRESS), 300000);
    // The pack named like the program replaced it and left the old one as its backup.
    EXPECT_EQ(host.Dir().Read("app.exe"), body);
    EXPECT_EQ(host.Dir().Read("app.bak"), "version 1");
    // ...and stays executable as the program it replaced was.
    EXPECT_EQ(std::filesystem::status(host.Dir().Path() / "app.exe").permissions(),
              std::filesystem::perms::owner_all);
    EXPECT_EQ(host.Dir().Read("trickle"), Pattern(40000));
    EXPECT_EQ(Files(host.Dir()), (std::vector<std::string>{"app.bak", "app.exe", "trickle"}));
}

TEST_F(WorkerRun, LastChunkIsShownExactly) {
    // Progress is shown at display rate; the last chunk's values are still shown exactly.
    DialogHost host(Ini({Url("/body?size=1048576")}));
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor(RunFinished));
    EXPECT_EQ(d.Range(IDC_PROGRESS), std::pair(0, 1048576));
    EXPECT_EQ(d.Pos(IDC_PROGRESS), 1048576);
    EXPECT_EQ(host.Dir().Read("body"), Pattern(1048576));
    // The last chunk's texts were shown before the final ones, in order.
    const auto status = d.TextHistory(IDC_STATUS_TEXT);
    ASSERT_GE(status.size(), 2u);
    EXPECT_EQ(status.back(), kFinished);
    EXPECT_TRUE(status[status.size() - 2].starts_with(u"Download status: 1024kb/1024kb Speed: "))
        << WideToUtf8(status[status.size() - 2]);
    const auto percent = d.TextHistory(IDC_PERCENT_TEXT);
    ASSERT_GE(percent.size(), 2u);
    EXPECT_EQ(percent[percent.size() - 2], u"100%");
}

// The final status names the first failure of the run, whatever came after it.
TEST_F(WorkerRun, FinalStatusTellsTheWholeRun) {
    struct Case {
        const char* name;
        std::vector<std::string> paths;  // "" for a missing key
        std::u16string status;
    } cases[] = {
        {"all good", {"/body?size=10", "/files/ok.bin"}, kFinished},
        {"failure then success",
         {"/status?code=404", "/body?size=10"},
         u"status?code=404 failed: HTTP error 404 (Not Found)"},
        {"success then failure",
         {"/body?size=10", "/status?code=500"},
         u"status?code=500 failed: HTTP error 500 (Internal Server Error)"},
        {"two failures of three",
         {"/files/app.zip", "/body?size=10", "/drop?size=100000"},
         u"2 of 3 packs failed; first: app.zip: HTTP error 404 (Not Found)"},
        {"missing key then success",
         {"", "/body?size=10"},
         u"Pack1 failed: No download address is set."},
    };
    m_packs.Write("ok.bin", "fine");
    for (const Case& c : cases) {
        std::vector<std::string> urls;
        for (const auto& p : c.paths) urls.push_back(p.empty() ? "" : Url(p));
        DialogHost host(Ini(urls, static_cast<int>(urls.size())));
        HeadlessDialog& d = host.Start();
        ASSERT_TRUE(d.Click(IDOK));
        ASSERT_TRUE(d.WaitFor(RunFinished)) << c.name;
        EXPECT_EQ(d.Text(IDC_STATUS_TEXT), c.status) << c.name;
        EXPECT_EQ(d.Text(IDC_PERCENT_TEXT), u"100%") << c.name;
        EXPECT_EQ(host.Dir().Read("body"), Pattern(10)) << c.name;
        EXPECT_FALSE(host.Dir().Exists("drop")) << c.name;  // nothing half-written
        EXPECT_FALSE(host.Dir().Exists("status")) << c.name;
        // Finish still ends the dialog.
        ASSERT_TRUE(d.Click(IDOK));
        EXPECT_TRUE(d.WaitUntilEnded()) << c.name;
    }
}

// A status text too long for the status line is shown shortened, and whole as its tooltip.
TEST_F(WorkerRun, LongFinalStatusIsShortenedWithTheWholeTextAsTooltip) {
    DialogHost host(Ini({Url("/status?code=404"), Url("/status?code=500")}));
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor(RunFinished));
    const CString whole =
        u"2 of 2 packs failed; first: status?code=404: HTTP error 404 (Not Found)";
    EXPECT_EQ(d.Text(IDC_STATUS_TEXT), whole);
    EXPECT_EQ(d.ToolTip(IDC_STATUS_TEXT), whole);
    const CString shown = d.ShownText(IDC_STATUS_TEXT);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), kEllipsis);
    EXPECT_TRUE(whole.starts_with(shown.substr(0, shown.size() - 1))) << WideToUtf8(shown);
}

TEST_F(WorkerRun, NoPacksFinishesAtOnce) {
    DialogHost host(Ini({Url("/body?size=10")}, 0));
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.PressEnter());  // Enter on the focused default button
    ASSERT_TRUE(d.WaitFor(RunFinished));
    EXPECT_EQ(d.Text(IDC_PERCENT_TEXT), u"100%");
    EXPECT_EQ(d.Text(IDC_STATUS_TEXT), kReady);
    EXPECT_TRUE(Files(host.Dir()).empty());
}

TEST_F(WorkerRun, EmptyBodyGivesEmptyFile) {
    DialogHost host(Ini({Url("/body?size=0"), Url("/status?code=404")}));
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor(RunFinished));
    EXPECT_TRUE(host.Dir().Exists("body"));
    EXPECT_EQ(host.Dir().Read("body"), "");
}

TEST_F(WorkerRun, FailedPackLeavesAnExistingFileUntouched) {
    DialogHost host(Ini({Url("/files/tool.exe"), Url("/stall?size=1000&after=10")}));
    host.Dir().Write("tool.exe", "old tool");  // 404: the packs directory has no tool.exe
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor([](const HeadlessDialog& d) {
        return d.Text(IDC_STATUS_TEXT).starts_with(u"Download status: ");
    }));
    EXPECT_EQ(host.Dir().Read("tool.exe"), "old tool");
    EXPECT_FALSE(host.Dir().Exists("tool.bak"));
}

TEST_F(WorkerRun, LocalFileFailuresFailOnlyThatPack) {
    // A name near the system's limit downloads as a short one would: its temporary is short.
    const std::string longName(250, 'n');
    m_packs.Write(longName, "long");
    m_packs.Write("ok.bin", "fine");
    DialogHost host(Ini({Url("/files/" + longName), Url("/files/sub"), Url("/files/ok.bin")}));
    m_packs.Write("sub", "a pack whose name is taken by a directory");
    std::filesystem::create_directory(host.Dir().Path() / "sub");
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor(RunFinished));
    EXPECT_EQ(d.Text(IDC_STATUS_TEXT), u"sub failed: A folder named sub is in the way.");
    EXPECT_EQ(host.Dir().Read("ok.bin"), "fine");
    EXPECT_EQ(host.Dir().Read(longName), "long");
    EXPECT_TRUE(std::filesystem::is_directory(host.Dir().Path() / "sub"));
    EXPECT_EQ(Files(host.Dir()), (std::vector<std::string>{longName, "ok.bin", "sub"}));
}

TEST_F(WorkerRun, LocalFileFailureTextNamesThePackAndReason) {
    m_packs.Write("sub", "x");
    DialogHost host(Ini({Url("/files/sub")}));
    std::filesystem::create_directory(host.Dir().Path() / "sub");
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor(RunFinished));
    EXPECT_EQ(d.Text(IDC_STATUS_TEXT), u"sub failed: A folder named sub is in the way.");
}

TEST_F(WorkerRun, FullDiskFailsThePackAndSaysSo) {
    const std::string ini = Ini({Url("/body?size=1000000"), Url("/status?code=404")});
    DialogHost host(ini);
    TmpfsMount disk(host.Dir().Path(), 64 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << "no right to mount a tmpfs here";
    host.Dir().Write("Update.ini", ini);  // the worker reads the pack keys again
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor(RunFinished));
    EXPECT_EQ(d.Text(IDC_STATUS_TEXT),
              u"2 of 2 packs failed; first: body?size=1000000: Not enough disk space for body.");
    EXPECT_EQ(Files(host.Dir()), std::vector<std::string>{});  // no partial file left
}

// Makes a directory refuse new files for its lifetime: by its mode, and for root (whom modes
// do not stop) by the immutable attribute where the file system has one.
class ReadOnlyDirectory {
public:
    explicit ReadOnlyDirectory(const std::filesystem::path& dir) : m_dir(dir) {
        std::filesystem::permissions(
            dir, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        if (geteuid() == 0) {
            m_immutable =
                std::system(("chattr +i '" + dir.string() + "' 2>/dev/null").c_str()) == 0;
        }
    }
    ~ReadOnlyDirectory() {
        if (m_immutable)
            std::system(("chattr -i '" + m_dir.string() + "'").c_str());
        std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all);
    }
    // Whether a file really cannot be made there.
    bool Works() const {
        const auto probe = m_dir / "probe";
        if (FILE* f = std::fopen(probe.c_str(), "w")) {
            std::fclose(f);
            std::filesystem::remove(probe);
            return false;
        }
        return true;
    }

private:
    std::filesystem::path m_dir;
    bool m_immutable = false;
};

TEST_F(WorkerRun, DirectoryWithoutWritePermissionFailsThePack) {
    DialogHost host(Ini({Url("/body?size=10")}));
    ReadOnlyDirectory readOnly(host.Dir().Path());
    if (!readOnly.Works())
        GTEST_SKIP() << "this machine lets the test write anywhere";
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor(RunFinished));
    EXPECT_EQ(d.Text(IDC_STATUS_TEXT), u"body?size=10 failed: No permission to write body.");
    EXPECT_FALSE(host.Dir().Exists("body"));
}

TEST_F(WorkerRun, CancelThenUpdateRunsAgainFromTheFirstPack) {
    m_packs.Write("first.bin", "first");
    DialogHost host(
        Ini({Url("/files/first.bin"), Url("/trickle?size=100000&piece=1000&every=20")}));
    host.Dir().Write("trickle", "kept");
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor([](const HeadlessDialog& d) {
        return d.Text(IDC_STATUS_TEXT).starts_with(u"Download status: ");
    }));
    ASSERT_TRUE(d.WaitFor([&](const HeadlessDialog&) { return host.Dir().Exists("first.bin"); }));

    ASSERT_TRUE(d.Click(IDCANCEL));
    // The dialog's own Cancel steps, at once.
    EXPECT_EQ(d.Text(IDCANCEL), u"Exit");
    EXPECT_TRUE(d.IsEnabled(IDOK));
    EXPECT_EQ(d.Text(IDOK), u"Update");
    ASSERT_TRUE(d.WaitFor(IsInterrupted));
    EXPECT_EQ(host.Dir().Read("trickle"), "kept");  // the old file of that name is untouched
    EXPECT_EQ(Files(host.Dir()), (std::vector<std::string>{"first.bin", "trickle"}));

    std::filesystem::remove(host.Dir().Path() / "first.bin");
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor(RunFinished));
    EXPECT_EQ(host.Dir().Read("first.bin"), "first");
    EXPECT_EQ(host.Dir().Read("trickle"), Pattern(100000));
}

TEST_F(WorkerRun, UpdateRightAfterCancelWaitsForTheStoppingWorker) {
    DialogHost host(Ini({Url("/trickle?size=60000&piece=1000&every=20")}));
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor([](const HeadlessDialog& d) {
        return d.Text(IDC_STATUS_TEXT).starts_with(u"Download status: ");
    }));
    ASSERT_TRUE(d.Click(IDCANCEL));
    ASSERT_TRUE(d.Click(IDOK));  // before the worker has seen the request
    EXPECT_FALSE(d.IsEnabled(IDOK));
    EXPECT_EQ(d.Text(IDCANCEL), u"Cancel");
    ASSERT_TRUE(d.WaitFor(RunFinished, 30s));
    EXPECT_EQ(d.Text(IDC_STATUS_TEXT), kFinished);
    EXPECT_EQ(host.Dir().Read("trickle"), Pattern(60000));
}

TEST_F(WorkerRun, CancelAbortsATransferWaitingForTheServer) {
    DialogHost host(Ini({Url("/stall?size=1000&after=-1")}));
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    std::this_thread::sleep_for(300ms);  // the request is out, no answer comes
    ASSERT_TRUE(d.Click(IDCANCEL));
    ASSERT_TRUE(d.WaitFor(IsInterrupted, 10s));
    EXPECT_TRUE(Files(host.Dir()).empty());
}

TEST_F(WorkerRun, EscapeAndCloseBoxInEachState) {
    enum Key { kEscape, kCloseBox };
    for (Key key : {kEscape, kCloseBox}) {
        auto press = [key](HeadlessDialog& d) {
            return key == kEscape ? d.PressEscape() : d.CloseBox();
        };
        // Downloading: acts as Cancel, the dialog stays; a second press ends it.
        DialogHost host(Ini({Url("/trickle?size=100000&piece=1000&every=20")}));
        // The pack's name holds no full stop: the program is ".exe".
        host.Dir().Write(".exe", "#!/bin/sh\ntouch \"$(dirname \"$0\")/started\"\n");
        std::filesystem::permissions(host.Dir().Path() / ".exe", std::filesystem::perms::owner_all);
        HeadlessDialog& d = host.Start();
        ASSERT_TRUE(d.Click(IDOK));
        ASSERT_TRUE(press(d));
        EXPECT_FALSE(d.HasEnded()) << key;
        EXPECT_EQ(d.Text(IDCANCEL), u"Exit") << key;
        ASSERT_TRUE(press(d));
        host.Join();
        EXPECT_TRUE(d.HasEnded()) << key;
        // The program starts once the worker has stopped; nothing half-placed stays behind.
        EXPECT_TRUE(d.WaitFor([&](const HeadlessDialog&) { return host.Dir().Exists("started"); }))
            << key;
        EXPECT_EQ(Files(host.Dir()), (std::vector<std::string>{".exe", "started"})) << key;
    }
    for (Key key : {kEscape, kCloseBox}) {
        // Finished: ends the dialog although the cancel button is hidden.
        DialogHost host(Ini({Url("/body?size=10")}, 0));
        HeadlessDialog& d = host.Start();
        ASSERT_TRUE(d.Click(IDOK));
        ASSERT_TRUE(d.WaitFor(RunFinished));
        ASSERT_TRUE(key == kEscape ? d.PressEscape() : d.CloseBox());
        host.Join();
        EXPECT_EQ(d.Result(), IDCANCEL) << key;
    }
}

TEST_F(WorkerRun, EscapeBetweenTheWorkersLastWritesEndsTheDialog) {
    // The worker has written Finish but not yet Exit: Escape (or a click on Cancel) then
    // leaves, as it does a moment later, instead of resetting a finished run to 0%.
    DialogHost host(Ini({Url("/body?size=10")}, 0));
    HeadlessDialog& d = host.Start();
    g_pUpdateDlg->GetDlgItem(IDC_PERCENT_TEXT)->SetWindowText(u"100%");
    g_pUpdateDlg->GetDlgItem(IDOK)->SetWindowText(u"Finish");
    g_pUpdateDlg->GetDlgItem(IDCANCEL)->SetWindowText(u"Cancel");
    ASSERT_TRUE(d.PressEscape());
    EXPECT_EQ(d.Text(IDC_PERCENT_TEXT), u"100%");
    ASSERT_TRUE(d.WaitUntilEnded()) << "Escape left the finished dialog open";
    host.Join();
    EXPECT_EQ(d.Result(), IDCANCEL);
}

TEST_F(WorkerRun, FinishEndsTheDialogAndStartsTheProgram) {
    m_packs.Write("tool.exe", "#!/bin/sh\ntouch \"$(dirname \"$0\")/started\"\n");
    DialogHost host(Ini({Url("/files/tool.exe")}));
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor(RunFinished));
    // A new program file is made executable, so that Finish can start it.
    ASSERT_TRUE(d.PressEnter());
    host.Join();
    EXPECT_EQ(d.Result(), IDOK);
    EXPECT_TRUE(d.WaitFor([&](const HeadlessDialog&) { return host.Dir().Exists("started"); }));
}

TEST_F(WorkerRun, ThreadThatCannotStart) {
    DialogHost host(Ini({Url("/body?size=10")}));
    HeadlessDialog& d = host.Start();
    FailNextThreadCreations(1);
    ASSERT_TRUE(d.Click(IDOK));
    const auto boxes = host.Windows().MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].first, u"Create work thread failed!");
    EXPECT_EQ(boxes[0].second, host.App().m_pszAppName);
    // Start failed: Update stays disabled, Cancel leads back to Ready, and Update works again.
    EXPECT_FALSE(d.IsEnabled(IDOK));
    EXPECT_EQ(d.Text(IDCANCEL), u"Cancel");
    ASSERT_TRUE(d.Click(IDCANCEL));
    EXPECT_TRUE(d.IsEnabled(IDOK));
    EXPECT_EQ(d.Text(IDCANCEL), u"Exit");
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor(RunFinished));
    EXPECT_EQ(d.Text(IDC_STATUS_TEXT), kFinished);
}

TEST_F(WorkerRun, LeftoverTemporariesAreRemovedAtTheNextRun) {
    DialogHost host(Ini({Url("/body?size=10")}));
    const CString leftover = PackFile::TemporaryPathFor(host.Dir().BaseDir() + u"app.zip");
    host.Dir().Write(WideToUtf8(leftover.substr(host.Dir().BaseDir().size())), "half");
    host.Dir().Write("notes.partial", "a file of the user's");
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor(RunFinished));
    EXPECT_EQ(Files(host.Dir()), (std::vector<std::string>{"body", "notes.partial"}));
}

TEST_F(WorkerRun, SecondUpdaterInTheDirectoryTouchesNothing) {
    DialogHost host(Ini({Url("/body?size=10")}));
    host.Dir().Write("app.exe", "version 1");
    InstallLock other;  // the lock as another updater holds it
    ASSERT_EQ(other.TryAcquire(host.Dir().BaseDir() + u".~update.lock"), InstallLock::kAcquired);
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor([](const HeadlessDialog& d) {
        return d.Text(IDC_STATUS_TEXT) == u"Another update of this application is running.";
    }));
    // Back to the state before Update.
    ASSERT_TRUE(d.WaitFor([](const HeadlessDialog& d) { return d.IsEnabled(IDOK); }));
    EXPECT_EQ(d.Text(IDOK), u"Update");
    EXPECT_EQ(d.Text(IDCANCEL), u"Exit");
    EXPECT_TRUE(d.IsVisible(IDCANCEL));
    EXPECT_EQ(Files(host.Dir()), (std::vector<std::string>{".~update.lock", "app.exe"}));
    // Once the other is done, Update runs.
    other.Release();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor(RunFinished));
    EXPECT_EQ(d.Text(IDC_STATUS_TEXT), kFinished);
    EXPECT_EQ(Files(host.Dir()), (std::vector<std::string>{"app.exe", "body"}));
}

}  // namespace
