#include "platform/net/http_file.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>

#include "platform/net/curl_handles.h"
#include "platform/net/http_response.h"
#include "platform/net/internet_error_text.h"
#include "platform/net/internet_exception.h"
#include "platform/net/session_state.h"
#include "platform/net/url_parts.h"

namespace {

constexpr int kMaxRedirects = 10;
// The body waits for the caller in a buffer of this size at most: when it is full, libcurl
// pauses the transfer, so memory does not grow with the body. Small enough to stay in the
// processor's cache with libcurl's receive buffer, which measured faster than 1 MiB.
constexpr size_t kBodyBuffer = 256 * 1024;
// libcurl's receive buffer: one socket read fills at most this much.
constexpr long kReceiveBuffer = 64 * 1024;
// How often a waiting call looks at the abort check and the idle timer.
constexpr int kPollMilliseconds = 100;

using Clock = std::chrono::steady_clock;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    }
    return true;
}

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// `location` resolved against `base`, as a browser does; empty when it is no valid URL.
std::string ResolveLocation(const std::string& base, const std::string& location) {
    CurlUrlPtr url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_URL, location.c_str(), CURLU_NON_SUPPORT_SCHEME) !=
            CURLUE_OK) {
        return std::string();
    }
    char* resolved = nullptr;
    if (curl_url_get(url.get(), CURLUPART_URL, &resolved, 0) != CURLUE_OK)
        return std::string();
    std::string result(resolved);
    curl_free(resolved);
    return result;
}

}  // namespace

// One GET on the session's multi handle. libcurl's callbacks fill the body buffer; Read
// drives the multi handle only when the buffer is empty.
class CHttpFile::Transfer {
public:
    explicit Transfer(std::shared_ptr<SessionState> session);
    ~Transfer() { Detach(); }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    void Open(std::string url);
    size_t Read(void* buffer, size_t count);
    void Close();

    int64_t m_announced = kUnknownLength;
    int64_t m_delivered = 0;
    long m_status = 0;
    bool m_closed = false;

private:
    template <typename T>
    void SetOption(CURLoption option, T value);
    void Configure();
    void Attach(const std::string& url);
    void Detach();
    template <typename Ready>
    void Pump(Ready ready);
    void CollectFinished();
    size_t Finish();
    [[noreturn]] void ThrowFailure();
    [[noreturn]] void ThrowNow(InternetErrorCode code, std::u16string_view text);
    [[noreturn]] void ThrowNow(InternetErrorCode code, InternetFailure kind,
                               const InternetFailureFacts& facts);
    [[noreturn]] void ThrowNow(InternetErrorCode code, InternetFailure kind) {
        ThrowNow(code, kind, Facts());
    }
    InternetFailureFacts Facts() const;
    CString CurlErrorText() const;

    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static size_t OnBody(char* data, size_t size, size_t count, void* self);
    static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    std::shared_ptr<SessionState> m_session;
    CurlEasyPtr m_easy;
    CurlSlistPtr m_requestHeaders;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    std::string m_urlText;  // the request under way, after redirects
    UrlParts m_url;         // its pieces

    // State of the response under way; reset for each redirect.
    bool m_attached = false;
    bool m_headersDone = false;
    bool m_done = false;
    bool m_paused = false;
    bool m_gotBytes = false;
    CURLcode m_result = CURLE_OK;
    std::string m_statusLine;
    std::string m_location;  // the Location header, as sent
    std::string m_redirect;  // the redirect target, resolved
    std::optional<CInternetException> m_refusal;

    std::unique_ptr<char[]> m_buffer;
    size_t m_readPos = 0;
    size_t m_writePos = 0;
};

CHttpFile::Transfer::Transfer(std::shared_ptr<SessionState> session)
    : m_session(std::move(session)), m_easy(curl_easy_init()), m_buffer(new char[kBodyBuffer]) {
    if (!m_easy)
        ThrowNow(INTERNET_ERROR_TRANSFER, u"The internet library cannot start");
    Configure();
}

template <typename T>
void CHttpFile::Transfer::SetOption(CURLoption option, T value) {
    const CURLcode code = curl_easy_setopt(m_easy.get(), option, value);
    if (code != CURLE_OK) {
        ThrowNow(INTERNET_ERROR_TRANSFER, Utf8ToWide(curl_easy_strerror(code)));
    }
}

