// The internet session: one per run, opening one GET per URL over libcurl, or a local file
// for a file URL.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/net/internet_exception.h"
#include "platform/net/remote_file.h"
#include "platform/text.h"

struct InternetOptions {
    // Sent as User-Agent; empty means DefaultUserAgent().
    CString strUserAgent;
    // A PEM file of certificate authorities trusted in addition to the system's store; empty
    // for the system's store alone. Tests point it at their throw-away CA.
    std::string strCaFile;
    // A connection that is not made within this time fails.
    std::chrono::seconds connectTimeout{30};
    // A request or body that receives no byte for this long fails with INTERNET_ERROR_TIMEOUT.
    std::chrono::seconds idleTimeout{60};

    // The defaults above, with strCaFile taken from the environment variable UPDATE_CA_FILE
    // when it is set (so that tests of the worker can trust their test CA).
    static InternetOptions FromEnvironment();
};

// The executable's file name without directory and extension ("Update" for .../Update);
// empty when the executable's path cannot be found.
CString DefaultUserAgent();

struct SessionState;

// Proxies come from the environment as libcurl reads them (http_proxy, https_proxy, no_proxy,
// all_proxy). TLS certificates and host names are verified. Redirects are followed, at most
// 10, only to http or https and never from https to http. Nothing is served from a cache.
// A session and the files it opened are used from one thread.
class CInternetSession {
public:
    // Options from InternetOptions::FromEnvironment(). Throws CInternetException when libcurl
    // cannot be set up.
    CInternetSession();
    explicit CInternetSession(InternetOptions options);
    ~CInternetSession();
    CInternetSession(const CInternetSession&) = delete;
    CInternetSession& operator=(const CInternetSession&) = delete;

    // `check` is called while a request waits for the server and between received blocks
    // (at least every 100 ms); when it returns true the transfer stops and the waiting call
    // throws CInternetException with INTERNET_ERROR_CANCELLED. Applies to every file of the
    // session, also ones already open.
    void SetAbortCheck(std::function<bool()> check);

    // Opens `url`: for http and https one GET whose response headers have arrived, giving a
    // CHttpFile positioned at the first byte of the body; for a file URL a CStdioFile on the
    // named file. A status of 300 or above that is not a redirect to follow throws
    // (INTERNET_ERROR_HTTP_STATUS, text like "HTTP error 404 (Not Found)") before any byte of
    // its body is read. Throws CInternetException for every failure, also for a file URL.
    std::unique_ptr<CRemoteFile> OpenURL(const CString& url);

    // Ends the session: OpenURL throws afterwards. Files still open stay readable.
    void Close();

private:
    std::shared_ptr<SessionState> m_state;
};
