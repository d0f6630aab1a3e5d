// The internet session over WinInet: the session keeps the options; each file opens its own
// WinInet connection (see http_file.cpp).
#include "platform/net/internet_session.h"

#include <cstdlib>

#include "platform/net/http_file.h"
#include "platform/net/internet_error_text.h"
#include "platform/net/stdio_file.h"
#include "platform/net/url_parts.h"
#include "platform/net/wininet/session_state.h"
#include "platform/path.h"

InternetOptions InternetOptions::FromEnvironment() {
    InternetOptions options;
    if (const char* caFile = std::getenv("UPDATE_CA_FILE"); caFile != nullptr) {
        options.strCaFile = caFile;
    }
    return options;
}

CString DefaultUserAgent() {
    CString path;
    const size_t length = GetModuleFileNameW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return CString();
    CString name = path.substr(path.rfind(kPathSeparator) + 1);
    if (const size_t dot = name.rfind(u'.'); dot != CString::npos && dot > 0) {
        name.resize(dot);
    }
    return name;
}

CInternetSession::CInternetSession() : CInternetSession(InternetOptions::FromEnvironment()) {}

CInternetSession::CInternetSession(InternetOptions options)
    : m_state(std::make_shared<SessionState>()) {
    if (options.strUserAgent.empty())
        options.strUserAgent = DefaultUserAgent();
    m_state->options = std::move(options);
}

CInternetSession::~CInternetSession() = default;

void CInternetSession::SetAbortCheck(std::function<bool()> check) {
    m_state->abortCheck = std::move(check);
}

std::unique_ptr<CRemoteFile> CInternetSession::OpenURL(const CString& url) {
    if (m_state->closed) {
        throw CInternetException(INTERNET_ERROR_CLOSED,
                                 InternetFailureText(InternetFailure::Closed, {}));
    }
    const std::string utf8 = WideToUtf8(url);
    UrlParts parts;
    if (url.empty())
        throw CInternetException(INTERNET_ERROR_URL,
                                 InternetFailureText(InternetFailure::NoAddress, {}));
    if (!SplitUrl(utf8, parts))
        throw CInternetException(INTERNET_ERROR_URL,
                                 InternetFailureText(InternetFailure::BadAddress, {}));
    if (parts.scheme == "file")
        return std::make_unique<CStdioFile>(url);
    if (parts.scheme == "http" || parts.scheme == "https") {
        return std::make_unique<CHttpFile>(m_state, url);
    }
    throw CInternetException(INTERNET_ERROR_URL,
                             InternetFailureText(InternetFailure::BadAddress, {}));
}

void CInternetSession::Close() {
    m_state->closed = true;
}
