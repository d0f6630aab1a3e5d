// The application object: finds Update.ini beside the executable, loads the settings, runs
// the update dialog and ends.
#pragma once

#include "app/update_settings.h"
#include "platform/window/win_app.h"

class CUpdateApp : public CWinApp, public UpdateSettings {
public:
    CUpdateApp() = default;
    ~CUpdateApp() override = default;

    // Gives FALSE on every path: the dialog's modal run is the only loop the program has.
    BOOL InitInstance() override;
    int ExitInstance() override;

    // m_strBaseDir = the executable's directory with its trailing separator; empty when the
    // executable's path does not fit the path capacity.
    void InitBaseDirectory();
    // Fills the record from m_strIniPath, except m_strIniPath and m_strBaseDir.
    void LoadSettings();
};
