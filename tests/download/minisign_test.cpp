// Minisign keys and signature files made by the real minisign tool (tests/tools/
// make_signed_packs.py), parsed and checked by our verification, and the pack hasher against
// the b2sum tool and against digests made beside the packs (the known answers under Wine).
#include "download/minisign.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "download/pack_hasher.h"
#include "tests/tools/signed_packs.h"

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    return ReadWholeFile(path);
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

#ifndef _WIN32
// The standard output of a command.
std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}
#endif

std::string Hex(std::span<const uint8_t> bytes) {
    std::string hex;
    char two[3];
    for (uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        hex += two;
    }
    return hex;
}

// The BLAKE2b-512 digest of `bytes` through the pack hasher, fed in pieces of `piece` bytes.
Blake2b512Digest HashInPieces(const std::string& bytes, size_t piece) {
    PackHasher hasher;
    for (size_t at = 0; at < bytes.size(); at += piece)
        hasher.Update(bytes.data() + at, std::min(piece, bytes.size() - at));
    return hasher.Finish();
}

// Whether `signatureText` verifies for `pack` named `name` under `key`.
bool Verifies(const MinisignPublicKey& key, const std::string& signatureText,
              const std::string& pack, const std::string& name = "app.zip") {
    const auto signature = ParseMinisignSignature(signatureText);
    if (!signature)
        return false;
    const auto* bytes = reinterpret_cast<const uint8_t*>(pack.data());
    if (!signature->prehashed)
        return VerifyMinisign(key, *signature, name, std::span(bytes, pack.size()));
    return VerifyMinisign(key, *signature, name, HashInPieces(pack, 4096));
}

class Minisign : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_packs = new SignedPacks;
        ASSERT_TRUE(s_packs->Make()) << "minisign must be installed";
    }
    static void TearDownTestSuite() { delete s_packs; }
    void SetUp() override { ASSERT_FALSE(s_packs->Cases().empty()) << "no signed packs"; }
    static const std::filesystem::path& Dir() { return s_packs->Dir(); }
    static MinisignPublicKey VendorKey() {
        return *ParseMinisignPublicKey(s_packs->KeyLine("vendor"));
    }
    static SignedPacks* s_packs;
};
SignedPacks* Minisign::s_packs = nullptr;

TEST_F(Minisign, PublicKeyLines) {
    const std::string good = s_packs->KeyLine("vendor");
    const auto raw = *DecodeBase64(good);
    std::string prehashAlgorithm = good;
    prehashAlgorithm[1] = 'U';  // "Ed" becomes "ED": a signature's algorithm, not a key's
    struct Case {
        const char* name;
        std::string line;
        bool valid;
    } cases[] = {
        {"the key line", good, true},
        {"blanks around it", "  " + good + " \r\n", true},
        {"empty", "", false},
        {"one group short", good.substr(0, good.size() - 4), false},
        {"a group too many", good + "AAAA", false},
        {"not base64", good.substr(0, good.size() - 1) + "!", false},
        {"blank inside", good.substr(0, 20) + " " + good.substr(20), false},
        {"another algorithm", prehashAlgorithm, false},
        {"the whole file", ReadFile(Dir() / "vendor.pub"), false},
        {"a signature line", LineOf(ReadFile(Dir() / "prehashed/app.zip.minisig"), 2), false},
    };
    for (const Case& c : cases) {
        const auto key = ParseMinisignPublicKey(c.line);
        EXPECT_EQ(key.has_value(), c.valid) << c.name;
        if (key && c.valid) {
            EXPECT_TRUE(std::equal(key->keyId.begin(), key->keyId.end(), raw.begin() + 2))
                << c.name;
            EXPECT_TRUE(std::equal(key->key.begin(), key->key.end(), raw.begin() + 10)) << c.name;
        }
    }
}

