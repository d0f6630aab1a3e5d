// The update dialog: the banner, the site, a greeting, the status line, the list of packs, the
// progress bar with its percentage and the two buttons whose captions decide what they do.
#pragma once

#include "download/download_thread.h"
#include "platform/window/dialog.h"
#include "res/resource.h"

class CUpdateDlg : public CDialog {
public:
    enum { IDD = IDD_UPDATE_DIALOG };

    explicit CUpdateDlg(CWnd* parent = nullptr);
    // Waits for a worker that is still stopping after the dialog ended, so that it never
    // addresses a dialog that is gone, then starts the program if Finish or Exit put that off.
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
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // Resets the cancel request and starts the worker; a message box when it cannot start.
    void StartWorker();
    // Starts the program that Finish and Exit hand over to, once no worker runs any more.
    void StartProgram();

    // Update was pressed while the previous worker had not stopped yet: it starts when that
    // worker has stopped.
    bool m_bStartWhenStopped = false;
    // Finish or Exit came while a worker was stopping: the program starts after it.
    bool m_bProgramPending = false;
};
