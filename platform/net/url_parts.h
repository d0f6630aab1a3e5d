// Splitting a URL into the pieces the internet layer needs. Internal to platform/net.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

struct UrlParts {
    std::string scheme;  // lower case, without "://"
    std::string host;    // without user information and port; empty for most file URLs
    std::string port;    // as written after the host; empty when the URL names none
    std::string path;    // from the first '/' behind the host, without query and fragment
};

// Splits `url` ("scheme://authority/path?query#fragment"). Returns false when it has no
// "scheme://" prefix with a scheme of letters, digits, '+', '-' or '.'.
bool SplitUrl(std::string_view url, UrlParts& parts);

// The local file name of `url`: the text after the last '/', '\' or ':' of its path part
// (behind the host name, up to a query or fragment), cut to 255 units. Percent escapes stay
// as they are, so the name is the one configured.
CString RemoteFileName(std::u16string_view url);

// The file system path that a file URL names: "file:///dir/name" or
// "file://localhost/dir/name", percent escapes decoded. Returns false for another host, an
// empty path, a bad escape or an escaped NUL.
bool FileUrlToPath(std::string_view url, std::string& path);
