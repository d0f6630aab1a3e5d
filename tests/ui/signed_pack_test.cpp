// Signed packs on the headless back end: with a PublicKey in Update.ini an archive pack is
// installed only with a valid signature, made by the real minisign tool
// (tests/tools/make_signed_packs.py); without one the run is as before.
#include <map>

#include <gtest/gtest.h>

#include "tests/tools/test_server.h"
#include "tests/ui/dialog_host.h"

namespace {

constexpr char kOldProgram[] = "#!/bin/sh\necho version 1\n";
constexpr char kNewProgram[] = "#!/bin/sh\necho version 2\n";
constexpr char16_t kFinished[] = u"Download finished, click to run the new version.";
constexpr char16_t kRejected[] =
    u"app.zip: the signature is missing or not valid; the previous version was kept.";
// The run's final status after such a pack.
constexpr char16_t kRejectedFinal[] = u"app.zip failed: the signature is missing or not valid";
constexpr char16_t kInvalidKey[] = u"The public key in Update.ini is not valid.";

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string KeyLine(const std::filesystem::path& pubFile) {
    std::istringstream in(ReadFile(pubFile));
    std::string line;
    std::getline(in, line);
    std::getline(in, line);
    return line;
}

// Every regular file of the program directory but Update.ini, with its content.
std::map<std::string, std::string> Tree(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), root).string()] = ReadFile(entry.path());
    }
    files.erase("Update.ini");
    return files;
}

class SignedPack : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_fixtures = new TempDir;
        const std::string command =
            "python3 " UPDATE_TEST_TOOLS_DIR "/make_signed_packs.py " + s_fixtures->Path().string();
        ASSERT_EQ(std::system(command.c_str()), 0) << "minisign must be installed";
    }
    static void TearDownTestSuite() { delete s_fixtures; }
    static const std::filesystem::path& Dir() { return s_fixtures->Path(); }

    struct Run {
        std::u16string status;
        std::vector<std::u16string> history;  // every text the status line showed
        std::map<std::string, std::string> tree;
        std::vector<std::string> requests;
    };

    // One run over a program directory holding the old app.exe, with the pack served from
    // `served` and `keyLine` as PublicKey (none when empty).
    static Run RunWith(const std::filesystem::path& served, const std::string& keyLine) {
        TestServer server({served.string(), false, true});
        std::string ini =
            "[Update]\nPackNumber=1\nPack1=" + server.HttpUrl("/files/app.zip") + "\n";
        if (!keyLine.empty())
            ini += "PublicKey=" + keyLine + "\n";
        DialogHost host(ini);
        host.Dir().Write("app.exe", kOldProgram);
        host.Dir().Write("app.bak", "the backup of an earlier run");
        HeadlessDialog& d = host.Start();
        EXPECT_TRUE(d.Click(IDOK));
        EXPECT_TRUE(d.WaitFor(RunFinished)) << "the run did not reach Finish";
        return {d.Text(IDC_STATUS_TEXT), d.TextHistory(IDC_STATUS_TEXT), Tree(host.Dir().Path()),
                server.RequestedPaths()};
    }

    static TempDir* s_fixtures;
};
TempDir* SignedPack::s_fixtures = nullptr;

const std::map<std::string, std::string> kInstalled = {
    {"app.exe", kNewProgram}, {"app.bak", kOldProgram}, {"readme.txt", "read me\n"}};
const std::map<std::string, std::string> kUntouched = {{"app.exe", kOldProgram},
                                                       {"app.bak", "the backup of an earlier run"}};

TEST_F(SignedPack, InstalledOnlyWithAValidSignature) {
    const std::string key = KeyLine(Dir() / "vendor.pub");
    std::ifstream list(Dir() / "cases.txt");
    std::string name, verdict;
    while (list >> name >> verdict) {
        const bool good = verdict == "good";
        const Run run = RunWith(Dir() / name, key);
        EXPECT_EQ(run.status, good ? kFinished : kRejectedFinal) << name;
        if (!good) {  // the pack's own line said why, before the final status
            EXPECT_NE(std::find(run.history.begin(), run.history.end(), kRejected),
                      run.history.end())
                << name;
        }
        EXPECT_EQ(run.tree, good ? kInstalled : kUntouched) << name;
        EXPECT_EQ(run.requests,
                  (std::vector<std::string>{"/files/app.zip", "/files/app.zip.minisig"}))
            << name;
    }
}

