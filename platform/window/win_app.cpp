#include "platform/window/win_app.h"

#include "platform/path.h"
#include "platform/window/dialog_window.h"

namespace {

CWinApp* g_app = nullptr;
WindowSystem* g_windowSystem = nullptr;

// The executable's file name without directory and extension.
CString ExecutableTitle() {
    CString path;
    GetModuleFileNameW(path, MAX_PATH);
    const size_t slash = path.find_last_of(kPathSeparator);
    CString name = slash == CString::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of(u'.');
    if (dot != CString::npos && dot > 0)
        name.resize(dot);
    return name;
}

}  // namespace

WindowSystem* GetWindowSystem() {
    return g_windowSystem;
}
void SetWindowSystem(WindowSystem* system) {
    g_windowSystem = system;
}

CWinApp::CWinApp(const char16_t* appName)
    : m_pszAppName(appName ? CString(appName) : ExecutableTitle()) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}
int CWinApp::ExitInstance() {
    return 0;
}

CWinApp* AfxGetApp() {
    return g_app;
}

BOOL AfxEnableControlContainer() {
    return TRUE;
}
BOOL Enable3dControlsStatic() {
    return TRUE;
}

int AfxMessageBox(const CString& text, UINT type) {
    const CString caption = g_app ? g_app->m_pszAppName : ExecutableTitle();
    if (g_windowSystem)
        g_windowSystem->MessageBox(text, caption, type | MB_ICONWARNING);
    return IDOK;
}

int AfxWinMain() {
    if (!g_app)
        return 1;
    g_app->InitInstance();
    // InitInstance gives FALSE on every path of this program, so no main loop runs.
    g_app->m_pMainWnd = nullptr;
    return g_app->ExitInstance();
}
