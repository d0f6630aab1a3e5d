// The WinInet internet session against the real test server on 127.0.0.1, under Wine.
#include "platform/net/internet_session.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/text.h"
#include "tests/tools/unique_temp_dir.h"

namespace {

std::u16string Url(const std::string& path) {
    const char* port = std::getenv("UPDATE_TEST_HTTP_PORT");
    return Utf8ToWide("http://127.0.0.1:" + std::string(port ? port : "1") + path);
}

// file:///Z:/... under Wine: the drive letter with forward slashes.
std::u16string FileUrl(const std::filesystem::path& file) {
    std::u16string path = file.u16string();
    for (char16_t& c : path) {
        if (c == u'\\')
            c = u'/';
    }
    return u"file:///" + path;
}

std::string Pattern(size_t n) {
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

// The whole body, read in pieces of `piece` bytes; or the failure that ended it.
struct Outcome {
    std::string body;
    int64_t announced = 0;
    std::optional<InternetErrorCode> error;
    std::string text;
};

Outcome Fetch(CInternetSession& session, const std::u16string& url, size_t piece = 65536) {
    Outcome outcome;
    try {
        auto file = session.OpenURL(url);
        outcome.announced = file->Seek(0, CRemoteFile::end);
        std::vector<char> buffer(piece);
        while (size_t n = file->Read(buffer.data(), buffer.size())) {
            outcome.body.append(buffer.data(), n);
        }
    } catch (const CInternetException& e) {
        outcome.error = e.m_dwError;
        outcome.text = e.what();
    }
    return outcome;
}

class WinInetSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("UPDATE_TEST_HTTP_PORT"), nullptr)
            << "run through tests/tools/with_test_server.py";
    }
};

TEST_F(WinInetSession, BodiesAndRedirects) {
    struct Case {
        std::string path;
        size_t size;        // of the pattern body
        int64_t announced;  // Seek(0, end)
    } cases[] = {
        {"/body?size=300000", 300000, 300000},
        {"/body?size=0", 0, 0},
        {"/chunked?size=70000", 70000, kUnknownLength},
        {"/redirect?hops=3&to=/body?size=10", 10, 10},
    };
    CInternetSession session;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const Outcome got = Fetch(session, Url(c.path));
        EXPECT_FALSE(got.error) << got.text;
        EXPECT_EQ(got.body, Pattern(c.size));
        EXPECT_EQ(got.announced, c.announced);
    }  // The worker's small reads get the same bytes as large ones.
    EXPECT_EQ(Fetch(session, Url("/body?size=300000"), 512).body, Pattern(300000));
    EXPECT_EQ(Fetch(session, Url("/chunked?size=70001"), 7).body, Pattern(70001));
}

TEST_F(WinInetSession, SendsTheProgramNameAndAsksPastCaches) {
    CInternetSession session;
    const Outcome got = Fetch(session, Url("/headers"));
    ASSERT_FALSE(got.error) << got.text;
    EXPECT_NE(got.body.find("User-Agent: wininet_tests"), std::string::npos) << got.body;
    EXPECT_NE(got.body.find("no-cache"), std::string::npos) << got.body;
}

