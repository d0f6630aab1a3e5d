// Resource and control identifiers.
#pragma once

#define IDR_MAINFRAME 128
#define IDD_UPDATE_DIALOG 102
#define IDB_BANNER 130

#define IDC_STATUS_TEXT 161
#define IDC_PROGRESS 162
#define IDC_PACK_LIST 163
#define IDC_BANNER 164
#define IDC_PERCENT_TEXT 165
#define IDC_WEBSITE_TEXT 1000
#define IDC_GREETING_TEXT 1001
