// The program's entry point: the real window back end, then the application object.
#include "platform/window/win_app.h"
#include "platform/window/wx/wx_window.h"

int main(int argc, char** argv) {
    WxWindowSystem system(argc, argv);
    SetWindowSystem(&system);
    const int status = AfxWinMain();
    SetWindowSystem(nullptr);
    return status;
}
