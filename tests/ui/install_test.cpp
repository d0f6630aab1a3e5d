// Archive packs on the headless back end: what the program directory holds after the run, and
// the final status text, for good, damaged, hostile and mislabelled archives.
#include <functional>
#include <map>
#include <optional>

#include <gtest/gtest.h>

#include "tests/tools/test_server.h"
#include "tests/tools/tmpfs_dir.h"
#include "tests/tools/tree_snapshot.h"
#include "tests/ui/dialog_host.h"

namespace {

constexpr char kAny[] = "<any content>";
constexpr char kOldProgram[] = "#!/bin/sh\necho version 1\n";
constexpr char kNewProgram[] = "#!/bin/sh\necho version 2\n";
constexpr char16_t kFinished[] = u"Download finished, click to run the new version.";
constexpr char16_t kKept[] = u"app.zip failed: not installed, old version kept";

// Every regular file under `root`, by relative path, with its content.
std::map<std::string, std::string> Tree(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_symlink()) {
            files[std::filesystem::relative(entry.path(), root).string()] = "<symlink>";
        } else if (entry.is_regular_file()) {
            std::ifstream in(entry.path(), std::ios::binary);
            files[std::filesystem::relative(entry.path(), root).string()] =
                std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    files.erase("Update.ini");
    return files;
}

class ArchiveInstall : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_fixtures = new TempDir;
        const std::string command = "python3 " UPDATE_TEST_TOOLS_DIR "/make_pack_archives.py " +
                                    s_fixtures->Path().string();
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    static void TearDownTestSuite() { delete s_fixtures; }
    static TempDir* s_fixtures;
};
TempDir* ArchiveInstall::s_fixtures = nullptr;

TEST_F(ArchiveInstall, ProgramDirectoryAfterTheRun) {
    const std::map<std::string, std::string> installed = {
        {"app.exe", kNewProgram},
        {"app.bak", kOldProgram},
        {"readme.txt", "read me\n"},
        {"docs/guide/intro.txt", "no directory entries for docs/guide\n"}};
    const std::map<std::string, std::string> kept = {{"app.exe", kOldProgram}};
    struct Case {
        const char* fixture;
        const char* servedAs;  // the last segment of the pack URL
        std::map<std::string, std::string> after;
        std::u16string status;
    } cases[] = {
        {"app.zip", "app.zip", installed, kFinished},
        {"bad-first.zip", "app.zip", kept, kKept},
        {"bad-last.zip", "app.zip", kept, kKept},
        {"trav-dotdot.zip", "app.zip", kept, kKept},
        {"trav-inner-dotdot.zip", "app.zip", kept, kKept},
        {"trav-backslash.zip", "app.zip", kept, kKept},
        {"trav-absolute.zip", "app.zip", kept, kKept},
        {"trav-drive.zip", "app.zip", kept, kKept},
        {"trav-empty-part.zip", "app.zip", kept, kKept},
        {"html.zip", "app.zip", kept, kKept},
        {"empty.zip", "app.zip", kept, kKept},
        {"dirs.zip",
         "app.zip",
         {{"app.exe", kNewProgram}, {"app.bak", kOldProgram}, {"data/values.txt", "1 2 3\n"}},
         kFinished},
        // An archive without the program gives the old one back instead of none.
        {"noprogram.zip",
         "app.zip",
         {{"app.exe", kOldProgram}, {"readme.txt", "no program inside\n"}},
         kFinished},
        // A symbolic link entry becomes a plain file holding the link's text.
        {"symlink.zip",
         "app.zip",
         {{"app.exe", kNewProgram}, {"app.bak", kOldProgram}, {"link", "/etc/passwd"}},
         kFinished},
        // Any letter case, and no full stop needed; the program is named by the pack.
        {"APP.ZIP",
         "APP.ZIP",
         {{"app.exe", kNewProgram},
          {"readme.txt", "read me\n"},
          {"docs/guide/intro.txt", "no directory entries for docs/guide\n"}},
         kFinished},
        {"appzip",
         "appzip",
         {{"app.exe", kNewProgram},
          {"readme.txt", "read me\n"},
          {"docs/guide/intro.txt", "no directory entries for docs/guide\n"}},
         kFinished},
        // Not an archive: stored under its name.
        {"app.zip", "app.zip.txt", {{"app.exe", kOldProgram}, {"app.zip.txt", kAny}}, kFinished},
    };
    for (const Case& c : cases) {
        TempDir served;
        std::filesystem::copy_file(s_fixtures->Path() / c.fixture, served.Path() / c.servedAs);
        TestServer server({served.Path().string(), false});
        DialogHost host("[Update]\nPackNumber=1\nPack1=" +
                        server.HttpUrl(std::string("/files/") + c.servedAs) + "\n");
        host.Dir().Write("app.exe", kOldProgram);
        std::filesystem::permissions(host.Dir().Path() / "app.exe",
                                     std::filesystem::perms::owner_all);
        HeadlessDialog& d = host.Start();
        ASSERT_TRUE(d.Click(IDOK));
        ASSERT_TRUE(d.WaitFor(RunFinished)) << c.fixture;
        EXPECT_EQ(d.Text(IDC_STATUS_TEXT), c.status) << c.fixture;
        const auto tree = Tree(host.Dir().Path());
        std::vector<std::string> names, expectedNames;
        for (const auto& [name, content] : tree) names.push_back(name);
        for (const auto& [name, content] : c.after) {
            expectedNames.push_back(name);
            if (content != kAny && tree.count(name)) {
                EXPECT_EQ(tree.at(name), content) << c.fixture << ": " << name;
            }
        }
        EXPECT_EQ(names, expectedNames) << c.fixture;
        if (std::string(c.fixture) == "dirs.zip") {
            EXPECT_TRUE(std::filesystem::is_directory(host.Dir().Path() / "empty"));
        }
        // The program directory lies in /tmp: no entry escaped into it, or anywhere.
        EXPECT_FALSE(std::filesystem::exists(host.Dir().Path().parent_path() / "outside.txt"))
            << c.fixture;
        // The program stays runnable whichever version it is. (Under the other names app.exe
        // is no program: it takes the mode its entry carries, 0600 as zipfile writes it.)
        if (std::string_view(c.servedAs).starts_with("app.")) {
            EXPECT_EQ(std::filesystem::status(host.Dir().Path() / "app.exe").permissions() &
                          std::filesystem::perms::owner_exec,
                      std::filesystem::perms::owner_exec)
                << c.fixture;
        }
    }
}

