#include "platform/net/internet_error_text.h"

namespace {

CString HostAndPort(const InternetFailureFacts& facts) {
    return facts.port.empty() ? facts.host : facts.host + u":" + facts.port;
}

}  // namespace

CString InternetFailureText(InternetFailure kind, const InternetFailureFacts& facts) {
    switch (kind) {
        case InternetFailure::Connect:
            return FormatText(u"Cannot connect to %s.", HostAndPort(facts));
        case InternetFailure::Resolve:
            return FormatText(u"The server %s is unknown.", facts.host);
        case InternetFailure::NoAnswer:
            return FormatText(u"No answer from %s for %d seconds.", facts.host, facts.seconds);
        case InternetFailure::ConnectionLost:
            return FormatText(u"The connection to %s was lost.", facts.host);
        case InternetFailure::EndedEarly:
            return FormatText(u"The download from %s ended early.", facts.host);
        case InternetFailure::Certificate:
            return FormatText(u"The certificate of %s is not trusted.", facts.host);
        case InternetFailure::Secure:
            return FormatText(u"No secure connection to %s.", facts.host);
        case InternetFailure::TooManyRedirects:
            return FormatText(u"More than %d redirects from %s.", facts.count, facts.host);
        case InternetFailure::UnsafeRedirect:
            return FormatText(u"%s redirected from https to http.", facts.host);
        case InternetFailure::OtherRedirect:
            return FormatText(u"%s redirected to an unusable address.", facts.host);
        case InternetFailure::NoAddress:
            return u"No download address is set.";
        case InternetFailure::BadAddress:
            return u"The download address is not valid.";
        case InternetFailure::Cancelled:
            return u"The download was cancelled.";
        case InternetFailure::Closed:
            return u"The download is closed.";
        case InternetFailure::Other:
            break;
    }
    return facts.detail;
}
