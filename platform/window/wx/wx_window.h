// The real window back end on wxWidgets. wx is started when the first window is needed, so a
// run that ends before showing anything never opens the display.
#pragma once

#include "platform/window/dialog_window.h"

class WxWindowSystem : public WindowSystem {
public:
    WxWindowSystem(int argc, char** argv);
    ~WxWindowSystem() override;
    WxWindowSystem(const WxWindowSystem&) = delete;
    WxWindowSystem& operator=(const WxWindowSystem&) = delete;

    // Null when the display cannot be opened.
    std::unique_ptr<DialogWindow> CreateDialogWindow(const DialogTemplate& dialog) override;
    int MessageBox(const CString& text, const CString& caption, UINT type) override;

private:
    bool EnsureStarted();

    int m_argc;
    char** m_argv;
    enum class State { NotStarted, Running, Failed } m_state = State::NotStarted;
};
