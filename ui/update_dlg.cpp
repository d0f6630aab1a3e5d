#include "ui/update_dlg.h"

#include "app/update_settings.h"
#include "platform/shell.h"

CUpdateDlg* g_pUpdateDlg = nullptr;

CUpdateDlg::CUpdateDlg(CWnd* parent) : CDialog(IDD, parent) {
    g_pUpdateDlg = this;
}

CUpdateDlg::~CUpdateDlg() = default;

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
    if (caption == u"Exit") {
        CDialog::OnCancel();
        StartProgram();
    }
}

// Downloading is not wired to the dialog yet: Update does nothing.
void CUpdateDlg::StartUpdate() {}

void CUpdateDlg::StartProgram() {
    ShellExecuteW(nullptr, u"open", GetAppSettings()->m_strProgramPath, u"", u"", SW_SHOW);
}
