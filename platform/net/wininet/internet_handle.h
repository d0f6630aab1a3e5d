// Ownership of WinInet handles, and what a WinInet failure means. Internal to
// platform/net/wininet; includes <windows.h> and <wininet.h>, so our file headers stay out.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <wininet.h>

#include <memory>

#include "platform/net/internet_error_text.h"
#include "platform/net/internet_exception.h"

struct InternetHandleCloser {
    void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

// The kind of failure that WinInet's error `error` is; Other for one we do not know.
InternetFailure InternetFailureOf(DWORD error);

// The exception for WinInet's error `error` in a transfer with `facts` (its server, and the
// seconds of silence a time-out waited), with the same text as on every system.
CInternetException WinInetFailure(DWORD error, InternetFailureFacts facts);