void CHttpFile::Transfer::Configure() {
    const InternetOptions& options = m_session->options;
    SetOption(CURLOPT_PRIVATE, static_cast<void*>(this));
    SetOption(CURLOPT_ERRORBUFFER, m_errorBuffer);
    SetOption(CURLOPT_NOSIGNAL, 1L);
    SetOption(CURLOPT_HTTPGET, 1L);
    SetOption(CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirects are followed here, one request per hop, so that each target is checked
    // before anything is sent to it.
    SetOption(CURLOPT_FOLLOWLOCATION, 0L);
    // Each request gets a connection of its own: a server that sent more than it announced
    // cannot then spoil the next pack's answer.
    SetOption(CURLOPT_FORBID_REUSE, 1L);
    SetOption(CURLOPT_USERAGENT, m_session->userAgent.c_str());
    // Neither a proxy nor any other cache may answer in place of the server.
    curl_slist* list = curl_slist_append(nullptr, "Cache-Control: no-cache");
    m_requestHeaders.reset(list);
    if (list == nullptr || curl_slist_append(list, "Pragma: no-cache") == nullptr) {
        ThrowNow(INTERNET_ERROR_TRANSFER, u"Out of memory");
    }
    SetOption(CURLOPT_HTTPHEADER, m_requestHeaders.get());
    SetOption(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeout.count() * 1000));
    SetOption(CURLOPT_BUFFERSIZE, kReceiveBuffer);
    SetOption(CURLOPT_SSL_VERIFYPEER, 1L);
    SetOption(CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options.strCaFile.empty())
        SetOption(CURLOPT_CAINFO, options.strCaFile.c_str());
    SetOption(CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
    SetOption(CURLOPT_HEADERDATA, static_cast<void*>(this));
    SetOption(CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
    SetOption(CURLOPT_WRITEDATA, static_cast<void*>(this));
    SetOption(CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
    SetOption(CURLOPT_XFERINFODATA, static_cast<void*>(this));
    SetOption(CURLOPT_NOPROGRESS, 0L);
}

void CHttpFile::Transfer::Attach(const std::string& url) {
    m_headersDone = m_done = m_paused = m_gotBytes = false;
    m_result = CURLE_OK;
    m_statusLine.clear();
    m_location.clear();
    m_redirect.clear();
    m_refusal.reset();
    m_errorBuffer[0] = '\0';
    m_readPos = m_writePos = 0;
    m_urlText = url;
    if (!SplitUrl(url, m_url))
        m_url = UrlParts();
    SetOption(CURLOPT_URL, url.c_str());
    const CURLMcode code = curl_multi_add_handle(m_session->multi.get(), m_easy.get());
    if (code != CURLM_OK)
        ThrowNow(INTERNET_ERROR_TRANSFER, Utf8ToWide(curl_multi_strerror(code)));
    m_attached = true;
}

void CHttpFile::Transfer::Detach() {
    if (!m_attached)
        return;
    curl_multi_remove_handle(m_session->multi.get(), m_easy.get());
    m_attached = false;
}

void CHttpFile::Transfer::Open(std::string url) {
    for (int redirects = 0;; ++redirects) {
        Attach(url);
        Pump([this] { return m_headersDone; });
        if (m_redirect.empty() || m_refusal)
            break;
        if (redirects == kMaxRedirects) {
            InternetFailureFacts facts = Facts();
            facts.count = kMaxRedirects;
            ThrowNow(INTERNET_ERROR_REDIRECT, InternetFailure::TooManyRedirects, facts);
        }
        InternetFailure why = InternetFailure::OtherRedirect;
        if (!RedirectAllowed(m_url.scheme, m_redirect, why))
            ThrowNow(INTERNET_ERROR_REDIRECT, why);
        url = m_redirect;
        Detach();
    }
    if (!m_headersDone || m_refusal || (m_done && m_result != CURLE_OK))
        ThrowFailure();
    curl_off_t length = -1;
    if (curl_easy_getinfo(m_easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
        length >= 0) {
        m_announced = length;
    }
}

size_t CHttpFile::Transfer::Read(void* buffer, size_t count) {
    if (m_closed)
        ThrowNow(INTERNET_ERROR_CLOSED, u"The download is closed");
    if (count == 0)
        return 0;
    while (m_readPos == m_writePos) {
        m_readPos = m_writePos = 0;
        if (m_paused) {
            // The buffer is empty: let libcurl hand over what it held back, then go on.
            m_paused = false;
            const CURLcode code = curl_easy_pause(m_easy.get(), CURLPAUSE_CONT);
            if (code != CURLE_OK)
                ThrowNow(INTERNET_ERROR_TRANSFER, CurlErrorText());
            continue;
        }
        if (m_done)
            return Finish();
        Pump([this] { return m_readPos != m_writePos; });
    }
    const size_t n = std::min(count, m_writePos - m_readPos);
    std::memcpy(buffer, m_buffer.get() + m_readPos, n);
    m_readPos += n;
    m_delivered += static_cast<int64_t>(n);
    return n;
}

void CHttpFile::Transfer::Close() {
    Detach();
    m_closed = true;
    m_buffer.reset();
}

// Drives the session's transfers until `ready()` holds or this transfer has finished.
template <typename Ready>
void CHttpFile::Transfer::Pump(Ready ready) {
    CURLM* multi = m_session->multi.get();
    Clock::time_point lastByte = Clock::now();
    for (;;) {
        if (m_session->ShouldAbort())
            ThrowNow(INTERNET_ERROR_CANCELLED, InternetFailure::Cancelled);
        int running = 0;
        CURLMcode code = curl_multi_perform(multi, &running);
        if (code != CURLM_OK)
            ThrowNow(INTERNET_ERROR_TRANSFER, Utf8ToWide(curl_multi_strerror(code)));
        CollectFinished();
        if (ready() || m_done)
            return;
        const Clock::time_point now = Clock::now();
        if (m_gotBytes) {
            m_gotBytes = false;
            lastByte = now;
        } else if (now - lastByte >= m_session->options.idleTimeout) {
            InternetFailureFacts facts = Facts();
            facts.seconds = m_session->options.idleTimeout.count();
            ThrowNow(INTERNET_ERROR_TIMEOUT, InternetFailure::NoAnswer, facts);
        }
        code = curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr);
        if (code != CURLM_OK)
            ThrowNow(INTERNET_ERROR_TRANSFER, Utf8ToWide(curl_multi_strerror(code)));
    }
}

// The multi handle is the session's: a finished message may belong to another file.
void CHttpFile::Transfer::CollectFinished() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_session->multi.get(), &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        void* owner = nullptr;
        if (curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner) != CURLE_OK ||
            owner == nullptr) {
            continue;
        }
        Transfer* transfer = static_cast<Transfer*>(owner);
        transfer->m_done = true;
        transfer->m_result = message->data.result;
    }
}