TEST_F(Minisign, Base64IsStrict) {
    struct Case {
        const char* text;
        std::optional<std::string> bytes;
    } cases[] = {
        {"", std::string()},
        {"YQ==", "a"},
        {"YWI=", "ab"},
        {"YWJj", "abc"},
        {"YR==", std::nullopt},
        {"YWJ=", std::nullopt},
        {"YQ=", std::nullopt},
        {"Y===", std::nullopt},
        {"YQ==YWJj", std::nullopt},
        {"YW-j", std::nullopt},
        {"YWJjZA", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto bytes = DecodeBase64(c.text);
        ASSERT_EQ(bytes.has_value(), c.bytes.has_value()) << c.text;
        if (bytes) {
            EXPECT_EQ(std::string(bytes->begin(), bytes->end()), *c.bytes) << c.text;
        }
    }
}

TEST_F(Minisign, SignaturesMadeByTheTool) {
    const MinisignPublicKey key = VendorKey();
    for (const auto& [name, good] : s_packs->Cases()) {
        const auto folder = Dir() / name;
        const std::string signature = ReadFile(folder / "app.zip.minisig");
        EXPECT_EQ(Verifies(key, signature, ReadFile(folder / "app.zip")), good) << name;
    }
    // A signature holds only for the name its trusted comment gives, when it gives one.
    const std::string pack = ReadFile(Dir() / "prehashed/app.zip");
    const std::string signature = ReadFile(Dir() / "prehashed/app.zip.minisig");
    EXPECT_FALSE(Verifies(key, signature, pack, "APP.ZIP"));
    EXPECT_TRUE(Verifies(key, ReadFile(Dir() / "no-file-named/app.zip.minisig"),
                         ReadFile(Dir() / "no-file-named/app.zip"), "renamed.zip"));
}

TEST_F(Minisign, SignatureFileLayout) {
    const MinisignPublicKey key = VendorKey();
    const std::string pack = ReadFile(Dir() / "prehashed/app.zip");
    const std::string good = ReadFile(Dir() / "prehashed/app.zip.minisig");
    const std::string signatureLine = LineOf(good, 2) + "\n";
    std::string legacyAlgorithm = good;
    legacyAlgorithm[legacyAlgorithm.find('\n') + 2] = 'W';  // "ED" read as "Ed": another message
    struct Case {
        const char* name;
        std::string text;
        bool valid;
    } cases[] = {
        {"as made", good, true},
        {"CRLF line ends", Replace(good, "\n", "\r\n"), true},
        {"no final line break", good.substr(0, good.size() - 1), true},
        {"a blank line after", good + "\n", true},
        {"a fifth line", good + "more\n", false},
        {"no untrusted comment", good.substr(good.find('\n') + 1), false},
        {"lines swapped", Replace(good, signatureLine, "") + signatureLine, false},
        {"empty", "", false},
        {"legacy algorithm named", legacyAlgorithm, false},
        {"too long", good + std::string(kMaxMinisignFileSize, '\n'), false},
    };
    for (const Case& c : cases) EXPECT_EQ(Verifies(key, c.text, pack), c.valid) << c.name;
}

// BLAKE2b-512 as the host's Python computed it beside the packs; the prehashed signatures
// above hold only when the library also hashes right, but this says which part failed.
TEST_F(Minisign, HasherGivesTheKnownDigests) {
    std::ifstream list(Dir() / "digests.txt");
    std::string name, expected;
    int seen = 0;
    while (list >> name >> expected) {
        const std::string bytes = ReadFile(Dir() / name);
        for (size_t piece : {size_t{512}, PackHasher::kBlockSize + 3, bytes.size() + 1})
            EXPECT_EQ(Hex(HashInPieces(bytes, piece)), expected) << name << " by " << piece;
        ++seen;
    }
    EXPECT_GT(seen, 1) << "no digests were made";
}

#ifndef _WIN32
TEST(PackHasher, MatchesTheB2sumToolWhateverThePieces) {
    TempDir dir;
    const size_t block = PackHasher::kBlockSize;
    // Sizes around a block, and more blocks than may wait, so that Update waits for the thread.
    for (size_t size : {size_t{0}, size_t{1}, block - 1, block, block + 1,
                        block * (PackHasher::kMaxWaitingBlocks + 3) + 7}) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919) % 253);
        dir.Write("data", bytes);
        const std::string expected =
            Output("b2sum " + (dir.Path() / "data").string()).substr(0, 128);
        for (size_t piece : {size_t{512}, size_t{7777}, block * 2 + 3}) {
            EXPECT_EQ(Hex(HashInPieces(bytes, piece)), expected) << size << " by " << piece;
        }
    }
}

#endif

TEST(PackHasher, EndsWithoutFinishingAndFinishesOnce) {
    const std::string bytes(PackHasher::kBlockSize * 3, 'x');
    {
        PackHasher dropped;  // handed blocks, never finished: the destructor must not hang
        dropped.Update(bytes.data(), bytes.size());
    }
    PackHasher hasher;
    hasher.Update(bytes.data(), bytes.size());
    const Blake2b512Digest first = hasher.Finish();
    hasher.Update("more", 4);  // ignored after Finish
    EXPECT_EQ(hasher.Finish(), first);
    EXPECT_EQ(first, HashInPieces(bytes, bytes.size()));
}

}  // namespace
