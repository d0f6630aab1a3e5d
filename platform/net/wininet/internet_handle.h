// Ownership of WinInet handles, and the text of a WinInet failure. Internal to
// platform/net/wininet; includes <windows.h> and <wininet.h>, so our file headers stay out.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <wininet.h>

#include <memory>
#include <string>

struct InternetHandleCloser {
    void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

// A one-line text for WinInet's error `error` about `host`, such as
// "Cannot connect to 127.0.0.1 (error 12029)".
std::u16string InternetErrorText(DWORD error, const std::string& host);