// The body has been handed over completely, or the transfer failed.
size_t CHttpFile::Transfer::Finish() {
    if (m_result != CURLE_OK)
        ThrowFailure();
    if (m_announced != kUnknownLength && m_delivered < m_announced) {
        ThrowNow(INTERNET_ERROR_TRANSFER, InternetFailure::EndedEarly);
    }
    return 0;
}

void CHttpFile::Transfer::ThrowFailure() {
    Detach();
    if (m_refusal)
        throw *m_refusal;
    InternetFailureFacts facts = Facts();
    switch (m_result) {
        case CURLE_ABORTED_BY_CALLBACK:
            throw CInternetException(INTERNET_ERROR_CANCELLED,
                                     InternetFailureText(InternetFailure::Cancelled, facts));
        case CURLE_OPERATION_TIMEDOUT:
            // Only the connection has a curl time-out; the idle time-out is ours.
            facts.seconds = m_session->options.connectTimeout.count();
            throw CInternetException(INTERNET_ERROR_TIMEOUT,
                                     InternetFailureText(InternetFailure::NoAnswer, facts));
        default:
            break;
    }
    InternetFailure kind = InternetFailure::Other;
    switch (m_result) {
        case CURLE_COULDNT_CONNECT:
            kind = InternetFailure::Connect;
            break;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            kind = InternetFailure::Resolve;
            break;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
            kind = InternetFailure::Certificate;
            break;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_USE_SSL_FAILED:
            kind = InternetFailure::Secure;
            break;
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
        case CURLE_WEIRD_SERVER_REPLY:
            kind = InternetFailure::ConnectionLost;
            break;
        case CURLE_URL_MALFORMAT:
        case CURLE_UNSUPPORTED_PROTOCOL:
            kind = InternetFailure::BadAddress;
            break;
        default:
            facts.detail = CurlErrorText();
            break;
    }
    throw CInternetException(INTERNET_ERROR_TRANSFER, InternetFailureText(kind, facts));
}

void CHttpFile::Transfer::ThrowNow(InternetErrorCode code, std::u16string_view text) {
    Detach();
    throw CInternetException(code, text);
}