// Unix modes of the entries: the access bits of files are applied (never setuid), a directory
// entry with attributes 0 is a directory, and the program is runnable whether it replaced an
// old one (whose permissions it takes) or came into a directory without one.
TEST_F(ArchiveInstall, UnixModesOfEntries) {
    using std::filesystem::perms;
    struct Case {
        const char* fixture;
        bool oldProgram;
        unsigned programMode;
    } cases[] = {
        {"modes.zip", true, 0700},
        {"modes.zip", false, 0755},  // 0644 in the archive, made executable
        {"modes-bare.zip", false, 0755},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.fixture << (c.oldProgram ? " over" : " without") << " an old program");
        TempDir served;
        std::filesystem::copy_file(s_fixtures->Path() / c.fixture, served.Path() / "app.zip");
        TestServer server({served.Path().string(), false});
        DialogHost host("[Update]\nPackNumber=1\nPack1=" + server.HttpUrl("/files/app.zip") + "\n");
        if (c.oldProgram) {
            host.Dir().Write("app.exe", kOldProgram);
            std::filesystem::permissions(host.Dir().Path() / "app.exe", perms::owner_all);
        }
        HeadlessDialog& d = host.Start();
        ASSERT_TRUE(d.Click(IDOK));
        ASSERT_TRUE(d.WaitFor([](const HeadlessDialog& d) { return d.Text(IDOK) == u"Finish"; }));
        EXPECT_EQ(d.Text(IDC_STATUS_TEXT), kFinished);
        const std::filesystem::path dir = host.Dir().Path();
        auto mode = [&](const char* name) {
            return static_cast<unsigned>(std::filesystem::status(dir / name).permissions());
        };
        EXPECT_EQ(Tree(dir).at("app.exe"), kNewProgram);
        EXPECT_EQ(mode("app.exe"), c.programMode);
        EXPECT_EQ(mode("tools/bin/helper"), 0755u);
        EXPECT_EQ(mode("tools/bin/setuid"), 0755u);  // the setuid bit is never applied
        EXPECT_EQ(mode("conf/private.ini"), 0600u);
        EXPECT_TRUE(std::filesystem::is_directory(dir / "conf"));
    }
}

