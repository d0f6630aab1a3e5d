// The internet layer against the real test server on 127.0.0.1.
#include "platform/net/internet_session.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/net/url_parts.h"
#include "tests/tools/test_server.h"

namespace {

class InternetSessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = new TestServer({.filesDir = "", .tls = true}); }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }

    // Trusts the test CA; a short idle time-out so that stalls end the test quickly.
    static InternetOptions TestOptions() {
        InternetOptions options;
        options.strCaFile = server_->CaFile();
        options.idleTimeout = std::chrono::seconds(2);
        return options;
    }

    static CString Http(const std::string& path) { return Utf8ToWide(server_->HttpUrl(path)); }
    static CString Https(const std::string& path) { return Utf8ToWide(server_->HttpsUrl(path)); }

    static TestServer* server_;
};

TestServer* InternetSessionTest::server_ = nullptr;

// Reads the whole body in `chunk`-byte calls, checking that each call gives 1..chunk bytes.
std::vector<uint8_t> ReadAll(CRemoteFile& file, size_t chunk) {
    std::vector<uint8_t> body;
    std::vector<uint8_t> buffer(chunk);
    for (;;) {
        const size_t n = file.Read(buffer.data(), chunk);
        EXPECT_LE(n, chunk);
        if (n == 0)
            break;
        body.insert(body.end(), buffer.begin(), buffer.begin() + static_cast<ptrdiff_t>(n));
    }
    return body;
}

// The server's bodies are the bytes i % 251.
bool IsPattern(const std::vector<uint8_t>& body) {
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] != i % 251)
            return false;
    }
    return true;
}

TEST_F(InternetSessionTest, ReadsEveryKindOfBody) {
    struct Case {
        const char* name;
        CString url;
        size_t expectedSize;
        int64_t announced;
    };
    const Case cases[] = {
        {"with length", Http("/body?size=300000"), 300000, 300000},
        {"empty", Http("/body?size=0"), 0, 0},
        {"chunked without length", Http("/chunked?size=70001"), 70001, kUnknownLength},
        {"slow trickle", Http("/trickle?size=40&piece=8&every=20"), 40, 40},
        {"more sent than announced", Http("/over?size=1000&extra=500"), 1000, 1000},
        {"ten redirects", Http("/redirect?hops=9&to=%2Fbody%3Fsize%3D1234"), 1234, 1234},
        {"https with the test CA", Https("/body?size=5000"), 5000, 5000},
        {"https to https redirect", Https("/redirect?hops=1&to=%2Fbody%3Fsize%3D77"), 77, 77},
        {"http to https redirect", Http("/redirect?to=" + server_->HttpsUrl("/body%3Fsize%3D99")),
         99, 99},
    };
    CInternetSession session(TestOptions());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (size_t chunk : {size_t{512}, size_t{1}, size_t{1 << 20}}) {
            if (chunk == 1 && c.expectedSize > 100000)
                continue;
            std::unique_ptr<CRemoteFile> file;
            ASSERT_NO_THROW(file = session.OpenURL(c.url));
            EXPECT_EQ(file->Seek(0, CRemoteFile::end), c.announced);
            EXPECT_EQ(file->Seek(0, CRemoteFile::begin), 0);
            const std::vector<uint8_t> body = ReadAll(*file, chunk);
            EXPECT_EQ(body.size(), c.expectedSize) << "chunk " << chunk;
            EXPECT_TRUE(IsPattern(body));
            EXPECT_EQ(file->Read(nullptr, 0), 0u);
        }
    }
}

