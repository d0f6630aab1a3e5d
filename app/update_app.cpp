#include "app/update_app.h"

#include <algorithm>

#include "download/recovery.h"
#include "platform/ini.h"
#include "platform/path.h"
#include "ui/update_dlg.h"

BOOL CUpdateApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControlsStatic();
    InitBaseDirectory();
    m_strIniPath = m_strBaseDir + u"Update.ini";
    // Without a base directory the name would be looked up in the working directory, which
    // plays no part: that ends startup like a missing file.
    if (m_strBaseDir.empty() || !PathFileExistsW(m_strIniPath))
        return FALSE;
    LoadSettings();
    // An earlier run that was killed, or a machine that went down, leaves no half-installed
    // pack for the dialog to show over.
    RecoverProgramDirectory(m_strBaseDir, m_strProgramPath);

    CUpdateDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

int CUpdateApp::ExitInstance() {
    return CWinApp::ExitInstance();
}

void CUpdateApp::InitBaseDirectory() {
    CString path;
    const size_t length = GetModuleFileNameW(path, MAX_PATH);
    m_strBaseDir.clear();
    if (length == 0 || length >= MAX_PATH)
        return;  // no path, or cut to the capacity
    const size_t slash = path.find_last_of(kPathSeparator);
    if (slash != CString::npos)
        m_strBaseDir = path.substr(0, slash + 1);
}

void CUpdateApp::LoadSettings() {
    m_strAppName = ReadIniString(u"Program", u"AppName", u"", m_strIniPath);
    m_strVersion = ReadIniString(u"Program", u"Version", u"1.0.0.0", m_strIniPath);
    m_strWebsite = ReadIniString(u"Program", u"Website", u"", m_strIniPath);
    // Packs beyond the last Pack key could only fail; bounding the count by the file keeps
    // the dialog and the worker from walking up to a huge PackNumber.
    m_nPackNumber = std::min(GetPrivateProfileIntW(u"Update", u"PackNumber", 1, m_strIniPath),
                             HighestPackKeyNumber(m_strIniPath));
    m_strPublicKey = ReadIniString(u"Update", u"PublicKey", u"", m_strIniPath);
    // Runs whatever the pack count is: the program to start always comes from Pack1.
    const CString firstPack = ReadIniString(u"Update", u"Pack1", u"", m_strIniPath);
    m_strProgramPath = m_strBaseDir + ProgramFileName(PackFileName(firstPack));
}
