// The update dialog: the banner, the site, a greeting, the status line, the list of packs, the
// progress bar with its percentage and the two buttons whose captions decide what they do.
#pragma once

#include "platform/window/dialog.h"
#include "res/resource.h"

class CUpdateDlg : public CDialog {
public:
    enum { IDD = IDD_UPDATE_DIALOG };

    explicit CUpdateDlg(CWnd* parent = nullptr);
    ~CUpdateDlg() override;

    CStatic m_stcWebsite;
    CStatic m_stcGreeting;
    CStatic m_stcStatus;
    CButton m_btnCancel;
    CButton m_btnOK;
    CString m_strStatus;  // bound to the status line by text exchange; never assigned
    CListBox m_lstPacks;
    CProgressCtrl m_prgDownload;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void StartUpdate();

private:
    // Starts the program that Finish and Exit hand over to.
    void StartProgram();
};

// The one update dialog; set by its constructor and never cleared.
extern CUpdateDlg* g_pUpdateDlg;
