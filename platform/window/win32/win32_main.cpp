// The program's entry point on Windows: the common controls, the Win32 window back end over
// this module's resources, then the application object.
#include "platform/window/win32/win32_window.h"
#include "platform/window/win_app.h"
#include "res/resource.h"
// After our headers: its constants are macros of the same names as our declarations.
#include "platform/window/win32/common_controls.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The progress bar and the tooltips are common controls; the manifest selects version 6.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                                        ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    Win32WindowSystem system(instance, IDR_MAINFRAME);
    SetWindowSystem(&system);
    const int status = AfxWinMain();
    SetWindowSystem(nullptr);
    return status;
}
