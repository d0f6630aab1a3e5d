#include "platform/net/internet_session.h"

#include <cstdlib>

#include "platform/net/http_file.h"
#include "platform/net/internet_error_text.h"
#include "platform/net/session_state.h"
#include "platform/net/stdio_file.h"
#include "platform/net/url_parts.h"
#include "platform/path.h"

bool EnsureCurlInitialised() {
    static const bool ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ok;
}

CInternetSession::CInternetSession(InternetOptions options)
    : m_state(std::make_shared<SessionState>()) {
    if (!EnsureCurlInitialised()) {
        throw CInternetException(INTERNET_ERROR_TRANSFER, u"The internet library cannot start");
    }
    m_state->multi.reset(curl_multi_init());
    if (!m_state->multi) {
        throw CInternetException(INTERNET_ERROR_TRANSFER, u"The internet library cannot start");
    }
    if (options.strUserAgent.empty())
        options.strUserAgent = DefaultUserAgent();
    m_state->userAgent = WideToUtf8(options.strUserAgent);
    m_state->options = std::move(options);
}
