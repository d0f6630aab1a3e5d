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
    // One multi handle per session drives the transfers of all its files; its DNS cache
    // serves every pack. Connections are not reused (see CURLOPT_FORBID_REUSE).
    CurlMultiPtr multi;
    bool closed = false;

    bool ShouldAbort() const { return abortCheck && abortCheck(); }
};
