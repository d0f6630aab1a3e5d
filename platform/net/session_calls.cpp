// The parts of the internet session that are the same over every back end: the options from
// the environment, the user agent, and opening a URL as a file or an http(s) transfer. Each
// back end's internet_session.cpp makes the session itself.
#include <cstdlib>

#include "platform/net/http_file.h"
#include "platform/net/internet_error_text.h"
#include "platform/net/internet_session.h"
#include "platform/net/stdio_file.h"
#include "platform/net/url_parts.h"
#include "platform/path.h"
#ifdef _WIN32
#include "platform/net/wininet/session_state.h"
#else
#include "platform/net/session_state.h"
#endif

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
