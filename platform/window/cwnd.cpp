#include "platform/window/cwnd.h"

bool CWnd::Call(const DialogSession::Operation& op) const {
    return m_session && m_session->Invoke(op);
}

void CWnd::Attach(std::shared_ptr<DialogSession> session, int id) {
    m_session = std::move(session);
    m_id = id;
}

void CWnd::GetWindowText(CString& text) const {
    text.clear();
    Call([&](DialogWindow& w) { text = w.GetText(m_id); });
}

void CWnd::SetWindowText(const CString& text) {
    Call([&](DialogWindow& w) { w.SetText(m_id, text); });
}

BOOL CWnd::EnableWindow(BOOL enable) {
    BOOL wasDisabled = FALSE;
    Call([&](DialogWindow& w) {
        wasDisabled = !w.IsEnabled(m_id);
        w.Enable(m_id, enable != FALSE);
    });
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const {
    BOOL enabled = FALSE;
    Call([&](DialogWindow& w) { enabled = w.IsEnabled(m_id); });
    return enabled;
}

BOOL CWnd::ShowWindow(int command) {
    BOOL wasVisible = FALSE;
    Call([&](DialogWindow& w) {
        wasVisible = w.IsVisible(m_id);
        w.Show(m_id, command != SW_HIDE);
    });
    return wasVisible;
}

BOOL CWnd::IsWindowVisible() const {
    BOOL visible = FALSE;
    Call([&](DialogWindow& w) { visible = w.IsVisible(m_id); });
    return visible;
}

LRESULT CWnd::SendMessageW(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    switch (message) {
        case LB_ADDSTRING: {
            const CString row(reinterpret_cast<const char16_t*>(lParam));
            result = LB_ERR;
            Call([&](DialogWindow& w) { result = w.AddListRow(m_id, row); });
            break;
        }
        case PBM_SETRANGE32:
            Call([&](DialogWindow& w) {
                w.SetProgressRange(m_id, static_cast<int>(wParam), static_cast<int>(lParam));
            });
            break;
        case PBM_SETPOS:
            Call([&](DialogWindow& w) {
                result = w.SetProgressPos(m_id, static_cast<int>(wParam));
            });
            break;
        default:
            if (message >= WM_APP) {
                Call([&](DialogWindow&) { result = WindowProc(message, wParam, lParam); });
            }
            break;
    }
    return result;
}

LRESULT CWnd::WindowProc(UINT, WPARAM, LPARAM) {
    return 0;
}

int CListBox::AddString(const CString& text) {
    return static_cast<int>(SendMessageW(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

void CProgressCtrl::SetRange32(int lower, int upper) {
    SendMessageW(PBM_SETRANGE32, static_cast<WPARAM>(lower), upper);
}

int CProgressCtrl::SetPos(int pos) {
    return static_cast<int>(SendMessageW(PBM_SETPOS, static_cast<WPARAM>(pos)));
}
