// One whole update by the real worker on the headless window back end, with the real internet
// layer, staging, journal and durable commit: times from the Update command until the OK
// button reads Finish, checks that the run succeeded and that CHECK_NAME is in place with
// CHECK_SIZE bytes, and prints "<seconds> <peak RSS in KiB>" (this process's own VmHWM).
//
// Usage: update_bench URL PROGRAM_DIR CHECK_NAME CHECK_SIZE
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "app/update_app.h"
#include "download/progress_text.h"
#include "platform/text.h"
#include "platform/window/headless/headless_window.h"
#include "bench/peak_memory.h"
#include "res/resource.h"
#include "ui/update_dlg.h"

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(1);
constexpr auto kRunLimit = std::chrono::minutes(10);

// Polls the OK caption until it reads Finish; false after kRunLimit.
bool WaitForFinish(const HeadlessDialog& dialog) {
    const auto deadline = std::chrono::steady_clock::now() + kRunLimit;
    while (dialog.Text(IDOK) != u"Finish") {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s URL PROGRAM_DIR CHECK_NAME CHECK_SIZE\n", argv[0]);
        return 2;
    }
    const std::string url = argv[1];
    std::string dir = argv[2];
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    const std::filesystem::path check = std::filesystem::path(dir) / argv[3];
    const uintmax_t checkSize = std::stoull(argv[4]);
    setenv("no_proxy", "*", 1);  // the server is on loopback
    std::ofstream(dir + "Update.ini")
        << "[Program]\nAppName=Bench\n[Update]\nPackNumber=1\nPack1=" << url << "\n";

    CUpdateApp app;
    app.m_strBaseDir = Utf8ToWide(dir);
    app.m_strIniPath = app.m_strBaseDir + u"Update.ini";
    app.LoadSettings();
    HeadlessWindowSystem windows;
    SetWindowSystem(&windows);
    std::thread dialogThread([&app] {
        CUpdateDlg dlg;
        app.m_pMainWnd = &dlg;
        dlg.DoModal();
    });
    const std::shared_ptr<HeadlessDialog> dialog = windows.WaitForDialog();
    if (!dialog) {
        std::fprintf(stderr, "the dialog did not start\n");
        std::_Exit(1);  // the dialog thread cannot be stopped without its dialog
    }

    const auto start = std::chrono::steady_clock::now();
    const bool finished = dialog->Click(IDOK) && WaitForFinish(*dialog);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::error_code error;
    const bool succeeded = finished && dialog->Text(IDC_STATUS_TEXT) == kFinishedText &&
                           std::filesystem::file_size(check, error) == checkSize && !error;
    if (finished)
        dialog->PressEscape();  // ends the dialog; the program it starts does not exist here
    else
        dialog->Abandon();
    dialogThread.join();
    SetWindowSystem(nullptr);
    if (!succeeded) {
        std::fprintf(stderr, "the run did not finish well: %s\n",
                     WideToUtf8(dialog->Text(IDC_STATUS_TEXT)).c_str());
        return 1;
    }
    std::printf("%.4f %ld\n", seconds, PeakMemoryKib());
    return 0;
}
