// What a session shares with the files it opened. Internal to platform/net.
#pragma once

#include <functional>
#include <string>

#include "platform/net/curl_handles.h"
#include "platform/net/internet_session.h"

struct SessionState {
    InternetOptions options;
    std::string userAgent;  // UTF-8
    std::function<bool()> abortCheck;
    // One multi handle per session, so that connections and TLS sessions are reused from
    // pack to pack.
    CurlMultiPtr multi;
    bool closed = false;

    bool ShouldAbort() const { return abortCheck && abortCheck(); }
};
