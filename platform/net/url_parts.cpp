#include "platform/net/url_parts.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr size_t kMaxFileName = 255;

bool IsSchemeChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The authority ends at the first '/', '?' or '#'; a backslash is taken as a path separator
// too, as browsers do, so it cannot hide a path inside the host.
size_t AuthorityEnd(std::u16string_view rest) {
    const size_t end = rest.find_first_of(u"/\\?#");
    return end == std::u16string_view::npos ? rest.size() : end;
}

}  // namespace

bool SplitUrl(std::string_view url, UrlParts& parts) {
    const size_t colon = url.find("://");
    if (colon == std::string_view::npos || colon == 0)
        return false;
    if (!std::isalpha(static_cast<unsigned char>(url[0])))
        return false;
    parts.scheme.clear();
    for (char c : url.substr(0, colon)) {
        if (!IsSchemeChar(c))
            return false;
        parts.scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const std::string_view rest = url.substr(colon + 3);
    const size_t authorityEnd = std::min(rest.find_first_of("/\\?#"), rest.size());
    std::string_view authority = rest.substr(0, authorityEnd);
    if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    // The port follows the host's last ':' outside an IPv6 literal's brackets.
    std::string_view port;
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close != std::string_view::npos && close + 1 < authority.size() &&
            authority[close + 1] == ':') {
            port = authority.substr(close + 2);
        }
        authority =
            authority.substr(0, close == std::string_view::npos ? authority.size() : close + 1);
    } else if (const size_t colon = authority.find(':'); colon != std::string_view::npos) {
        port = authority.substr(colon + 1);
        authority = authority.substr(0, colon);
    }
    parts.host = std::string(authority);
    parts.port = std::string(port);
    std::string_view path = rest.substr(authorityEnd);
    path = path.substr(0, std::min(path.find_first_of("?#"), path.size()));
    parts.path = std::string(path);
    return true;
}

CString RemoteFileName(std::u16string_view url) {
    std::u16string_view path = url;
    if (const size_t colon = url.find(u"://"); colon != std::u16string_view::npos) {
        path = url.substr(colon + 3);
        path.remove_prefix(AuthorityEnd(path));
    }
    path = path.substr(0, std::min(path.find_first_of(u"?#"), path.size()));
    const size_t last = path.find_last_of(u"/\\:");
    CString name(last == std::u16string_view::npos ? path : path.substr(last + 1));
    if (name.size() > kMaxFileName) {
        size_t cut = kMaxFileName;
        if (name[cut - 1] >= 0xD800 && name[cut - 1] <= 0xDBFF)
            --cut;
        name.resize(cut);
    }
    return name;
}

bool FileUrlToPath(std::string_view url, std::string& path) {
    UrlParts parts;
    if (!SplitUrl(url, parts) || parts.scheme != "file")
        return false;
    if (!parts.host.empty() && parts.host != "localhost")
        return false;
    if (parts.path.empty() || parts.path.front() != '/')
        return false;
    path.clear();
    for (size_t i = 0; i < parts.path.size(); ++i) {
        const char c = parts.path[i];
        if (c != '%') {
            path += c;
            continue;
        }
        if (i + 2 >= parts.path.size())
            return false;
        const int high = HexValue(parts.path[i + 1]);
        const int low = HexValue(parts.path[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return false;
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}
