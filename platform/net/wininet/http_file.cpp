// The remote file of an http or https URL over WinInet: one GET on a connection of its own,
// redirects followed here, the body read with InternetReadFile.
#include "platform/net/http_file.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/http_response.h"
#include "platform/net/internet_error_text.h"
#include "platform/net/internet_exception.h"
#include "platform/net/url_parts.h"
#include "platform/net/wininet/internet_handle.h"
#include "platform/net/wininet/session_state.h"

namespace {

constexpr int kMaxRedirects = 10;
constexpr auto kAbortPoll = std::chrono::milliseconds(50);
// Most that one read asks of WinInet; 1 MiB keeps it at curl's speed.
constexpr size_t kReadBuffer = size_t{1} << 20;
// The first read's size, and the least: 16 KiB take 60 ms at 256 KiB/s.
constexpr DWORD kFirstReadSize = 16 * 1024;
// How long a read should take at most, so that progress moves as the bytes come.
constexpr auto kHandOverAfter = std::chrono::milliseconds(100);
// Never served from or stored in a cache; redirects are ours to judge; no cookies, no dialogs.
// Certificates are always verified: no INTERNET_FLAG_IGNORE_CERT_* flag is ever given.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// A text header of the response, or empty.
std::u16string QueryText(HINTERNET request, DWORD what) {
    std::u16string value(256, u'\0');
    for (;;) {
        DWORD bytes = static_cast<DWORD>(value.size() * sizeof(char16_t));
        DWORD index = 0;
        if (HttpQueryInfoW(request, what, value.data(), &bytes, &index)) {
            value.resize(bytes / sizeof(char16_t));
            return value;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || value.size() > (1u << 16))
            return std::u16string();
        value.resize(bytes / sizeof(char16_t) + 1);
    }
}

// `location` made absolute against `base`, or empty when it cannot be.
std::u16string ResolveLocation(const std::u16string& base, const std::u16string& location) {
    std::wstring resolved(2048, L'\0');
    DWORD length = static_cast<DWORD>(resolved.size());
    if (!InternetCombineUrlW(Wide(base), Wide(location), resolved.data(), &length, ICU_NO_ENCODE)) {
        return std::u16string();
    }
    return std::u16string(reinterpret_cast<const char16_t*>(resolved.data()), length);
}

}  // namespace

// Runs the blocking WinInet calls of one transfer on a thread of its own, so that the caller
// can stop waiting: WinInet (and Wine's) offers no way to interrupt a synchronous call, not
// even by closing its handle. A caller that gives up abandons the line; the call then ends by
// itself within WinInet's time-outs, and the line closes the handles and goes.
// What a call line owns, and what its calls give back. Jobs see only this, never their
// caller's stack, which is gone when the caller has given up.
struct CallState {
    HINTERNET root = nullptr;
    HINTERNET request = nullptr;
    std::vector<char> buffer;  // what the last read received
    DWORD readSize = 0;        // how much the next read asks for; set by the first
    DWORD got = 0;
    DWORD error = 0;
};

class CallLine {
public:
    CallLine() : m_state(std::make_shared<State>()) {
        std::thread([state = m_state] { Serve(*state); }).detach();
    }
    ~CallLine() {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->quit = true;
        m_state->wake.notify_all();
    }
    CallLine(const CallLine&) = delete;
    CallLine& operator=(const CallLine&) = delete;

    // The handles live in the line, so an abandoned call still finds them. Read only while
    // no job runs.
    CallState& Calls() { return m_state->calls; }

    enum class Outcome { Done, Stopped, Silent };

    // Runs `job` on the line and waits for it, asking `stop` every kAbortPoll, for at most
    // `limit`. Unless the job is Done, the line is abandoned and must not be used again.
    Outcome Run(std::function<void(CallState&)> job, const std::function<bool()>& stop,
                std::chrono::steady_clock::duration limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::unique_lock<std::mutex> lock(m_state->mutex);
        m_state->job = std::move(job);
        m_state->done = false;
        m_state->wake.notify_all();
        while (!m_state->done) {
            m_state->finished.wait_for(lock, kAbortPoll);
            if (m_state->done)
                break;
            if (stop())
                return Outcome::Stopped;
            if (std::chrono::steady_clock::now() >= deadline)
                return Outcome::Silent;
        }
        return Outcome::Done;
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        std::condition_variable finished;
        std::function<void(CallState&)> job;
        bool done = true;
        bool quit = false;
        CallState calls;
    };