TEST_F(InternetSessionTest, FailsWithOneLineTextNamingTheCause) {
    enum Where { kAtOpen, kWhileReading };
    struct Case {
        const char* name;
        CString url;
        Where where;
        InternetErrorCode code;
        CString expected;  // the whole text when `exact`, else a part of it
        bool exact;
    };
    const CString redirectToHttp = Https("/redirect?to=" + server_->HttpUrl("/body%3Fsize%3D10"));
    const Case cases[] = {
        {"404", Http("/status?code=404"), kAtOpen, INTERNET_ERROR_HTTP_STATUS,
         u"HTTP error 404 (Not Found)", true},
        {"500", Http("/status?code=500"), kAtOpen, INTERNET_ERROR_HTTP_STATUS,
         u"HTTP error 500 (Internal Server Error)", true},
        {"404 after a redirect", Http("/redirect?hops=2&to=%2Fstatus%3Fcode%3D404"), kAtOpen,
         INTERNET_ERROR_HTTP_STATUS, u"HTTP error 404 (Not Found)", true},
        {"eleven redirects", Http("/redirect?hops=10"), kAtOpen, INTERNET_ERROR_REDIRECT,
         u"More than 10 redirects from 127.0.0.1.", true},
        {"https to http", redirectToHttp, kAtOpen, INTERNET_ERROR_REDIRECT,
         u"127.0.0.1 redirected from https to http.", true},
        {"redirect to ftp", Http("/redirect?to=ftp%3A%2F%2F127.0.0.1%2Fx"), kAtOpen,
         INTERNET_ERROR_REDIRECT, u"127.0.0.1 redirected to an unusable address.", true},
        {"connection dropped", Http("/drop?size=200000"), kWhileReading, INTERNET_ERROR_TRANSFER,
         u"The connection to 127.0.0.1 was lost.", true},
        {"chunked connection dropped", Http("/drop?size=200000&chunked=1"), kWhileReading,
         INTERNET_ERROR_TRANSFER, u"The connection to 127.0.0.1 was lost.", true},
        {"stall before the headers", Http("/stall?after=-1"), kAtOpen, INTERNET_ERROR_TIMEOUT,
         u"No answer from 127.0.0.1 for 2 seconds.", true},
        {"stall in the body", Http("/stall?size=1000&after=100"), kWhileReading,
         INTERNET_ERROR_TIMEOUT, u"No answer from 127.0.0.1 for 2 seconds.", true},
        {"nobody listening", u"http://127.0.0.1:1/x.zip", kAtOpen, INTERNET_ERROR_TRANSFER,
         u"Cannot connect to 127.0.0.1:1.", true},
        {"empty URL", u"", kAtOpen, INTERNET_ERROR_URL, u"No download address is set.", true},
        {"other scheme", u"ftp://127.0.0.1/x.zip", kAtOpen, INTERNET_ERROR_URL,
         u"The download address is not valid.", true},
        {"missing file", u"file:///nonexistent-dir/app.zip", kAtOpen, INTERNET_ERROR_FILE,
         u"app.zip was not found.", true},
        {"file URL of a directory", u"file:///tmp", kAtOpen, INTERNET_ERROR_FILE,
         u"tmp is a folder.", true},
    };
    CInternetSession session(TestOptions());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<CInternetException> error;
        Where where = kAtOpen;
        try {
            std::unique_ptr<CRemoteFile> file = session.OpenURL(c.url);
            where = kWhileReading;
            uint8_t buffer[512];
            while (file->Read(buffer, sizeof buffer) != 0) {
            }
        } catch (const CInternetException& e) {
            error = e;
        }
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(where, c.where);
        EXPECT_EQ(error->m_dwError, c.code) << error->what();
        const CString& text = error->GetErrorMessage();
        if (c.exact) {
            EXPECT_EQ(text, c.expected) << error->what();
        } else {
            EXPECT_NE(text.find(c.expected), CString::npos) << error->what();
        }
        EXPECT_LE(text.size(), kMaxInternetErrorText);
        EXPECT_EQ(text.find_first_of(u"\r\n"), CString::npos);
    }
}

TEST_F(InternetSessionTest, RefusesTheTestCertificateWithoutTheTestCA) {
    InternetOptions options = TestOptions();
    options.strCaFile.clear();
    CInternetSession session(options);
    try {
        session.OpenURL(Https("/body?size=10"));
        FAIL() << "the certificate was accepted";
    } catch (const CInternetException& e) {
        EXPECT_EQ(e.m_dwError, INTERNET_ERROR_TRANSFER);
        EXPECT_NE(e.GetErrorMessage().find(u"certificate"), CString::npos) << e.what();
        EXPECT_NE(e.GetErrorMessage().find(u"127.0.0.1"), CString::npos) << e.what();
    }
}

