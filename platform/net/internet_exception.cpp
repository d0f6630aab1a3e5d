#include "platform/net/internet_exception.h"

namespace {

CString OneLine(std::u16string_view text) {
    CString line(text);
    for (char16_t& c : line) {
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
    }
    while (!line.empty() && line.back() == u' ') line.pop_back();
    if (line.size() > kMaxInternetErrorText) {
        size_t cut = kMaxInternetErrorText;
        // Never leave the high half of a surrogate pair at the end.
        if (line[cut - 1] >= 0xD800 && line[cut - 1] <= 0xDBFF)
            --cut;
        line.resize(cut);
    }
    return line;
}

}  // namespace

CInternetException::CInternetException(InternetErrorCode code, std::u16string_view text)
    : m_dwError(code), m_strMessage(OneLine(text)), m_strUtf8(WideToUtf8(m_strMessage)) {}
