// Reading an HTTP response's status and judging its redirects. Internal to platform/net.
#pragma once

#include <string>
#include <string_view>

#include "platform/net/internet_error_text.h"
#include "platform/text.h"

// The reason phrase of a status line ("HTTP/1.1 404 Not Found" gives "Not Found"), limited
// to printable ASCII and 80 characters; empty when the line has none (as in HTTP/2).
std::string ReasonPhrase(std::string_view statusLine);

// "HTTP error 404 (Not Found)": the status with the server's reason phrase, else the standard
// phrase of the status, else no phrase at all ("HTTP error 599").
CString HttpErrorText(long status, std::string_view reason);

// Whether a redirect from a URL of scheme `fromScheme` to `target` may be followed: only to
// http or https, and never from https to http. When not, `why` is the kind of refusal.
bool RedirectAllowed(std::string_view fromScheme, std::string_view target, InternetFailure& why);