// Sets the immutable attribute on a name for its lifetime (so that even root cannot replace or
// add to it), where the file system has one.
class Immutable {
public:
    explicit Immutable(const std::filesystem::path& path) : m_path(path) {
        m_set = std::system(("chattr +i '" + path.string() + "' 2>/dev/null").c_str()) == 0;
    }
    ~Immutable() {
        if (m_set)
            std::system(("chattr -i '" + m_path.string() + "'").c_str());
    }
    bool Set() const { return m_set; }

private:
    std::filesystem::path m_path;
    bool m_set = false;
};

TEST_F(ArchiveInstall, PackThatCannotBeCommittedLeavesExactlyTheOldTree) {
    namespace fs = std::filesystem;
    struct Held {  // what a case keeps in force during the run
        std::optional<TmpfsMount> disk;
        std::optional<Immutable> immutable;
    };
    struct Case {
        const char* label;
        const char* fixture;
        // Makes the program directory what the case needs; false when this machine cannot.
        std::function<bool(const fs::path& dir, Held& held)> prepare;
        std::string reason;  // paths are relative to the program directory
    } cases[] = {
        {"disk full while unpacking", "big.zip",
         [](const fs::path& dir, Held& held) {
             held.disk.emplace(dir, 1 << 20);
             return held.disk->Mounted();
         },
         "Not enough disk space for app.zip."},
        {"immutable file in the way", "app.zip",
         [](const fs::path& dir, Held& held) {
             held.immutable.emplace(dir / "readme.txt");
             return held.immutable->Set();
         },
         "No permission to write readme.txt."},
        {"immutable directory in the way", "app.zip",
         [](const fs::path& dir, Held& held) {
             held.immutable.emplace(dir / "docs");
             return held.immutable->Set();
         },
         "No permission to write docs/guide."},
        {"directory where a file goes", "app.zip",
         [](const fs::path& dir, Held&) {
             fs::remove(dir / "readme.txt");
             fs::create_directories(dir / "readme.txt" / "inside");
             return true;
         },
         "A folder named readme.txt is in the way."},
        {"entry under the updater's own name", "reserved.zip",
         [](const fs::path&, Held&) { return true; },
         ".~update.journal: the name is the updater's own"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempDir served;
        fs::copy_file(s_fixtures->Path() / c.fixture, served.Path() / "app.zip");
        TestServer server({served.Path().string(), false});
        const std::string ini =
            "[Update]\nPackNumber=1\nPack1=" + server.HttpUrl("/files/app.zip") + "\n";
        DialogHost host(ini);
        const fs::path dir = host.Dir().Path();
        Held held;
        const auto fill = [&] {
            host.Dir().Write("Update.ini", ini);
            host.Dir().Write("app.exe", kOldProgram);
            fs::permissions(dir / "app.exe", fs::perms::owner_all);
            host.Dir().Write("app.bak", "an older program");
            host.Dir().Write("readme.txt", "old read me\n");
            fs::create_directory(dir / "docs");
            host.Dir().Write("docs/old.txt", "old docs\n");
        };
        fill();
        if (!c.prepare(dir, held))
            GTEST_SKIP() << "this machine cannot make the case: " << c.label;
        if (held.disk)
            fill();  // the mount hid what the directory held
        const TreeSnapshot before = SnapshotTree(dir);

        HeadlessDialog& d = host.Start();
        ASSERT_TRUE(d.Click(IDOK));
        ASSERT_TRUE(d.WaitFor(RunFinished));
        // The pack's own line names the reason; the final status repeats it after the name.
        const auto status = d.TextHistory(IDC_STATUS_TEXT);
        ASSERT_GE(status.size(), 2u);
        const std::string sentence = c.reason.substr(0, c.reason.find_last_not_of('.') + 1);
        EXPECT_EQ(
            WideToUtf8(status[status.size() - 2]),
            "app.zip could not be installed: " + sentence + "; the previous version was kept.");
        EXPECT_EQ(WideToUtf8(status.back()), "app.zip failed: " + c.reason);
        const TreeSnapshot after = SnapshotTree(dir);
        EXPECT_EQ(after, before) << "after:\n"
                                 << DescribeTree(after) << "before:\n"
                                 << DescribeTree(before);
    }
}

}  // namespace
