#include "bench/headless_update.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "app/update_app.h"
#include "platform/window/headless/headless_window.h"
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

HeadlessUpdateRun RunHeadlessUpdate(const std::string& dir) {
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

    HeadlessUpdateRun run;
    const auto start = std::chrono::steady_clock::now();
    run.finished = dialog->Click(IDOK) && WaitForFinish(*dialog);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.status = dialog->Text(IDC_STATUS_TEXT);
    if (!run.finished || !dialog->Click(IDOK))
        dialog->Abandon();
    dialogThread.join();
    SetWindowSystem(nullptr);
    return run;
}
