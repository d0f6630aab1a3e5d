#include "platform/window/dialog.h"

#include "platform/window/win_app.h"

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    control.Attach(pDX->m_pDlgWnd->Session(), id);
}

void DDX_Text(CDataExchange* pDX, int id, CString& value) {
    CWnd* item = pDX->m_pDlgWnd->GetDlgItem(id);
    if (!item)
        return;
    if (pDX->m_bSaveAndValidate) {
        item->GetWindowText(value);
    } else {
        item->SetWindowText(value);
    }
}

CDialog::CDialog(UINT templateId, CWnd*) : m_templateId(templateId) {}

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    const DialogTemplate* dialog = FindDialogTemplate(static_cast<int>(m_templateId));
    WindowSystem* system = GetWindowSystem();
    if (!dialog || !system)
        return -1;
    std::unique_ptr<DialogWindow> window = system->CreateDialogWindow(*dialog);
    if (!window)
        return -1;
    Attach(std::make_shared<DialogSession>(*window), kDialogWindowId);
    const INT_PTR result = window->RunModal(*this);
    // Whatever ended the run, nothing may reach the window once it is gone.
    m_session->MarkEnded();
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this)
        app->m_pMainWnd = nullptr;
    return result;
}

void CDialog::EndDialog(int result) {
    if (!m_session || !m_session->IsDialogThread() || m_session->HasEnded())
        return;
    m_session->Invoke([result](DialogWindow& w) { w.EndModal(result); });
    m_session->MarkEnded();
}

bool CDialog::IsRunning() const {
    return m_session && !m_session->HasEnded();
}

CWnd* CDialog::GetDlgItem(int id) {
    if (!m_session)
        return nullptr;
    bool exists = false;
    m_session->Invoke([&](DialogWindow& w) { exists = w.HasControl(id); });
    if (!exists)
        return nullptr;
    std::lock_guard lock(m_itemsMutex);
    auto& item = m_items[id];
    if (!item) {
        item = std::make_unique<CWnd>();
        item->Attach(m_session, id);
    }
    return item.get();
}

void CDialog::SetDlgItemText(int id, const CString& text) {
    if (CWnd* item = GetDlgItem(id))
        item->SetWindowText(text);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(*this, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::HandleInitDialog() {
    return OnInitDialog();
}

void CDialog::HandleCommand(int id) {
    if (id == IDOK) {
        OnOK();
    } else if (id == IDCANCEL) {
        OnCancel();
    }
}
