#include "download/backup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/tools/unique_temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;  // file name -> content

// A program directory of its own for each case.
class ProgramDir {
public:
    ProgramDir() : path_(MakeUniqueTempDir("update-backup-test-")) {}
    ~ProgramDir() { fs::remove_all(path_); }
    ProgramDir(const ProgramDir&) = delete;
    ProgramDir& operator=(const ProgramDir&) = delete;

    CString BaseDir() const { return (path_ / "").u16string(); }
    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(path_ / name, std::ios::binary) << content;
    }
    Files Read() const {
        Files files;
        for (const fs::directory_entry& entry : fs::directory_iterator(path_)) {
            std::ifstream in(entry.path(), std::ios::binary);
            files[entry.path().filename().string()] =
                std::string(std::istreambuf_iterator<char>(in), {});
        }
        return files;
    }

private:
    fs::path path_;
};

TEST(Backup, BackupFileName) {
    EXPECT_EQ(BackupFileName(u"app.exe"), u"app.bak");
    EXPECT_EQ(BackupFileName(u".exe"), u".bak");
    EXPECT_EQ(BackupFileName(u"app.beta.exe"), u"app.beta.bak");
    EXPECT_EQ(BackupFileName(u"app"), u"app.bak");
}

TEST(Backup, ProgramDirectoryBeforeAndAfter) {
    enum Op { kBackup, kRestore, kWrite };
    struct Step {
        Op op;
        const char* arg;           // pack URL, or file name to write
        const char* content = "";  // for kWrite
    };
    struct Case {
        const char* name;
        Files before;
        std::vector<Step> steps;
        Files after;
    };
    const char* kAppZip = "http://example.org/packs/app.zip";
    const Case cases[] = {
        {"program moved to backup, older backup replaced",
         {{"app.exe", "v1"}, {"app.bak", "v0"}},
         {{kBackup, kAppZip}},
         {{"app.bak", "v1"}}},
        {"no program file keeps the older backup",
         {{"app.bak", "v0"}},
         {{kBackup, kAppZip}},
         {{"app.bak", "v0"}}},
        {"stem without a full stop uses .exe and .bak",
         {{".exe", "p"}, {"app.exe", "v1"}},
         {{kBackup, "http://example.org/app"}},
         {{".bak", "p"}, {"app.exe", "v1"}}},
        {"another stem leaves the program alone",
         {{"app.exe", "v1"}, {"data.bak", "d0"}},
         {{kBackup, "http://example.org/data.zip"}},
         {{"app.exe", "v1"}, {"data.bak", "d0"}}},
        {"pack stored under the program name becomes the backup",
         {{"app.exe", "downloaded"}},
         {{kBackup, "http://example.org/app.exe"}},
         {{"app.bak", "downloaded"}}},
        {"second pack with the same stem backs up what the first left",
         {{"app.exe", "v1"}},
         {{kBackup, kAppZip}, {kWrite, "app.exe", "v2"}, {kBackup, "http://example.org/app.dat"}},
         {{"app.bak", "v2"}}},
        {"restore puts the backup back",
         {{"app.exe", "broken"}, {"app.bak", "v1"}},
         {{kRestore, kAppZip}},
         {{"app.exe", "v1"}}},
        {"restore without a backup keeps the program",
         {{"app.exe", "v2"}},
         {{kRestore, kAppZip}},
         {{"app.exe", "v2"}}},
        {"second restore for the same pack keeps the program",
         {{"app.exe", "v1"}},
         {{kBackup, kAppZip},
          {kWrite, "app.exe", "partial"},
          {kRestore, kAppZip},
          {kWrite, "app.exe", "later entry"},
          {kRestore, kAppZip}},
         {{"app.exe", "later entry"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramDir dir;
        for (const auto& [name, content] : c.before) dir.Write(name, content);
        for (const Step& step : c.steps) {
            const CString url = Utf8ToWide(step.arg);
            if (step.op == kBackup)
                BackupProgram(dir.BaseDir(), url);
            if (step.op == kRestore)
                RestoreProgram(dir.BaseDir(), url);
            if (step.op == kWrite)
                dir.Write(step.arg, step.content);
        }
        EXPECT_EQ(dir.Read(), c.after);
    }
}

}  // namespace
