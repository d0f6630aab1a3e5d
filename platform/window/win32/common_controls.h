// <commctrl.h> after windows_api.h: its month calendar and date picker use SYSTEMTIME, which
// windows_api.h renames (we use neither control).
#pragma once

#include "platform/win32/windows_api.h"

#define NOMONTHCAL
#define NODATETIMEPICK
#include <commctrl.h>
