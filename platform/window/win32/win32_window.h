// The real window back end on Win32: the template table becomes an in-memory dialog template
// that DialogBoxIndirectParamW runs modally, with the system's own controls, keyboard
// handling and message boxes. Work from other threads reaches the dialog through SendMessageW
// (synchronous) and PostMessageW (queued).
#pragma once

#include <atomic>

#include "platform/window/dialog_window.h"

class Win32WindowSystem : public WindowSystem {
public:
    // `instance` is the module whose resources the dialogs use: their bitmaps, and the icon
    // `iconId` of their title bars.
    Win32WindowSystem(void* instance, int iconId);

    std::unique_ptr<DialogWindow> CreateDialogWindow(const DialogTemplate& dialog) override;
    int MessageBox(const CString& text, const CString& caption, UINT type) override;

private:
    void* m_instance;
    int m_iconId;
    std::atomic<void*> m_runningDialog{nullptr};  // the dialog's window, owner of message boxes
};