// The same failures read as the curl layer words them on Linux, whole.
TEST_F(WinInetSession, FailuresReadAsOnEverySystem) {
    const std::filesystem::path dir = MakeUniqueTempDir("wininet-fail-");
    std::filesystem::create_directory(dir / "packs");
    struct Case {
        std::u16string url;
        InternetErrorCode error;
        std::string text;
    } cases[] = {
        {Url("/status?code=404"), INTERNET_ERROR_HTTP_STATUS, "HTTP error 404 (Not Found)"},
        {Url("/status?code=500"), INTERNET_ERROR_HTTP_STATUS,
         "HTTP error 500 (Internal Server Error)"},
        {Url("/redirect?hops=2&to=%2Fstatus%3Fcode%3D404"), INTERNET_ERROR_HTTP_STATUS,
         "HTTP error 404 (Not Found)"},
        {Url("/redirect?hops=10&to=/body?size=10"), INTERNET_ERROR_REDIRECT,
         "More than 10 redirects from 127.0.0.1."},
        {Url("/redirect?hops=0&to=ftp://127.0.0.1/x"), INTERNET_ERROR_REDIRECT,
         "127.0.0.1 redirected to an unusable address."},
        {Url("/drop?size=100000"), INTERNET_ERROR_TRANSFER,
         "The connection to 127.0.0.1 was lost."},
        {Url("/reset?size=200000"), INTERNET_ERROR_TRANSFER,
         "The connection to 127.0.0.1 was lost."},
        {Url("/reset?size=200000&chunked=1"), INTERNET_ERROR_TRANSFER,
         "The connection to 127.0.0.1 was lost."},
        // A port that nothing listens on: the server's own, closed again, is too racy; port 1
        // is privileged and unused here.
        {u"http://127.0.0.1:1/x.zip", INTERNET_ERROR_TRANSFER, "Cannot connect to 127.0.0.1:1."},
        {u"", INTERNET_ERROR_URL, "No download address is set."},
        {u"gopher://127.0.0.1/x", INTERNET_ERROR_URL, "The download address is not valid."},
        {FileUrl(dir / "app.zip"), INTERNET_ERROR_FILE, "app.zip was not found."},
        {FileUrl(dir / "packs"), INTERNET_ERROR_FILE, "packs is a folder."},
    };
    CInternetSession session;
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.url));
        const Outcome got = Fetch(session, c.url, 512);
        EXPECT_EQ(got.error, c.error) << got.text;
        EXPECT_EQ(got.text, c.text);
    }
    session.Close();
    const Outcome closed = Fetch(session, Url("/body?size=1"));
    EXPECT_EQ(closed.error, INTERNET_ERROR_CLOSED);
    EXPECT_EQ(closed.text, "The download is closed.");
    std::filesystem::remove_all(dir);
}

TEST_F(WinInetSession, CancelEndsAWait) {
    // Cancel while the server sends nothing at all, and while a body has stalled.
    for (const std::string path : {"/stall?size=1000&after=-1", "/stall?size=100000&after=10"}) {
        SCOPED_TRACE(path);
        std::atomic<bool> cancel{false};
        CInternetSession session;
        session.SetAbortCheck([&cancel] { return cancel.load(); });
        std::thread canceller([&cancel] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            cancel = true;
        });
        const Outcome got = Fetch(session, Url(path));
        canceller.join();
        EXPECT_EQ(got.error, INTERNET_ERROR_CANCELLED) << got.text;
    }
}

TEST_F(WinInetSession, SilenceEndsAWait) {
    InternetOptions options;
    options.idleTimeout = std::chrono::seconds(1);
    CInternetSession impatient(options);
    const Outcome silent = Fetch(impatient, Url("/stall?size=100000&after=10"));
    EXPECT_EQ(silent.error, INTERNET_ERROR_TIMEOUT) << silent.text;
    EXPECT_EQ(silent.text, "No answer from 127.0.0.1 for 1 seconds.");
}

TEST_F(WinInetSession, ASlowBodyIsHandedOnAsItComes) {
    // 20000 bytes every 200 ms: a read asking for a megabyte gets what has come, not the whole
    // body two seconds later, so the progress of a slow download moves as it goes.
    CInternetSession session;
    auto file = session.OpenURL(Url("/trickle?size=200000&piece=20000&every=200"));
    std::vector<char> buffer(1 << 20);
    std::vector<size_t> reads;
    std::string body;
    while (size_t n = file->Read(buffer.data(), buffer.size())) {
        reads.push_back(n);
        body.append(buffer.data(), n);
    }
    EXPECT_EQ(body, Pattern(200000));
    ASSERT_GE(reads.size(), 3u);
    EXPECT_LT(reads.front(), 200000u);
}

TEST_F(WinInetSession, FileUrlsReadTheNamedFile) {
    const std::filesystem::path dir = MakeUniqueTempDir("wininet-file-");
    std::ofstream(dir / "pack.bin", std::ios::binary) << Pattern(5000);
    CInternetSession session;
    const Outcome got = Fetch(session, FileUrl(dir / "pack.bin"), 1000);
    EXPECT_FALSE(got.error) << got.text;
    EXPECT_EQ(got.body, Pattern(5000));
    EXPECT_EQ(got.announced, 5000);
    std::filesystem::remove_all(dir);
}

}  // namespace
