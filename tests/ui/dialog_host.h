// Runs the update dialog on the headless back end, on a dialog thread of its own, with the
// settings loaded from an Update.ini in a temporary program directory.
#pragma once

#include <memory>
#include <stdexcept>
#include <thread>

#include "app/update_app.h"
#include "download/worker_gate.h"
#include "platform/window/headless/headless_window.h"
#include "tests/tools/temp_dir.h"
#include "ui/update_dlg.h"

class DialogHost {
public:
    explicit DialogHost(const std::string& ini) {
        m_dir.Write("Update.ini", ini);
        m_app.m_strBaseDir = m_dir.BaseDir();
        m_app.m_strIniPath = m_app.m_strBaseDir + u"Update.ini";
        m_app.LoadSettings();
        SetWindowSystem(&m_windows);
        // The process-wide flags as at program start.
        g_bCancel = 0;
        g_bDownloaded = 0;
    }

    ~DialogHost() {
        if (m_thread.joinable()) {
            if (auto d = m_windows.WaitForDialog(std::chrono::milliseconds(0)))
                d->Abandon();
            m_thread.join();
        }
        SetWindowSystem(nullptr);
    }

    // Starts the modal run and gives the dialog once it is initialised. The dialog object
    // goes when the run returns, as at startup, unless `keepDialog` keeps it until the host
    // goes, so that a test can call it as a late worker would.
    HeadlessDialog& Start(bool keepDialog = false) {
        m_thread = std::thread([this, keepDialog] {
            m_dlg = std::make_unique<CUpdateDlg>();
            m_app.m_pMainWnd = m_dlg.get();
            m_dlg->DoModal();
            if (!keepDialog)
                m_dlg.reset();
            m_modalReturned = true;
        });
        m_dialog = m_windows.WaitForDialog();
        if (!m_dialog)
            throw std::runtime_error("the dialog did not open within 10 seconds");
        return *m_dialog;
    }

    // Waits for the modal run to return.
    void Join() { m_thread.join(); }

    const TempDir& Dir() const { return m_dir; }
    CUpdateApp& App() { return m_app; }
    HeadlessWindowSystem& Windows() { return m_windows; }
    bool ModalReturned() const { return m_modalReturned; }

private:
    TempDir m_dir;
    CUpdateApp m_app;
    HeadlessWindowSystem m_windows;
    std::shared_ptr<HeadlessDialog> m_dialog;
    std::unique_ptr<CUpdateDlg> m_dlg;
    std::thread m_thread;
    std::atomic<bool> m_modalReturned{false};
};

// Whether no worker runs: every write of a worker that ran, to the dialog and to files, is done.
inline bool WorkerStopped() {
    return !IsDownloadWorkerRunning();
}

// The end state of a run: OK reads Finish and the worker that wrote it has stopped, so its
// later final writes (the cancel button's caption and visibility) are in place too.
inline bool RunFinished(const HeadlessDialog& d) {
    return d.Text(IDOK) == u"Finish" && WorkerStopped();
}
