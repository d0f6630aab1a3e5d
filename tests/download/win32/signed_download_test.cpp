// Signed packs through the WinInet session, under Wine: each pack of the minisign-made
// fixtures is fetched from the real test server (tests/tools/with_test_server.py serves them)
// and hashed as it is written, as the worker does; its signature comes from <url>.minisig
// through the same session.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "download/pack_signature.h"
#include "platform/net/internet_session.h"
#include "tests/tools/signed_packs.h"
#include "tests/tools/unique_temp_dir.h"

namespace {

std::u16string Url(const std::string& path) {
    const char* port = std::getenv("UPDATE_TEST_HTTP_PORT");
    return Utf8ToWide("http://127.0.0.1:" + std::string(port ? port : "1") + path);
}

// Downloads `url` into `file`, handing every piece to `hasher`; the bytes written.
size_t Download(CInternetSession& session, const std::u16string& url,
                const std::filesystem::path& file, PackHasher& hasher) {
    std::unique_ptr<CRemoteFile> remote = session.OpenURL(url);
    std::ofstream out(file, std::ios::binary);
    char buffer[512];
    size_t total = 0;
    while (const size_t n = remote->Read(buffer, sizeof buffer)) {
        out.write(buffer, static_cast<std::streamsize>(n));
        hasher.Update(buffer, n);
        total += n;
    }
    remote->Close();
    return total;
}

TEST(SignedDownload, OnlyAValidSignatureByTheVendorsKeyPasses) {
    ASSERT_NE(std::getenv("UPDATE_TEST_HTTP_PORT"), nullptr)
        << "run through tests/tools/with_test_server.py";
    SignedPacks packs;
    ASSERT_TRUE(packs.Make()) << "the signed_pack_fixtures test makes the packs";
    const auto key = ParseMinisignPublicKey(packs.KeyLine("vendor"));
    ASSERT_TRUE(key);
    const std::filesystem::path dir = MakeUniqueTempDir("signed-download-");
    const auto cases = packs.Cases();
    ASSERT_FALSE(cases.empty());
    // Good (prehashed, legacy, no file named), a byte changed, another key, no .minisig (a
    // 404), another file's, a changed trusted comment, another file named, cut short.
    CInternetSession session;
    for (const auto& [name, good] : cases) {
        SCOPED_TRACE(name);
        const std::u16string url = Url("/files/" + name + "/app.zip");
        const std::filesystem::path stored = dir / (name + ".pack");
        PackHasher hasher;
        ASSERT_EQ(Download(session, url, stored, hasher),
                  std::filesystem::file_size(packs.Dir() / name / "app.zip"));
        EXPECT_EQ(PackSignatureValid(session, *key, url, u"app.zip", stored.u16string(), hasher),
                  good);
    }
    // A good signature holds only for the vendor's key.
    const auto other = ParseMinisignPublicKey(packs.KeyLine("other"));
    ASSERT_TRUE(other);
    const std::u16string url = Url("/files/prehashed/app.zip");
    PackHasher hasher;
    Download(session, url, dir / "again.pack", hasher);
    EXPECT_FALSE(PackSignatureValid(session, *other, url, u"app.zip",
                                    (dir / "again.pack").u16string(), hasher));
    session.Close();
    std::filesystem::remove_all(dir);
}

}  // namespace
