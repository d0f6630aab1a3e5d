// The basic types and values of the window and thread calls, under their Win32 names.
#pragma once

#include <cstdint>

using BOOL = int;
// Macros, as the toolkits' own headers (GLib) define them the same way.
#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
using UINT = unsigned int;
using INT_PTR = std::intptr_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// Command identifiers of the standard push buttons, also dialog results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Show commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

// Message box types.
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_ICONWARNING = 0x30;
