// The texts the user reads when a download fails, one line each, short enough for the
// dialog's status line. Every internet back end maps its own failures to a kind and the
// facts below, so that the same failure reads the same on every system.
#pragma once

#include <cstdint>

#include "platform/text.h"

enum class InternetFailure {
    Connect,           // the server refused or could not be reached
    Resolve,           // the host name is unknown
    NoAnswer,          // nothing arrived for `seconds`
    ConnectionLost,    // the connection broke while the answer came
    EndedEarly,        // the body ended before the announced length
    Certificate,       // the server's certificate is not trusted
    Secure,            // any other failure of the secure connection
    TooManyRedirects,  // more than `count` redirects
    UnsafeRedirect,    // a redirect from https to http
    OtherRedirect,     // a redirect to another scheme or to no valid address
    NoAddress,         // the pack has no URL
    BadAddress,        // the URL is not one the session can fetch
    Cancelled,         // the session's abort check asked to stop
    Closed,            // the session or the file was already closed
    Other,             // anything else: `detail` says what
};

struct InternetFailureFacts {
    CString host;  // the server, as the URL names it
    CString port;  // as the URL writes it; empty when it names none
    int64_t seconds = 0;
    int64_t count = 0;
    CString detail;  // the back end's own description, for Other
};

// "Cannot connect to example.org:8080.", "No answer from example.org for 60 seconds.", ...
CString InternetFailureText(InternetFailure kind, const InternetFailureFacts& facts);
