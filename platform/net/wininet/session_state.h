// What a WinInet session shares with the files it opened. Internal to platform/net/wininet.
#pragma once

#include <functional>

#include "platform/net/internet_session.h"

struct SessionState {
    InternetOptions options;
    std::function<bool()> abortCheck;
    bool closed = false;

    bool ShouldAbort() const { return abortCheck && abortCheck(); }
};
