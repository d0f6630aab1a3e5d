// The application object and the framework's entry into it.
#pragma once

#include "platform/text.h"
#include "platform/win_types.h"

class CWnd;

class CWinApp {
public:
    // Registers the one application object. Without a name the application is named after the
    // executable's file name without its extension.
    explicit CWinApp(const char16_t* appName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    virtual BOOL InitInstance();
    virtual int ExitInstance();

    // The main window while it runs; cleared by the framework when the window's run ends.
    CWnd* m_pMainWnd = nullptr;
    // Caption of the framework's message boxes and agent name of the internet session.
    CString m_pszAppName;
};

// The application object, or null.
CWinApp* AfxGetApp();

// The framework's start-up calls; they have nothing to do on this platform.
BOOL AfxEnableControlContainer();
BOOL Enable3dControlsStatic();

// A modal box over the dialog with an OK button and a warning icon, titled with the
// application's name. Gives IDOK.
int AfxMessageBox(const CString& text, UINT type = MB_OK);

// The framework's entry point: runs InitInstance, then (as it gives FALSE, or after the main
// loop it would otherwise run) ExitInstance, whose result is the process's exit status.
int AfxWinMain();
