// Dialog templates as data: the window and its controls, in dialog units, with the Win32
// style bits that the window back ends honour. The program's templates and bitmaps are
// defined with its resources; the back ends find them by id.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/win_types.h"

// Window styles.
constexpr uint32_t WS_POPUP = 0x80000000;
constexpr uint32_t WS_CHILD = 0x40000000;
constexpr uint32_t WS_VISIBLE = 0x10000000;
constexpr uint32_t WS_DISABLED = 0x08000000;
constexpr uint32_t WS_CAPTION = 0x00C00000;
constexpr uint32_t WS_VSCROLL = 0x00200000;
constexpr uint32_t WS_SYSMENU = 0x00080000;
constexpr uint32_t WS_THICKFRAME = 0x00040000;
constexpr uint32_t WS_GROUP = 0x00020000;
constexpr uint32_t WS_TABSTOP = 0x00010000;
constexpr uint32_t WS_MINIMIZEBOX = 0x00020000;  // in a top-level window's style
constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000;  // in a top-level window's style
constexpr uint32_t WS_EX_RIGHT = 0x00001000;
constexpr uint32_t WS_EX_STATICEDGE = 0x00020000;
constexpr uint32_t WS_EX_APPWINDOW = 0x00040000;
// Dialog styles.
constexpr uint32_t DS_SETFONT = 0x40;
constexpr uint32_t DS_MODALFRAME = 0x80;
constexpr uint32_t DS_CENTER = 0x800;
// Button styles.
constexpr uint32_t BS_PUSHBUTTON = 0x0;
constexpr uint32_t BS_DEFPUSHBUTTON = 0x1;
// Static styles: the low bits select the kind.
constexpr uint32_t SS_LEFT = 0x0;
constexpr uint32_t SS_BITMAP = 0xE;
constexpr uint32_t SS_ETCHEDHORZ = 0x10;
constexpr uint32_t SS_LEFTNOWORDWRAP = 0xC;
constexpr uint32_t SS_TYPEMASK = 0x1F;
constexpr uint32_t SS_NOPREFIX = 0x80;  // '&' is shown, not a mnemonic
constexpr uint32_t SS_NOTIFY = 0x100;   // takes mouse messages (for its tooltip)
constexpr uint32_t SS_REALSIZEIMAGE = 0x800;
constexpr uint32_t SS_CENTERIMAGE = 0x200;
// List box styles.
constexpr uint32_t LBS_NOTIFY = 0x1;
constexpr uint32_t LBS_NOINTEGRALHEIGHT = 0x100;
// Progress bar styles.
constexpr uint32_t PBS_SMOOTH = 0x1;

constexpr uint8_t DEFAULT_CHARSET = 1;

enum class ControlClass { Button, Static, ListBox, Progress };

struct DialogControlTemplate {
    int id;  // -1 for a control that is never addressed
    ControlClass controlClass;
    std::u16string_view text;
    int x, y, cx, cy;  // dialog units
    uint32_t style;
    uint32_t exStyle;
    int imageId;  // bitmap shown by an SS_BITMAP static, else 0
};

struct DialogTemplate {
    int id;
    uint32_t style;
    uint32_t exStyle;
    int x, y, cx, cy;  // dialog units; a position of (0, 0) opens the window centred
    std::u16string_view title;
    int pointSize;
    int weight;
    bool italic;
    uint8_t charset;
    std::u16string_view fontFace;
    std::span<const DialogControlTemplate> controls;  // template order, which is tab order
};

// The program's dialog template `id`, or null. Defined with the program's resources.
const DialogTemplate* FindDialogTemplate(int id);

// The bytes of bitmap `id` (a Windows BMP file), or an empty span. Defined with the program's
// resources.
std::span<const unsigned char> FindBitmapResource(int id);
