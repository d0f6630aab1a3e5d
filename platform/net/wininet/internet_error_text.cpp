#include "platform/net/wininet/internet_handle.h"

InternetFailure InternetFailureOf(DWORD error) {
    switch (error) {
        case ERROR_INTERNET_TIMEOUT:
            return InternetFailure::NoAnswer;
        case ERROR_INTERNET_NAME_NOT_RESOLVED:
            return InternetFailure::Resolve;
        case ERROR_INTERNET_CANNOT_CONNECT:
            return InternetFailure::Connect;
        case ERROR_INTERNET_CONNECTION_ABORTED:
        case ERROR_INTERNET_CONNECTION_RESET:
        case ERROR_HTTP_INVALID_SERVER_RESPONSE:
        // Wine's WinInet passes the socket's own error on for a reset during a body.
        case WSAECONNRESET:
        case WSAECONNABORTED:
            return InternetFailure::ConnectionLost;
        case ERROR_INTERNET_INVALID_CA:
        case ERROR_INTERNET_SEC_CERT_CN_INVALID:
        case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
        case ERROR_INTERNET_SEC_CERT_REVOKED:
        case ERROR_INTERNET_SEC_CERT_ERRORS:
        case ERROR_INTERNET_SEC_INVALID_CERT:
            return InternetFailure::Certificate;
        case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
            return InternetFailure::Secure;
        case ERROR_INTERNET_INVALID_URL:
        case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
            return InternetFailure::BadAddress;
        case ERROR_INTERNET_OPERATION_CANCELLED:
            return InternetFailure::Cancelled;
        default:
            return InternetFailure::Other;
    }
}

CInternetException WinInetFailure(DWORD error, InternetFailureFacts facts) {
    const InternetFailure kind = InternetFailureOf(error);
    InternetErrorCode code = INTERNET_ERROR_TRANSFER;
    if (kind == InternetFailure::NoAnswer)
        code = INTERNET_ERROR_TIMEOUT;
    else if (kind == InternetFailure::Cancelled)
        code = INTERNET_ERROR_CANCELLED;
    else if (kind == InternetFailure::Other)
        facts.detail = FormatText(u"The download from %s failed (error %d).", facts.host,
                                  static_cast<long long>(error));
    return CInternetException(code, InternetFailureText(kind, facts));
}