void CHttpFile::Transfer::ThrowNow(InternetErrorCode code, InternetFailure kind,
                                   const InternetFailureFacts& facts) {
    ThrowNow(code, InternetFailureText(kind, facts));
}

InternetFailureFacts CHttpFile::Transfer::Facts() const {
    InternetFailureFacts facts;
    facts.host = Utf8ToWide(m_url.host);
    facts.port = Utf8ToWide(m_url.port);
    return facts;
}

// curl's own description, with the host added where the description does not name it.
CString CHttpFile::Transfer::CurlErrorText() const {
    std::string text = m_errorBuffer[0] != '\0' ? m_errorBuffer : curl_easy_strerror(m_result);
    if (!m_url.host.empty() && text.find(m_url.host) == std::string::npos) {
        text += " (" + m_url.host + ")";
    }
    return Utf8ToWide(text);
}

size_t CHttpFile::Transfer::OnHeader(char* data, size_t size, size_t count, void* user) {
    Transfer* self = static_cast<Transfer*>(user);
    const size_t n = size * count;
    const std::string_view line(data, n);
    self->m_gotBytes = true;
    if (line.starts_with("HTTP/")) {
        self->m_statusLine = std::string(line);
        self->m_location.clear();
        return n;
    }
    if (StartsWithNoCase(line, "location:")) {
        self->m_location = std::string(Trimmed(line.substr(9)));
        return n;
    }
    if (line != "\r\n" && line != "\n")
        return n;

    // The blank line ends a response's headers.
    long status = 0;
    curl_easy_getinfo(self->m_easy.get(), CURLINFO_RESPONSE_CODE, &status);
    if (status < 200)
        return n;  // an interim answer; the final one follows
    self->m_status = status;
    self->m_headersDone = true;
    if (status < 300)
        return n;
    if (status < 400 && !self->m_location.empty()) {
        self->m_redirect = ResolveLocation(self->m_urlText, self->m_location);
        if (self->m_redirect.empty()) {
            self->m_refusal.emplace(
                INTERNET_ERROR_REDIRECT,
                InternetFailureText(InternetFailure::OtherRedirect, self->Facts()));
        }
        return 0;  // ends this response; Open decides whether to follow
    }
    // An error status, or a 3xx that names no target: no byte of its body is kept.
    self->m_refusal.emplace(INTERNET_ERROR_HTTP_STATUS,
                            HttpErrorText(status, ReasonPhrase(self->m_statusLine)));
    return 0;
}

size_t CHttpFile::Transfer::OnBody(char* data, size_t size, size_t count, void* user) {
    Transfer* self = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (kBodyBuffer - self->m_writePos < n && self->m_readPos > 0) {
        std::memmove(self->m_buffer.get(), self->m_buffer.get() + self->m_readPos,
                     self->m_writePos - self->m_readPos);
        self->m_writePos -= self->m_readPos;
        self->m_readPos = 0;
    }
    if (kBodyBuffer - self->m_writePos < n) {
        self->m_paused = true;
        return CURL_WRITEFUNC_PAUSE;  // libcurl keeps the block and offers it again later
    }
    std::memcpy(self->m_buffer.get() + self->m_writePos, data, n);
    self->m_writePos += n;
    self->m_gotBytes = true;
    return n;
}

int CHttpFile::Transfer::OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(user)->m_session->ShouldAbort() ? 1 : 0;
}

CHttpFile::CHttpFile(std::shared_ptr<SessionState> session, const CString& url)
    : m_transfer(std::make_unique<Transfer>(std::move(session))) {
    m_strFileName = RemoteFileName(url);
    m_transfer->Open(WideToUtf8(url));
}

CHttpFile::~CHttpFile() = default;

size_t CHttpFile::Read(void* buffer, size_t count) {
    return m_transfer->Read(buffer, count);
}

int64_t CHttpFile::Seek(int64_t offset, SeekPosition from) {
    if (offset != 0) {
        throw CInternetException(INTERNET_ERROR_TRANSFER,
                                 u"Seeking is not supported on a download");
    }
    switch (from) {
        case begin:
            return 0;
        case current:
            return m_transfer->m_delivered;
        case end:
            return m_transfer->m_announced;
    }
    return 0;
}

void CHttpFile::Close() {
    m_transfer->Close();
}

long CHttpFile::GetStatusCode() const {
    return m_transfer->m_status;
}
