// <windows.h> for the Windows back end's files that also include our headers. Our file.h,
// file_time.h and sync.h give five of its names other types (CloseHandle, GetFileType,
// FILETIME, SYSTEMTIME, FlushFileBuffers); its declarations of those are renamed while it is
// read, so that both fit in one file. The real CloseHandle, GetFileType and FlushFileBuffers
// are called through kernel_handle.h.
// Include it after our headers: its constants are macros, ours are declarations of the same
// names.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#define CloseHandle Kernel32CloseHandle
#define GetFileType Kernel32GetFileType
#define FlushFileBuffers Kernel32FlushFileBuffers
#define FILETIME KERNEL32_FILETIME
#define SYSTEMTIME KERNEL32_SYSTEMTIME
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#undef CloseHandle
#undef GetFileType
#undef FlushFileBuffers
#undef FILETIME
#undef SYSTEMTIME

#include <string>

// Our UTF-16 text as the system's wide strings: both are UTF-16 units on Windows.
inline const wchar_t* WidePath(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline std::u16string FromWide(const wchar_t* text, size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}
