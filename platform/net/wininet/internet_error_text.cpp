#include "platform/net/wininet/internet_handle.h"

#include "platform/text.h"

namespace {

// What the WinInet errors a download meets mean to a person.
const char16_t* Meaning(DWORD error) {
    switch (error) {
        case ERROR_INTERNET_TIMEOUT:
            return u"The server did not answer in time:";
        case ERROR_INTERNET_NAME_NOT_RESOLVED:
            return u"Cannot resolve host name";
        case ERROR_INTERNET_CANNOT_CONNECT:
            return u"Cannot connect to";
        case ERROR_INTERNET_CONNECTION_ABORTED:
        case ERROR_INTERNET_CONNECTION_RESET:
            return u"The connection was lost to";
        case ERROR_INTERNET_INVALID_CA:
        case ERROR_INTERNET_SEC_CERT_CN_INVALID:
        case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
        case ERROR_INTERNET_SEC_CERT_REVOKED:
        case ERROR_INTERNET_SEC_CERT_ERRORS:
        case ERROR_INTERNET_SEC_INVALID_CERT:
            return u"The server's certificate is not trusted:";
        case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
            return u"The secure connection failed to";
        case ERROR_INTERNET_INVALID_URL:
        case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
            return u"The URL is not valid for";
        default:
            return u"The transfer failed from";
    }
}

}  // namespace

std::u16string InternetErrorText(DWORD error, const std::string& host) {
    return FormatText(u"%s %s (error %d)", Meaning(error), Utf8ToWide(host),
                      static_cast<long long>(error));
}
