#include "ui/update_dlg.h"

#include "app/update_settings.h"
#include "download/worker_gate.h"
#include "platform/shell.h"
#include "platform/thread.h"
#include "platform/window/win_app.h"

CUpdateDlg::CUpdateDlg(CWnd* parent) : CDialog(IDD, parent) {
    g_pUpdateDlg = this;
}

CUpdateDlg::~CUpdateDlg() {
    // The close handler asked the worker to stop; it touches no control of an ended dialog.
    // Its thread is waited for to its very end, so nothing it uses goes away under it.
    g_bCancel = 1;
    WaitForDownloadWorkers();
    if (m_bProgramPending) {
        ShellExecuteW(nullptr, u"open", GetAppSettings()->m_strProgramPath, u"", u"", SW_SHOW);
    }
}

void CUpdateDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_WEBSITE_TEXT, m_stcWebsite);
    DDX_Control(pDX, IDC_GREETING_TEXT, m_stcGreeting);
    DDX_Control(pDX, IDC_STATUS_TEXT, m_stcStatus);
    DDX_Control(pDX, IDCANCEL, m_btnCancel);
    DDX_Control(pDX, IDOK, m_btnOK);
    DDX_Text(pDX, IDC_STATUS_TEXT, m_strStatus);
    DDX_Control(pDX, IDC_PACK_LIST, m_lstPacks);
    DDX_Control(pDX, IDC_PROGRESS, m_prgDownload);
}

BOOL CUpdateDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const UpdateSettings& settings = *GetAppSettings();
    SetDlgItemText(IDC_STATUS_TEXT, u"An available version is ready, click to update.");
    SetDlgItemText(IDC_WEBSITE_TEXT, settings.m_strWebsite);
    SetDlgItemText(IDC_GREETING_TEXT, FormatText(u"Thanks for using %s!", settings.m_strAppName));
    for (int i = 1; i <= settings.m_nPackNumber; ++i) {
        const CString url =
            ReadIniString(u"Update", FormatText(u"Pack%d", i), u"", settings.m_strIniPath);
        m_lstPacks.AddString(PackFileName(url));
    }
    SetWindowText(settings.m_strAppName + u" Update");
    return TRUE;
}

void CUpdateDlg::OnOK() {
    CString caption;
    m_btnOK.GetWindowText(caption);
    if (caption == u"Update") {
        StartUpdate();
    } else if (caption == u"Finish") {
        EndDialog(IDOK);
        StartProgram();
    }
}

void CUpdateDlg::OnCancel() {
    CString caption;
    m_btnCancel.GetWindowText(caption);
    // Once OK reads Finish the run is over; the worker's last writes (Cancel becoming Exit)
    // may still be on their way, and Cancel then means Exit, as it will in a moment.
    CString okCaption;
    m_btnOK.GetWindowText(okCaption);
    if (okCaption == u"Finish")
        caption = u"Exit";
    if (caption == u"Cancel") {
        g_bCancel = 1;
        m_bStartWhenStopped = false;
        SetDlgItemText(IDC_PERCENT_TEXT, u"0%");
        m_prgDownload.SetPos(0);
        m_btnCancel.SetWindowText(u"Exit");
        m_btnOK.EnableWindow(TRUE);
    } else if (caption == u"Exit") {
        CDialog::OnCancel();
        StartProgram();
    }
}

void CUpdateDlg::StartUpdate() {
    m_btnOK.EnableWindow(FALSE);
    m_btnCancel.SetWindowText(u"Cancel");
    if (IsDownloadWorkerRunning()) {
        // The cancelled worker has not stopped yet: two never run at once.
        m_bStartWhenStopped = true;
        return;
    }
    StartWorker();
}

void CUpdateDlg::StartWorker() {
    g_bCancel = 0;
    EnterDownloadWorker();
    CWinThread* thread = AfxBeginThread(DownloadThreadProc, this, THREAD_PRIORITY_NORMAL, 0, 0);
    if (!thread) {
        LeaveDownloadWorker();
        AfxMessageBox(u"Create work thread failed!", MB_OK);
        return;
    }
    KeepDownloadWorker(thread);
}

LRESULT CUpdateDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_DOWNLOAD_STOPPED)
        return CDialog::WindowProc(message, wParam, lParam);
    // The stopped worker is done with the dialog; a run asked for meanwhile begins now, from
    // the first pack, in the state that Update gives.
    if (m_bStartWhenStopped) {
        m_bStartWhenStopped = false;
        m_btnOK.EnableWindow(FALSE);
        m_btnCancel.SetWindowText(u"Cancel");
        m_btnCancel.ShowWindow(SW_SHOW);
        m_btnOK.SetWindowText(u"Update");
        StartWorker();
    }
    return 1;
}

void CUpdateDlg::StartProgram() {
    g_bCancel = 1;  // a worker still stopping must not go on with further packs
    if (IsDownloadWorkerRunning()) {
        m_bProgramPending = true;
        return;
    }
    ShellExecuteW(nullptr, u"open", GetAppSettings()->m_strProgramPath, u"", u"", SW_SHOW);
}
