// The real wx window under a private Xvfb (started by tests/tools/xvfb.py --run): the status
// texts measured with the dialog's own font, and a whole run whose first pack fails.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <thread>

#include <gtest/gtest.h>

#include "app/update_app.h"
#include "download/pack_file.h"
#include "download/progress_text.h"
#include "download/run_outcome.h"
#include "platform/net/internet_error_text.h"
#include "platform/net/internet_session.h"
#include "platform/window/dialog_window.h"
#include "platform/window/wx/wx_window.h"
#include "res/resource.h"
#include "tests/tools/temp_dir.h"
#include "tests/tools/test_server.h"
#include "tests/tools/tmpfs_dir.h"
#include "ui/update_dlg.h"

namespace {

using namespace std::chrono_literals;

InternetFailureFacts Server(const CString& host, const CString& port = u"", int64_t seconds = 0) {
    InternetFailureFacts facts;
    facts.host = host;
    facts.port = port;
    facts.seconds = seconds;
    return facts;
}

// The text of the failure `url` ends in, read to the end of its body.
CString FailureOf(CInternetSession& session, const CString& url) {
    try {
        std::unique_ptr<CRemoteFile> file = session.OpenURL(url);
        unsigned char buffer[4096];
        while (file->Read(buffer, sizeof buffer) != 0) {
        }
    } catch (const CInternetException& e) {
        return e.GetErrorMessage();
    }
    return u"(no failure)";
}

// The failure of storing `bytes` as the pack `name` in `dir`.
CString StoreFailure(const std::filesystem::path& dir, const std::string& name, size_t bytes) {
    PackFile file;
    CString error;
    const std::string data(bytes, 'x');
    if (!file.Create(Utf8ToWide((dir / name).string()), error) ||
        !file.Write(data.data(), data.size(), error) || !file.Close(error) || !file.Place(error)) {
        return error;
    }
    return u"(no failure)";
}

// Runs the dialog window of the real back end with `check` as the dialog's first task.
class CheckHooks : public DialogHooks {
public:
    CheckHooks(DialogWindow& window, std::function<void(DialogWindow&)> check)
        : m_window(window), m_check(std::move(check)) {}
    BOOL HandleInitDialog() override {
        m_window.Post([this] {
            m_check(m_window);
            m_window.EndModal(IDOK);
        });
        return TRUE;
    }
    void HandleCommand(int) override {}

private:
    DialogWindow& m_window;
    std::function<void(DialogWindow&)> m_check;
};

// Output of a shell command, every command bounded by `timeout`.
std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(("timeout 10 " + command).c_str(), "r")) {
        char buffer[256];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition())
            return true;
        std::this_thread::sleep_for(50ms);
    }
    return condition();
}

}  // namespace

// Every status text the user can meet, as the internet layer, the disk and the worker make
// them, is shown whole on the status line at the dialog's font; one that is too long is
// shortened and shown whole as the tooltip; the percentage label shows "100%" whole.
TEST(RealWindow, StatusTextsFitTheStatusLine) {
    TempDir packs;
    TestServer server(TestServer::Options{packs.Path().string(), false});
    InternetOptions options;
    options.idleTimeout = 2s;
    CInternetSession session(options);
    const auto http = [&](const std::string& path) { return Utf8ToWide(server.HttpUrl(path)); };

    std::vector<CString> texts = {
        u"An available version is ready, click to update.",
        CString(kRequestingText),
        CString(kInterruptedText),
        CString(kFinishedText),
        FailureOf(session, http("/status?code=404")),
        FailureOf(session, http("/status?code=503")),
        FailureOf(session, http("/drop?size=200000")),
        FailureOf(session, http("/stall?after=-1")),
        FailureOf(session, http("/redirect?hops=10")),
        FailureOf(session, u"http://127.0.0.1:1/app.zip"),
        FailureOf(session, u""),
        FailureOf(session, u"ftp://127.0.0.1/app.zip"),
        FailureOf(session, u"file:///nonexistent-dir/app.zip"),
        // As a server on the internet would name itself.
        InternetFailureText(InternetFailure::Connect, Server(u"example.org", u"8080")),
        InternetFailureText(InternetFailure::NoAnswer, Server(u"example.org", u"", 60)),
        InternetFailureText(InternetFailure::Certificate, Server(u"example.org")),
        PackFailureText(u"app.zip", u"HTTP error 404 (Not Found)"),
        PackFailureText(u"app.zip", u"not installed, old version kept"),
    };
    TempDir program;
    std::filesystem::create_directory(program.Path() / "app.exe");
    texts.push_back(StoreFailure(program.Path(), "app.exe", 10));
    std::filesystem::create_directory(program.Path() / "disk");
    TmpfsMount disk(program.Path() / "disk", 64 * 1024);
    if (disk.Mounted())
        texts.push_back(StoreFailure(program.Path() / "disk", "app.zip", 1024 * 1024));
    else
        ADD_FAILURE() << "no tmpfs for the full disk: the test needs root";

    const CString tooLong =
        u"2 of 3 packs failed; first: application-setup-2.zip: " +
        InternetFailureText(InternetFailure::Connect, Server(u"example.org", u"8080"));
    std::unique_ptr<DialogWindow> window =
        GetWindowSystem()->CreateDialogWindow(*FindDialogTemplate(IDD_UPDATE_DIALOG));
    ASSERT_TRUE(window) << "no display";
    CheckHooks hooks(*window, [&](DialogWindow& w) {
        for (const CString& text : texts) {
            w.SetText(IDC_STATUS_TEXT, text);
            EXPECT_EQ(w.GetText(IDC_STATUS_TEXT), text);
            EXPECT_EQ(w.GetToolTip(IDC_STATUS_TEXT), u"")
                << "cut off on the status line: " << WideToUtf8(text);
        }
        w.SetText(IDC_STATUS_TEXT, tooLong);
        EXPECT_EQ(w.GetText(IDC_STATUS_TEXT), tooLong);
        EXPECT_EQ(w.GetToolTip(IDC_STATUS_TEXT), tooLong);
        w.SetText(IDC_STATUS_TEXT, CString(kFinishedText));
        EXPECT_EQ(w.GetToolTip(IDC_STATUS_TEXT), u"");  // gone with the long text
        w.SetText(IDC_PERCENT_TEXT, CString(kFinalPercentText));
        EXPECT_EQ(w.GetToolTip(IDC_PERCENT_TEXT), u"") << "\"100%\" is cut off";
    });
    window->RunModal(hooks);
    // The texts themselves, for the reader of this test.
    for (const CString& text : texts) std::printf("status text: %s\n", WideToUtf8(text).c_str());
}

