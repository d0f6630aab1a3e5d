// The update dialog's template and the lookup of the program's dialog and bitmap resources.
#include "platform/window/dialog_template.h"

#include "res/res_data.h"
#include "res/resource.h"

namespace {

constexpr uint32_t kChild = WS_CHILD | WS_VISIBLE;

// Template order is tab order. Positions and sizes in dialog units.
constexpr DialogControlTemplate kUpdateDialogControls[] = {
    {IDOK, ControlClass::Button, u"Update", 149, 178, 50, 15,
     kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 0},
    {IDCANCEL, ControlClass::Button, u"Exit", 206, 178, 50, 15, kChild | BS_PUSHBUTTON | WS_TABSTOP,
     0, 0},
    {IDC_BANNER, ControlClass::Static, u"", 0, 0, 112, 200, kChild | SS_BITMAP | SS_REALSIZEIMAGE,
     0, IDB_BANNER},
    {IDC_STATUS_TEXT, ControlClass::Static, u"", 86, 33, 169, 10,
     kChild | SS_LEFTNOWORDWRAP | WS_GROUP, 0, 0},
    // The bar leaves the percentage label room for "100%" at the dialog's font.
    {IDC_PROGRESS, ControlClass::Progress, u"Progress1", 86, 152, 148, 13, kChild | PBS_SMOOTH,
     WS_EX_RIGHT, 0},
    {-1, ControlClass::Static, u"", 86, 172, 170, 1, kChild | SS_ETCHEDHORZ, 0, 0},
    {IDC_GREETING_TEXT, ControlClass::Static, u"Thanks for using Update!", 86, 17, 169, 8,
     kChild | SS_LEFT | WS_GROUP, 0, 0},
    {IDC_PACK_LIST, ControlClass::ListBox, u"", 86, 47, 170, 97,
     kChild | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, WS_EX_STATICEDGE, 0},
    {IDC_WEBSITE_TEXT, ControlClass::Static, u"https://update.example.org", 86, 1, 169, 8,
     kChild | SS_LEFT | SS_CENTERIMAGE | WS_GROUP, 0, 0},
    {IDC_PERCENT_TEXT, ControlClass::Static, u"0%", 236, 154, 21, 9, kChild | SS_LEFT | WS_GROUP, 0,
     0},
};

constexpr DialogTemplate kUpdateDialog = {
    IDD_UPDATE_DIALOG,
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    WS_EX_APPWINDOW,
    0,
    0,
    260,
    201,
    u"Update",
    9,
    0,
    false,
    DEFAULT_CHARSET,
    u"Verdana",
    kUpdateDialogControls,
};

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    return id == IDD_UPDATE_DIALOG ? &kUpdateDialog : nullptr;
}

std::span<const unsigned char> FindBitmapResource(int id) {
    return id == IDB_BANNER ? BannerBitmapBytes() : std::span<const unsigned char>();
}
