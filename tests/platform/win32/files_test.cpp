// The kernel32 back end of the file calls: real files in a temporary directory under Wine.
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "platform/directory.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "tests/tools/unique_temp_dir.h"

// After our headers (see windows_api.h).
#include "platform/win32/windows_api.h"

namespace fs = std::filesystem;

namespace {

class Win32Files : public ::testing::Test {
protected:
    void TearDown() override { fs::remove_all(dir_); }
    std::u16string Path(const std::string& name) const { return (dir_ / name).u16string(); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string ReadHandle(HANDLE file, uint32_t count) const {
        std::string bytes(count, '\0');
        uint32_t read = 0;
        EXPECT_TRUE(ReadFile(file, bytes.data(), count, &read));
        bytes.resize(read);
        return bytes;
    }

    fs::path dir_ = MakeUniqueTempDir("win32-files-");
};

TEST_F(Win32Files, OpensAsTheDispositionSays) {
    Write("old.txt", "old contents");
    fs::create_directory(dir_ / "folder");
    struct Case {
        const char* name;
        uint32_t access;
        uint32_t disposition;
        bool opens;
        const char* contentAfter;  // null: the name holds no file afterwards
    } cases[] = {
        {"old.txt", GENERIC_READ, OPEN_EXISTING, true, "old contents"},
        {"old.txt", GENERIC_WRITE, CREATE_NEW, false, "old contents"},
        {"old.txt", GENERIC_WRITE, CREATE_ALWAYS, true, ""},
        {"new.txt", GENERIC_WRITE, CREATE_NEW, true, ""},
        {"missing.txt", GENERIC_READ, OPEN_EXISTING, false, nullptr},
        {"folder", GENERIC_READ, OPEN_EXISTING, false, nullptr},  // never a directory
        {"other.txt", 0, CREATE_NEW, false, nullptr},             // no access asked
        {"other.txt", GENERIC_WRITE, 99, false, nullptr},         // unknown disposition
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FileHandle file(CreateFileW(Path(c.name), c.access, 0, c.disposition, 0));
        EXPECT_EQ(file.Valid(), c.opens);
        file.Reset();
        if (c.contentAfter == nullptr) {
            EXPECT_FALSE(fs::is_regular_file(dir_ / c.name));
        } else {
            EXPECT_EQ(Read(c.name), c.contentAfter);
        }
    }
}

TEST_F(Win32Files, PositionsReadsAndDuplicates) {
    Write("digits.txt", "0123456789");
    FileHandle file(
        CreateFileW(Path("digits.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
    ASSERT_TRUE(file.Valid());
    EXPECT_EQ(GetFileType(file.Get()), FILE_TYPE_DISK);
    EXPECT_EQ(GetFileSize(file.Get()), 10);
    EXPECT_EQ(ReadHandle(file.Get(), 2), "01");

    // A positioned read leaves the position where it was.
    std::string middle(3, '\0');
    uint32_t read = 0;
    EXPECT_TRUE(ReadFileAt(file.Get(), 5, middle.data(), 3, &read));
    EXPECT_EQ(middle, "567");
    EXPECT_FALSE(ReadFileAt(file.Get(), -1, middle.data(), 3, &read));
    EXPECT_EQ(ReadHandle(file.Get(), 2), "23");

    // A negative position is refused and changes nothing; past the end is allowed.
    EXPECT_EQ(SetFilePointer(file.Get(), -100, FILE_CURRENT), -1);
    EXPECT_EQ(SetFilePointer(file.Get(), 0, FILE_CURRENT), 4);
    EXPECT_EQ(SetFilePointer(file.Get(), 7, 42), -1);
    EXPECT_EQ(SetFilePointer(file.Get(), 5, FILE_END), 15);
    EXPECT_EQ(ReadHandle(file.Get(), 4), "");

    // A duplicate shares the position and outlives the original.
    HANDLE copy = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(DuplicateHandle(file.Get(), &copy));
    FileHandle duplicate(copy);
    EXPECT_EQ(SetFilePointer(file.Get(), 8, FILE_BEGIN), 8);
    file.Reset();
    EXPECT_EQ(ReadHandle(duplicate.Get(), 5), "89");
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
}

TEST_F(Win32Files, PipesEndWhenTheWriterGoes) {
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    FileHandle reader(readEnd), writer(writeEnd);
    EXPECT_EQ(GetFileType(reader.Get()), FILE_TYPE_PIPE);
    EXPECT_EQ(SetFilePointer(reader.Get(), 0, FILE_CURRENT), -1);
    uint32_t written = 0;
    EXPECT_TRUE(WriteFile(writer.Get(), "abc", 3, &written));
    EXPECT_EQ(written, 3u);
    writer.Reset();
    EXPECT_EQ(ReadHandle(reader.Get(), 10), "abc");
}

TEST_F(Win32Files, RenamesReplacesAndDeletes) {
    Write("a.txt", "A");
    Write("b.txt", "B");
    EXPECT_FALSE(MoveFileW(Path("a.txt"), Path("b.txt")));  // no replacement unless asked
    EXPECT_EQ(Read("b.txt"), "B");
    EXPECT_TRUE(MoveFileExW(Path("a.txt"), Path("b.txt"), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(Read("b.txt"), "A");
    EXPECT_FALSE(PathFileExistsW(Path("a.txt")));

    // A file held open without delete sharing can be neither replaced nor deleted.
    Write("held.txt", "held");
    Write("new.txt", "new");
    {
        FileHandle held(
            CreateFileW(Path("held.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0));
        ASSERT_TRUE(held.Valid());
        EXPECT_FALSE(MoveFileExW(Path("new.txt"), Path("held.txt"), MOVEFILE_REPLACE_EXISTING));
        EXPECT_FALSE(DeleteFileW(Path("held.txt")));
    }
    EXPECT_EQ(Read("held.txt"), "held");
    EXPECT_TRUE(MoveFileExW(Path("new.txt"), Path("held.txt"), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(Read("held.txt"), "new");

    fs::create_directory(dir_ / "folder");
    EXPECT_FALSE(DeleteFileW(Path("folder")));
    EXPECT_TRUE(IsDirectoryW(Path("folder")));
    EXPECT_TRUE(DeleteFileW(Path("held.txt")));
    EXPECT_FALSE(PathFileExistsW(Path("held.txt")));
    EXPECT_FALSE(DeleteFileW(u""));
}

// A failed call leaves errno as the system's texts read it, and says whether a file is in use
// (held open without delete sharing), which a running program is not.
TEST_F(Win32Files, FailuresSetErrnoAndTellAFileInUse) {
    Write("a.txt", "A");
    Write("b.txt", "B");
    Write("held.txt", "held");
    Write("running.exe", "program");
    fs::create_directory(dir_ / "made");
    FileHandle held(CreateFileW(Path("held.txt"), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                OPEN_EXISTING, 0));
    ASSERT_TRUE(held.Valid());
    const HANDLE running = ::CreateFileW((dir_ / "running.exe").c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(running, INVALID_HANDLE_VALUE);
    struct Case {
        const char* label;
        std::function<bool()> call;
        int error;
    } cases[] = {
        {"move onto a name taken", [&] { return MoveFileW(Path("a.txt"), Path("b.txt")); }, EEXIST},
        {"move of a missing file", [&] { return MoveFileW(Path("none"), Path("c.txt")); }, ENOENT},
        {"move of a held file", [&] { return MoveFileW(Path("held.txt"), Path("c.txt")); }, EBUSY},
        {"delete of a missing file", [&] { return DeleteFileW(Path("none")); }, ENOENT},
        {"folder that exists", [&] { return CreateDirectoryW(Path("made")); }, EEXIST},
        {"folder without a parent", [&] { return CreateDirectoryW(Path("no/parent")); }, ENOENT},
        {"open of a missing file",
         [&] {
             return CreateFileW(Path("none"), GENERIC_READ, 0, OPEN_EXISTING, 0) !=
                    INVALID_HANDLE_VALUE;
         },
         ENOENT},
    };
    for (const Case& c : cases) {
        errno = 0;
        EXPECT_FALSE(c.call()) << c.label;
        EXPECT_EQ(errno, c.error) << c.label;
    }
    EXPECT_TRUE(IsFileInUse(Path("held.txt")));
    EXPECT_FALSE(IsFileInUse(Path("running.exe")));  // it can be renamed aside
    EXPECT_FALSE(IsFileInUse(Path("a.txt")));
    EXPECT_FALSE(IsFileInUse(Path("none")));
    EXPECT_TRUE(MoveFileExW(Path("running.exe"), Path("running.bak"), MOVEFILE_WRITE_THROUGH));
    CloseHandle(running);
}

// A pack may carry read-only files and folders; removing a tree (the staging area) takes them.
TEST_F(Win32Files, TreesGoWithTheirReadOnlyFilesAndFolders) {
    fs::create_directories(dir_ / "tree/sub");
    Write("tree/plain.txt", "p");
    Write("tree/sub/locked.txt", "r");
    Write("tree/locked.txt", "r");
    for (const char* name : {"tree/sub/locked.txt", "tree/locked.txt", "tree/sub"}) {
        ASSERT_TRUE(SetFileAttributesW((dir_ / name).c_str(), FILE_ATTRIBUTE_READONLY)) << name;
    }
    EXPECT_FALSE(DeleteFileW(Path("tree/locked.txt")));  // as the system has it
    EXPECT_TRUE(RemoveTree(Path("tree")));
    EXPECT_FALSE(PathFileExistsW(Path("tree")));
    // A single read-only file too.
    Write("alone.txt", "a");
    ASSERT_TRUE(SetFileAttributesW((dir_ / "alone.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(RemoveTree(Path("alone.txt")));
    EXPECT_FALSE(PathFileExistsW(Path("alone.txt")));
}

TEST_F(Win32Files, DirectoriesAndTheCurrentOne) {
    EXPECT_TRUE(CreateDirectoryW(Path("made")));
    EXPECT_FALSE(CreateDirectoryW(Path("made")));  // exists already
    EXPECT_FALSE(CreateDirectoryW(Path("no/parent")));
    EXPECT_TRUE(IsDirectoryW(Path("made")));
    Write("file.txt", "x");
    EXPECT_FALSE(IsDirectoryW(Path("file.txt")));

    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    std::u16string current;
    const uint32_t length = GetCurrentDirectoryW(MAX_PATH, current);
    std::u16string tooSmall = u"untouched";
    const uint32_t needed = GetCurrentDirectoryW(3, tooSmall);
    fs::current_path(before);

    EXPECT_EQ(current, dir_.u16string());
    EXPECT_EQ(length, current.size());
    EXPECT_NE(current.back(), u'\\');
    EXPECT_EQ(needed, current.size() + 1);
    EXPECT_TRUE(tooSmall.empty());
}

TEST(Win32Paths, TheModulePathIsAWindowsPathAndIsCutToTheCapacity) {
    std::u16string path;
    const size_t length = GetModuleFileNameW(path, MAX_PATH);
    ASSERT_GT(length, 3u);
    EXPECT_EQ(length, path.size());
    EXPECT_EQ(PathRootLength(path), 3u) << WideToUtf8(path);  // a drive, such as Z:\ under Wine
    EXPECT_TRUE(path.ends_with(u"\\platform_tests.exe")) << WideToUtf8(path);
    EXPECT_EQ(path.find(u'/'), std::u16string::npos);

    std::u16string cut;
    EXPECT_EQ(GetModuleFileNameW(cut, 5), 5u);
    EXPECT_EQ(cut, path.substr(0, 4));
}

TEST(Win32Paths, RootLength) {
    struct Case {
        std::u16string path;
        size_t root;
    } cases[] = {
        {u"C:\\Program Files\\App", 3},
        {u"c:/app", 3},
        {u"C:", 2},
        {u"C:app.exe", 2},  // relative to the drive's current directory: not under ours
        {u"\\app", 1},
        {u"\\\\server\\share\\app", 15},
        {u"\\\\server\\share", 14},
        {u"app\\sub", 0},
        {u"", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PathRootLength(c.path), c.root) << WideToUtf8(c.path);
    }
}

TEST_F(Win32Files, ShellStartsAProgramWithOpenOnly) {
    const fs::path helper = fs::path(UPDATE_MARK_STARTED_EXE);
    fs::copy_file(helper, dir_ / "prog.exe");
    EXPECT_FALSE(ShellExecuteW(nullptr, u"print", Path("prog.exe"), u"", u"", SW_SHOW));
    EXPECT_FALSE(ShellExecuteW(nullptr, u"open", Path("missing.exe"), u"", u"", SW_SHOW));
    EXPECT_FALSE(fs::exists(dir_ / "started.txt"));
    ASSERT_TRUE(ShellExecuteW(nullptr, u"open", Path("prog.exe"), u"", u"", SW_SHOW));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Read("started.txt") != "started") {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline)
            << "waited 20 s for the started program to write started.txt";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

}  // namespace