TEST_F(SignedPack, KeyThatDoesNotDecodeDownloadsNothing) {
    const std::string good = KeyLine(Dir() / "vendor.pub");
    const std::string cases[] = {
        "RWQ",                            // cut short
        good.substr(0, good.size() - 4),  // a key id and part of a key
        "RUQ" + good.substr(3),           // another algorithm
        ReadFile(Dir() / "vendor.pub"),   // the whole file's first line: a comment
    };
    for (const std::string& key : cases) {
        const Run run = RunWith(Dir() / "prehashed", key);
        EXPECT_EQ(run.status, kInvalidKey) << key;
        EXPECT_EQ(run.tree, kUntouched) << key;
        EXPECT_TRUE(run.requests.empty()) << key;
    }
}

TEST_F(SignedPack, WithoutAKeyNoSignatureIsAskedFor) {
    for (const char* folder : {"no-signature", "other-key"}) {
        const Run run = RunWith(Dir() / folder, "");
        EXPECT_EQ(run.status, kFinished) << folder;
        EXPECT_EQ(run.tree, kInstalled) << folder;
        EXPECT_EQ(run.requests, std::vector<std::string>{"/files/app.zip"}) << folder;
    }
}

TEST_F(SignedPack, EachPackIsCheckedOnItsOwn) {
    // An archive signed by another key is refused; the plain pack after it, signed well, is
    // placed.
    TempDir served;
    std::filesystem::copy_file(Dir() / "other-key/app.zip", served.Path() / "app.zip");
    std::filesystem::copy_file(Dir() / "other-key/app.zip.minisig",
                               served.Path() / "app.zip.minisig");
    served.Write("notes.txt", "release notes 2\n");
    const std::string sign = "minisign -S -s " + (Dir() / "vendor.sec").string() + " -m " +
                             (served.Path() / "notes.txt").string() + " >/dev/null";
    ASSERT_EQ(std::system(sign.c_str()), 0);
    TestServer server({served.Path().string(), false, true});
    DialogHost host("[Update]\nPackNumber=2\nPack1=" + server.HttpUrl("/files/app.zip") +
                    "\nPack2=" + server.HttpUrl("/files/notes.txt") +
                    "\nPublicKey=" + KeyLine(Dir() / "vendor.pub") + "\n");
    host.Dir().Write("app.exe", kOldProgram);
    host.Dir().Write("notes.txt", "release notes 1\n");
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor(RunFinished));
    // One of the two packs failed; the final status says so.
    EXPECT_EQ(d.Text(IDC_STATUS_TEXT), kRejectedFinal);
    EXPECT_EQ(Tree(host.Dir().Path()),
              (std::map<std::string, std::string>{{"app.exe", kOldProgram},
                                                  {"notes.txt", "release notes 2\n"}}));
    // The rejected archive's status line was shown before the next pack began.
    const auto status = d.TextHistory(IDC_STATUS_TEXT);
    EXPECT_NE(std::find(status.begin(), status.end(), kRejected), status.end());
}

TEST_F(SignedPack, RejectedPackWithoutAnOldVersionSaysNothingWasKept) {
    TestServer server({(Dir() / "other-key").string(), false, true});
    DialogHost host("[Update]\nPackNumber=1\nPack1=" + server.HttpUrl("/files/app.zip") +
                    "\nPublicKey=" + KeyLine(Dir() / "vendor.pub") + "\n");
    HeadlessDialog& d = host.Start();
    ASSERT_TRUE(d.Click(IDOK));
    ASSERT_TRUE(d.WaitFor(RunFinished));
    const auto status = d.TextHistory(IDC_STATUS_TEXT);
    EXPECT_NE(
        std::find(status.begin(), status.end(), u"app.zip: the signature is missing or not valid."),
        status.end());
    EXPECT_EQ(status.back(), kRejectedFinal);
    EXPECT_TRUE(Tree(host.Dir().Path()).empty());
}

}  // namespace
