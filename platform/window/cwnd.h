// Window objects: the dialog and its controls, reached by id through the running dialog.
//
// Every operation may be called from any thread: it is carried out on the dialog thread while
// the caller waits (see DialogSession). A window that is not attached to a running dialog, or
// whose dialog has ended, does nothing and gives empty values.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "platform/text.h"
#include "platform/win_types.h"
#include "platform/window/dialog_session.h"

// Messages understood by SendMessageW.
constexpr UINT LB_ADDSTRING = 0x0180;    // lParam: const char16_t* row text
constexpr UINT PBM_SETPOS = 0x0402;      // wParam: position; gives the previous one
constexpr UINT PBM_SETRANGE32 = 0x0406;  // wParam: lower, lParam: upper bound
constexpr int LB_ERR = -1;
// Messages of the program's own, from WM_APP on, go to the window object's WindowProc.
constexpr UINT WM_APP = 0x8000;

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd() = default;

    void GetWindowText(CString& text) const;
    void SetWindowText(const CString& text);
    // Gives TRUE when the window was disabled before the call.
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    // SW_HIDE or SW_SHOW; gives TRUE when the window was visible before the call.
    BOOL ShowWindow(int command);
    BOOL IsWindowVisible() const;
    // Control messages go to the control; WM_APP and above to WindowProc, on the dialog
    // thread. Gives 0 when the window does not run.
    LRESULT SendMessageW(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // Binds this object to control `id` of a running dialog.
    void Attach(std::shared_ptr<DialogSession> session, int id);
    int GetDlgCtrlID() const { return m_id; }
    const std::shared_ptr<DialogSession>& Session() const { return m_session; }

protected:
    // The program's own messages, on the dialog thread. The base handles none and gives 0.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Runs `op` with the dialog's window if this object is attached and the dialog runs.
    bool Call(const DialogSession::Operation& op) const;

    std::shared_ptr<DialogSession> m_session;
    int m_id = kDialogWindowId;
};

class CStatic : public CWnd {};

class CButton : public CWnd {};

class CListBox : public CWnd {
public:
    int AddString(const CString& text);
};

class CProgressCtrl : public CWnd {
public:
    void SetRange32(int lower, int upper);
    int SetPos(int pos);
};
