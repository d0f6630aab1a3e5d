// The internet session over WinInet: the session keeps the options; each file opens its own
// WinInet connection (see http_file.cpp).
#include "platform/net/internet_session.h"

#include "platform/net/wininet/session_state.h"

CInternetSession::CInternetSession(InternetOptions options)
    : m_state(std::make_shared<SessionState>()) {
    if (options.strUserAgent.empty())
        options.strUserAgent = DefaultUserAgent();
    m_state->options = std::move(options);
}
