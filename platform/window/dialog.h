// Modal dialogs built from a template, with data exchange between members and controls.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "platform/window/cwnd.h"

class CDialog;

// Direction of one data exchange: TRUE reads the controls into the members.
class CDataExchange {
public:
    CDataExchange(CDialog& dialog, BOOL saveAndValidate)
        : m_pDlgWnd(&dialog), m_bSaveAndValidate(saveAndValidate) {}
    CDialog* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Attaches `control` to control `id` of the dialog.
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
// Writes `value` into control `id`, or reads it back when saving.
void DDX_Text(CDataExchange* pDX, int id, CString& value);

class CDialog : public CWnd, private DialogHooks {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog modally; gives the result passed to EndDialog, or -1 when the template
    // or the window system is missing.
    INT_PTR DoModal();
    // Hides the dialog; the modal run ends when the current handler returns. From then on
    // every control operation does nothing.
    void EndDialog(int result);

    // The control `id` as a window object owned by the dialog, or null.
    CWnd* GetDlgItem(int id);
    void SetDlgItemText(int id, const CString& text);
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    // True while the modal run has not ended: between DoModal and EndDialog.
    bool IsRunning() const;

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    // Transfers the members to the controls; gives TRUE.
    virtual BOOL OnInitDialog();
    // Ends the dialog with IDOK.
    virtual void OnOK();
    // Ends the dialog with IDCANCEL.
    virtual void OnCancel();

private:
    BOOL HandleInitDialog() override;
    void HandleCommand(int id) override;

    const UINT m_templateId;
    std::mutex m_itemsMutex;  // GetDlgItem may be called from the worker
    std::map<int, std::unique_ptr<CWnd>> m_items;
};