    static void Serve(State& state) {
        std::unique_lock<std::mutex> lock(state.mutex);
        for (;;) {
            state.wake.wait(lock, [&] { return state.job || state.quit; });
            if (state.job) {
                std::function<void(CallState&)> job = std::move(state.job);
                state.job = nullptr;
                lock.unlock();
                job(state.calls);
                lock.lock();
                state.done = true;
                state.finished.notify_all();
                continue;
            }
            if (state.calls.request)
                InternetCloseHandle(state.calls.request);
            if (state.calls.root)
                InternetCloseHandle(state.calls.root);
            return;
        }
    }

    std::shared_ptr<State> m_state;
};

// One GET on a WinInet connection of its own.
class CHttpFile::Transfer {
public:
    explicit Transfer(std::shared_ptr<SessionState> session) : m_session(std::move(session)) {}

    void Open(const CString& url);
    size_t Read(void* buffer, size_t count);
    void Close() {
        m_line.reset();
        m_closed = true;
    }

    int64_t m_announced = kUnknownLength;
    int64_t m_delivered = 0;
    long m_status = 0;

private:
    void Connect();
    // Runs `job` on the line; a cancel abandons the line and throws.
    void Run(std::function<void(CallState&)> job);
    [[noreturn]] void Fail(InternetErrorCode code, std::u16string_view text) {
        m_line.reset();
        throw CInternetException(code, text);
    }
    [[noreturn]] void Fail(InternetErrorCode code, InternetFailure kind,
                           const InternetFailureFacts& facts) {
        Fail(code, InternetFailureText(kind, facts));
    }
    [[noreturn]] void Fail(InternetErrorCode code, InternetFailure kind) {
        Fail(code, kind, Facts());
    }
    [[noreturn]] void ThrowFailure(DWORD error);
    InternetFailureFacts Facts() const {
        InternetFailureFacts facts;
        facts.host = Utf8ToWide(m_url.host);
        facts.port = Utf8ToWide(m_url.port);
        return facts;
    }
    HINTERNET Request() const { return m_line->Calls().request; }
    void CloseRequest() {
        if (Request())
            InternetCloseHandle(Request());
        m_line->Calls().request = nullptr;
    }

    std::shared_ptr<SessionState> m_session;
    std::unique_ptr<CallLine> m_line = std::make_unique<CallLine>();
    UrlParts m_url;
    bool m_closed = false;
    size_t m_unread = 0;  // bytes of the line's buffer not yet handed over, from m_next
    size_t m_next = 0;
};

void CHttpFile::Transfer::Run(std::function<void(CallState&)> job) {
    if (m_session->ShouldAbort())
        Fail(INTERNET_ERROR_CANCELLED, InternetFailure::Cancelled);
    // WinInet's receive time-out is asked for too, but not every version keeps it.
    switch (m_line->Run(
        std::move(job), [this] { return m_session->ShouldAbort(); },
        m_session->options.idleTimeout)) {
        case CallLine::Outcome::Done:
            return;
        case CallLine::Outcome::Stopped:
            Fail(INTERNET_ERROR_CANCELLED, InternetFailure::Cancelled);
        case CallLine::Outcome::Silent:
            ThrowFailure(ERROR_INTERNET_TIMEOUT);
    }
}

