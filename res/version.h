// The program's version block: the numbers and texts that identify this build of Update.
// Plain macros, so that string literals join at compile time (version_stamp.cpp) and so that
// res/CMakeLists.txt can read them to configure the desktop entry: keep one
// `#define NAME value` per line.
#pragma once

// File and product version, as numbers.
#define UPDATE_VERSION_MAJOR 1
#define UPDATE_VERSION_MINOR 2
#define UPDATE_VERSION_PATCH 1
#define UPDATE_VERSION_BUILD 20

// The same version as text: dotted, and in the comma form of the version block's
// FileVersion and ProductVersion strings.
#define UPDATE_FILE_VERSION "1.2.1.20"
#define UPDATE_FILE_VERSION_TEXT "1, 2, 1, 20"
#define UPDATE_PRODUCT_VERSION "1.2.1.20"
#define UPDATE_PRODUCT_VERSION_TEXT "1, 2, 1, 20"

// String table entries (the other string fields of the block are empty).
#define UPDATE_ORIGINAL_FILENAME "Update.EXE"
#define UPDATE_PRODUCT_NAME "Update"
#define UPDATE_FILE_DESCRIPTION "Update"
#define UPDATE_INTERNAL_NAME "Update"

// The string table's language and code page: US English, UTF-16.
#define UPDATE_VERSION_TRANSLATION "040904b0"