// The abort check ends a transfer that waits for the server: with the default idle time-out
// of 60 s only the abort can end these requests, and it must show as a cancel.
TEST_F(InternetSessionTest, AbortCheckStopsAWaitingTransfer) {
    for (const char* path : {"/stall?after=-1", "/stall?size=100000&after=1000"}) {
        SCOPED_TRACE(path);
        InternetOptions options = TestOptions();
        options.idleTimeout = std::chrono::seconds(60);
        CInternetSession session(options);
        std::atomic<int> cancel{0};
        session.SetAbortCheck([&cancel] { return cancel.load() == 1; });
        std::jthread canceller([&cancel] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            cancel = 1;
        });
        try {
            std::unique_ptr<CRemoteFile> file = session.OpenURL(Http(path));
            uint8_t buffer[512];
            while (file->Read(buffer, sizeof buffer) != 0) {
            }
            FAIL() << "the stalled transfer ended normally";
        } catch (const CInternetException& e) {
            EXPECT_EQ(e.m_dwError, INTERNET_ERROR_CANCELLED) << e.what();
        }
    }
}

TEST_F(InternetSessionTest, SendsTheProgramNameAndAsksPastCaches) {
    CInternetSession session(TestOptions());
    std::unique_ptr<CRemoteFile> file = session.OpenURL(Http("/headers"));
    const std::vector<uint8_t> body = ReadAll(*file, 512);
    const std::string headers(body.begin(), body.end());
    EXPECT_NE(headers.find("User-Agent: download_tests\n"), std::string::npos) << headers;
    EXPECT_NE(headers.find("Cache-Control: no-cache\n"), std::string::npos) << headers;
}

TEST_F(InternetSessionTest, ReadsAFileUrl) {
    char pattern[] = "/tmp/update-file-url-XXXXXX";
    const std::filesystem::path dir = mkdtemp(pattern);
    std::vector<uint8_t> content(100000);
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i % 251);
    std::ofstream(dir / "my pack.zip", std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()),
               static_cast<std::streamsize>(content.size()));

    CInternetSession session(TestOptions());
    std::unique_ptr<CRemoteFile> file =
        session.OpenURL(Utf8ToWide("file://" + dir.string() + "/my%20pack.zip"));
    EXPECT_EQ(file->GetFileName(), u"my%20pack.zip");
    EXPECT_EQ(file->Seek(0, CRemoteFile::end), 100000);
    EXPECT_EQ(ReadAll(*file, 512), content);
    std::filesystem::remove_all(dir);
}

TEST(RemoteFileName, TakesTheLastSegmentOfThePath) {
    struct Case {
        CString url;
        CString name;
    };
    const Case cases[] = {
        {u"http://example.org/packs/app.zip", u"app.zip"},
        {u"http://example.org/app.zip?token=a/b#part", u"app.zip"},
        {u"http://example.org/dir\\app.zip", u"app.zip"},
        {u"http://example.org/c:app.zip", u"app.zip"},
        {u"http://example.org/packs/", u""},
        {u"http://example.org", u""},
        {u"http://user:pw@example.org:8080/a.bin", u"a.bin"},
        {u"file:///tmp/app.exe", u"app.exe"},
        {u"http://example.org/" + CString(300, u'n'), CString(255, u'n')},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RemoteFileName(c.url), c.name) << WideToUtf8(c.url);
    }
}

TEST(FileUrlToPath, DecodesLocalPathsOnly) {
    struct Case {
        const char* url;
        bool ok;
        const char* path;
    };
    const Case cases[] = {
        {"file:///tmp/my%20pack.zip", true, "/tmp/my pack.zip"},
        {"file://localhost/tmp/a.zip", true, "/tmp/a.zip"},
        {"FILE:///a.zip", true, "/a.zip"},
        {"file://server/share/a.zip", false, ""},
        {"file:///a%00b", false, ""},
        {"file:///a%2", false, ""},
        {"file://", false, ""},
    };
    for (const Case& c : cases) {
        std::string path;
        EXPECT_EQ(FileUrlToPath(c.url, path), c.ok) << c.url;
        if (c.ok) {
            EXPECT_EQ(path, c.path) << c.url;
        }
    }
}

}  // namespace