void CHttpFile::Transfer::Connect() {
    HINTERNET root = InternetOpenW(Wide(m_session->options.strUserAgent),
                                   INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (root == nullptr)
        Fail(INTERNET_ERROR_TRANSFER, u"The internet library cannot start");
    m_line->Calls().root = root;
    DWORD connect = static_cast<DWORD>(m_session->options.connectTimeout.count() * 1000);
    DWORD idle = static_cast<DWORD>(m_session->options.idleTimeout.count() * 1000);
    InternetSetOptionW(root, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionW(root, INTERNET_OPTION_RECEIVE_TIMEOUT, &idle, sizeof idle);
    InternetSetOptionW(root, INTERNET_OPTION_SEND_TIMEOUT, &idle, sizeof idle);
}

// WinInet reports a connect time-out and a receive time-out alike; both are ours (the call
// line's limit) or WinInet's receive time-out, which is the idle time-out, far more often
// than the connect time-out, so the text names the idle time-out.
void CHttpFile::Transfer::ThrowFailure(DWORD error) {
    InternetFailureFacts facts = Facts();
    facts.seconds = m_session->options.idleTimeout.count();
    const CInternetException failure = WinInetFailure(error, facts);
    m_line.reset();
    throw failure;
}

void CHttpFile::Transfer::Open(const CString& first) {
    CString url = first;
    Connect();
    for (int redirects = 0;; ++redirects) {
        SplitUrl(WideToUtf8(url), m_url);
        Run([url](CallState& calls) {
            calls.request = InternetOpenUrlW(calls.root, Wide(url), nullptr, 0, kRequestFlags, 0);
            calls.error = calls.request ? 0 : GetLastError();
        });
        if (Request() == nullptr)
            ThrowFailure(m_line->Calls().error);

        DWORD status = 0;
        DWORD size = sizeof status;
        if (!HttpQueryInfoW(Request(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                            &size, nullptr)) {
            ThrowFailure(GetLastError());
        }
        m_status = static_cast<long>(status);
        if (status < 300)
            break;
        const std::u16string location = QueryText(Request(), HTTP_QUERY_LOCATION);
        if (status >= 400 || location.empty()) {
            // No byte of an error's body is read.
            const std::string reason = WideToUtf8(QueryText(Request(), HTTP_QUERY_STATUS_TEXT));
            Fail(INTERNET_ERROR_HTTP_STATUS,
                 HttpErrorText(m_status,
                               ReasonPhrase("HTTP/1.1 " + std::to_string(status) + " " + reason)));
        }
        const std::u16string target = ResolveLocation(url, location);
        if (target.empty())
            Fail(INTERNET_ERROR_REDIRECT, InternetFailure::OtherRedirect);
        if (redirects == kMaxRedirects) {
            InternetFailureFacts facts = Facts();
            facts.count = kMaxRedirects;
            Fail(INTERNET_ERROR_REDIRECT, InternetFailure::TooManyRedirects, facts);
        }
        InternetFailure why = InternetFailure::OtherRedirect;
        if (!RedirectAllowed(m_url.scheme, WideToUtf8(target), why))
            Fail(INTERNET_ERROR_REDIRECT, why);
        CloseRequest();
        url = target;
    }
    const std::u16string length = QueryText(Request(), HTTP_QUERY_CONTENT_LENGTH);
    if (!length.empty() && length.size() < 19 &&
        std::all_of(length.begin(), length.end(),
                    [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
        m_announced = std::stoll(WideToUtf8(length));
    }
}

size_t CHttpFile::Transfer::Read(void* buffer, size_t count) {
    if (m_closed || !m_line || !Request())
        throw CInternetException(INTERNET_ERROR_CLOSED,
                                 InternetFailureText(InternetFailure::Closed, {}));
    if (count == 0)
        return 0;
    // The line reads up to kReadBuffer bytes into its own buffer (an abandoned read must not
    // write into the caller's); small reads are served from it without a call.
    if (m_unread == 0) {
        Run([](CallState& calls) {
            calls.buffer.resize(kReadBuffer);
            calls.got = 0;
            calls.error = 0;
            // InternetReadFile returns only when the whole size asked for has come (or the
            // end): asking for a megabyte on a slow line would hold back progress for as long.
            // Each call costs enough that small reads slow a fast line down, so the size
            // follows the line: doubled after a read that came at once, halved after one that
            // took longer than a hand-over should.
            if (calls.readSize == 0)
                calls.readSize = kFirstReadSize;
            const auto start = std::chrono::steady_clock::now();
            if (!InternetReadFile(calls.request, calls.buffer.data(), calls.readSize, &calls.got)) {
                calls.error = GetLastError();
                calls.got = 0;
                return;
            }
            const auto took = std::chrono::steady_clock::now() - start;
            if (calls.got == calls.readSize && took < kHandOverAfter / 4) {
                calls.readSize = std::min<DWORD>(calls.readSize * 2, kReadBuffer);
            } else if (took > kHandOverAfter) {
                calls.readSize = std::max<DWORD>(calls.readSize / 2, kFirstReadSize);
            }
        });
        const CallState& calls = m_line->Calls();
        if (calls.error != 0)
            ThrowFailure(calls.error);
        m_unread = calls.got;
        m_next = 0;
        if (m_unread == 0) {
            // WinInet ends a body quietly when the server closes the connection before the
            // announced length: the connection was lost, as the curl layer says too.
            if (m_announced != kUnknownLength && m_delivered < m_announced)
                Fail(INTERNET_ERROR_TRANSFER, InternetFailure::ConnectionLost);
            // A chunked body that the server's close cuts off ends here too, and Wine's
            // WinInet gives nothing to tell it from a whole one: the same result, no error,
            // no length, the same answers to every query afterwards. Only a reset connection
            // fails the read.
            return 0;
        }
    }
    const size_t n = std::min(count, m_unread);
    std::memcpy(buffer, m_line->Calls().buffer.data() + m_next, n);
    m_next += n;
    m_unread -= n;
    m_delivered += static_cast<int64_t>(n);
    return n;
}

CHttpFile::CHttpFile(std::shared_ptr<SessionState> session, const CString& url)
    : m_transfer(std::make_unique<Transfer>(std::move(session))) {
    m_strFileName = RemoteFileName(url);
    m_transfer->Open(url);
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
