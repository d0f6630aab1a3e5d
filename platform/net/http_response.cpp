#include "platform/net/http_response.h"

#include "platform/net/url_parts.h"

namespace {

constexpr size_t kMaxReason = 80;

struct StandardPhrase {
    long status;
    const char* phrase;
};

constexpr StandardPhrase kStandardPhrases[] = {
    {300, "Multiple Choices"},
    {301, "Moved Permanently"},
    {302, "Found"},
    {303, "See Other"},
    {304, "Not Modified"},
    {307, "Temporary Redirect"},
    {308, "Permanent Redirect"},
    {400, "Bad Request"},
    {401, "Unauthorized"},
    {403, "Forbidden"},
    {404, "Not Found"},
    {405, "Method Not Allowed"},
    {407, "Proxy Authentication Required"},
    {408, "Request Timeout"},
    {410, "Gone"},
    {429, "Too Many Requests"},
    {500, "Internal Server Error"},
    {501, "Not Implemented"},
    {502, "Bad Gateway"},
    {503, "Service Unavailable"},
    {504, "Gateway Timeout"},
};

}  // namespace

std::string ReasonPhrase(std::string_view statusLine) {
    // "HTTP/1.1 404 Not Found\r\n": the phrase follows the second space.
    const size_t first = statusLine.find(' ');
    if (first == std::string_view::npos)
        return std::string();
    const size_t second = statusLine.find(' ', first + 1);
    if (second == std::string_view::npos)
        return std::string();
    std::string phrase;
    for (char c : statusLine.substr(second + 1)) {
        if (c == '\r' || c == '\n')
            break;
        if (c < 0x20 || c > 0x7e)
            continue;
        if (phrase.size() == kMaxReason)
            break;
        phrase += c;
    }
    while (!phrase.empty() && phrase.back() == ' ') phrase.pop_back();
    return phrase;
}

CString HttpErrorText(long status, std::string_view reason) {
    std::string phrase(reason);
    if (phrase.empty()) {
        for (const StandardPhrase& entry : kStandardPhrases) {
            if (entry.status == status)
                phrase = entry.phrase;
        }
    }
    CString text = FormatText(u"HTTP error %d", status);
    if (!phrase.empty())
        text += u" (" + Utf8ToWide(phrase) + u")";
    return text;
}

bool RedirectAllowed(std::string_view fromScheme, std::string_view target, InternetFailure& why) {
    UrlParts parts;
    if (!SplitUrl(target, parts) || (parts.scheme != "http" && parts.scheme != "https")) {
        why = InternetFailure::OtherRedirect;
        return false;
    }
    if (fromScheme == "https" && parts.scheme == "http") {
        why = InternetFailure::UnsafeRedirect;
        return false;
    }
    return true;
}