// A run whose first pack fails ends saying so, although the second pack arrives; Finish still
// ends the dialog and starts the program. Saves a screenshot of the Finished state.
TEST(RealWindow, FirstPackFailureIsShownAtTheEnd) {
    TempDir packs;
    packs.Write("notes.txt", "notes of version 2");
    TestServer server(TestServer::Options{packs.Path().string(), false});
    TempDir dir;
    dir.Write("Update.ini", "[Program]\nAppName=Demo\n[Update]\nPackNumber=2\nPack1=" +
                                server.HttpUrl("/files/tool.zip") +
                                "\nPack2=" + server.HttpUrl("/files/notes.txt") + "\n");
    dir.Write("tool.exe", "#!/bin/sh\necho started > \"$(dirname \"$0\")/started\"\n");
    std::filesystem::permissions(dir.Path() / "tool.exe", std::filesystem::perms::owner_all);

    CUpdateApp app;
    app.m_strBaseDir = dir.BaseDir();
    app.m_strIniPath = app.m_strBaseDir + u"Update.ini";
    app.LoadSettings();
    g_bCancel = 0;
    g_bDownloaded = 0;

    const std::string shot = std::string(UPDATE_SCREENSHOT_DIR) + "/first_pack_fails.png";
    std::filesystem::create_directories(UPDATE_SCREENSHOT_DIR);
    std::optional<CString> finalStatus;
    std::string problem;
    std::thread driver([&] {
        std::string wid;
        if (!WaitUntil(
                [&] {
                    wid = Shell("xdotool search --onlyvisible --name '^Demo Update$' | head -1");
                    return !wid.empty();
                },
                15s)) {
            problem = "the window \"Demo Update\" did not appear within 15 s";
            return;
        }
        wid.erase(wid.find_last_not_of("\n") + 1);
        Shell("xdotool windowfocus --sync " + wid);
        Shell("xdotool key --clearmodifiers Return");  // Update
        CString caption;
        if (!WaitUntil(
                [&] {
                    g_pUpdateDlg->GetDlgItem(IDOK)->GetWindowText(caption);
                    return caption == u"Finish";
                },
                30s)) {
            problem = "the dialog did not reach Finish within 30 s";
            return;
        }
        CString status;
        g_pUpdateDlg->GetDlgItem(IDC_STATUS_TEXT)->GetWindowText(status);
        finalStatus = status;
        std::this_thread::sleep_for(300ms);  // the label repaints
        Shell("import -window root '" + shot + "'");
        Shell("xdotool key --clearmodifiers Return");  // Finish
    });
    {
        CUpdateDlg dlg;
        app.m_pMainWnd = &dlg;
        dlg.DoModal();
    }
    driver.join();
    ASSERT_EQ(problem, "");
    ASSERT_TRUE(finalStatus.has_value());
    EXPECT_EQ(*finalStatus, u"tool.zip failed: HTTP error 404 (Not Found)");
    EXPECT_EQ(dir.Read("notes.txt"), "notes of version 2");
    EXPECT_TRUE(WaitUntil([&] { return dir.Exists("started"); }, 10s))
        << "Finish did not start the program";
    struct stat st;
    EXPECT_EQ(stat(shot.c_str(), &st), 0) << "no screenshot at " << shot;
    std::printf("screenshot: %s\n", shot.c_str());
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    WxWindowSystem windows(argc, argv);
    SetWindowSystem(&windows);
    const int status = RUN_ALL_TESTS();
    SetWindowSystem(nullptr);
    return status;
}
