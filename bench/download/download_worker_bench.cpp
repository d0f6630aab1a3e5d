// One download by the real worker on the headless window back end, with the real internet
// layer and real files: times from the Update command until the dialog reads Finish, and
// prints "<seconds> <peak RSS in KiB>".
//
// Usage: download_worker_bench URL PROGRAM_DIR
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "app/update_app.h"
#include "platform/window/headless/headless_window.h"
#include "ui/update_dlg.h"

namespace {

long PeakRssKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s URL PROGRAM_DIR\n", argv[0]);
        return 2;
    }
    std::string dir = argv[2];
    if (dir.empty() || dir.back() != '/') dir += '/';
    std::ofstream(dir + "Update.ini") << "[Program]\nAppName=Bench\n[Update]\nPackNumber=1\nPack1="
                                      << argv[1] << "\n";

    CUpdateApp app;
    app.m_strBaseDir = Utf8ToWide(dir);
    app.m_strIniPath = app.m_strBaseDir + u"Update.ini";
    app.LoadSettings();
    HeadlessWindowSystem windows;
    SetWindowSystem(&windows);

    std::thread dialogThread([&] {
        CUpdateDlg dlg;
        app.m_pMainWnd = &dlg;
        dlg.DoModal();
    });
    auto dialog = windows.WaitForDialog();
    if (!dialog) return 1;

    const auto start = std::chrono::steady_clock::now();
    dialog->Click(IDOK);
    const bool finished = dialog->WaitFor(
        [](const HeadlessDialog& d) { return d.Text(IDOK) == u"Finish"; }, std::chrono::minutes(10));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const bool succeeded =
        dialog->Text(IDC_STATUS_TEXT) == u"Download finished, click to run the new version.";
    dialog->PressEscape();
    dialogThread.join();
    SetWindowSystem(nullptr);
    if (!finished || !succeeded) {
        std::fprintf(stderr, "the run did not finish well: %s\n",
                     WideToUtf8(dialog->Text(IDC_STATUS_TEXT)).c_str());
        return 1;
    }
    std::printf("%.4f %ld\n", seconds, PeakRssKib());
    return 0;
}
