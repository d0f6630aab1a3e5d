#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/text.h"

namespace fs = std::filesystem;

namespace {

class FileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "file-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::u16string Wide(const std::string& name) const {
        return Utf8ToWide((dir_ / name).string());
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir_;
};

TEST_F(FileTest, Dispositions) {
    Write("existing", "old");
    mkfifo((dir_ / "fifo").c_str(), 0600);
    struct Case {
        const char* name;
        uint32_t access, disposition;
        bool opens;
        const char* contentAfter;  // null: the name holds no regular file to read
    } cases[] = {
        {"existing", GENERIC_WRITE, CREATE_NEW, false, "old"},
        {"existing", GENERIC_READ, OPEN_EXISTING, true, "old"},
        {"existing", GENERIC_WRITE, CREATE_ALWAYS, true, ""},  // truncated
        {"new", GENERIC_WRITE, CREATE_NEW, true, ""},
        {"missing", GENERIC_READ, OPEN_EXISTING, false, nullptr},
        {".", GENERIC_READ, OPEN_EXISTING, false, nullptr},    // a directory is never opened
        {"fifo", GENERIC_READ, OPEN_EXISTING, true, nullptr},  // and a FIFO does not block
        {"other", 0, CREATE_NEW, false, nullptr},
        {"other", GENERIC_WRITE, 9, false, nullptr},
    };
    for (const Case& c : cases) {
        const HANDLE h = CreateFileW(Wide(c.name), c.access, FILE_SHARE_READ, c.disposition,
                                     FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, c.opens) << c.name << " " << c.disposition;
        if (h != INVALID_HANDLE_VALUE) {
            EXPECT_EQ(fcntl(HandleToFd(h), F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
            EXPECT_TRUE(CloseHandle(h));
        }
        if (c.contentAfter) {
            EXPECT_EQ(Read(c.name), c.contentAfter) << c.name;
        }
    }
}

TEST_F(FileTest, PositionsReadsAndWrites) {
    FileHandle file(CreateFileW(Wide("f"), GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW, 0));
    ASSERT_TRUE(file.Valid());
    uint32_t written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), "hello world", 11, &written));
    EXPECT_EQ(written, 11u);
    EXPECT_EQ(GetFileSize(file.Get()), 11);
    struct Case {
        int64_t distance;
        uint32_t origin;
        int64_t position;  // -1: refused, the position stays
        const char* next;  // the next three bytes there
    } cases[] = {
        {6, FILE_BEGIN, 6, "wor"},       {-5, FILE_END, 6, "wor"}, {-4, FILE_CURRENT, 5, " wo"},
        {-100, FILE_CURRENT, -1, "rld"}, {-1, FILE_BEGIN, -1, ""}, {0, 7, -1, ""},
        {20, FILE_BEGIN, 20, ""},  // past the end: allowed, reads nothing
    };
    for (const Case& c : cases) {
        const int64_t before = SetFilePointer(file.Get(), 0, FILE_CURRENT);
        EXPECT_EQ(SetFilePointer(file.Get(), c.distance, c.origin), c.position);
        if (c.position == -1) {
            EXPECT_EQ(SetFilePointer(file.Get(), 0, FILE_CURRENT), before);
        }
        char got[3] = {};
        uint32_t read = 9;
        EXPECT_TRUE(ReadFile(file.Get(), got, 3, &read));
        EXPECT_EQ(std::string(got, read), c.next) << c.distance;
    }
    // A positional read leaves the position alone.
    SetFilePointer(file.Get(), 2, FILE_BEGIN);
    char got[5];
    uint32_t read = 0;
    EXPECT_TRUE(ReadFileAt(file.Get(), 6, got, 5, &read));
    EXPECT_EQ(std::string(got, read), "world");
    EXPECT_EQ(SetFilePointer(file.Get(), 0, FILE_CURRENT), 2);
    EXPECT_FALSE(ReadFileAt(file.Get(), -1, got, 5, &read));
}

TEST_F(FileTest, FailuresAreReported) {
    Write("f", "data");
    FileHandle writeOnly(CreateFileW(Wide("f"), GENERIC_WRITE, 0, OPEN_EXISTING, 0));
    char buffer[4];
    uint32_t count = 9;
    EXPECT_FALSE(ReadFile(writeOnly.Get(), buffer, 4, &count));
    EXPECT_EQ(count, 0u);
    FileHandle readOnly(CreateFileW(Wide("f"), GENERIC_READ, 0, OPEN_EXISTING, 0));
    EXPECT_FALSE(WriteFile(readOnly.Get(), "x", 1, &count));
    FileHandle full(CreateFileW(u"/dev/full", GENERIC_WRITE, 0, OPEN_EXISTING, 0));
    if (full.Valid()) {
        EXPECT_FALSE(WriteFile(full.Get(), "x", 1, &count));
    }
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
}

TEST_F(FileTest, TypesDuplicatesAndOwnership) {
    Write("f", "abcdef");
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    FileHandle readEnd(FdToHandle(fds[0])), writeEnd(FdToHandle(fds[1]));
    FileHandle file(CreateFileW(Wide("f"), GENERIC_READ, 0, OPEN_EXISTING, 0));
    FileHandle null(CreateFileW(u"/dev/null", GENERIC_READ, 0, OPEN_EXISTING, 0));
    EXPECT_EQ(GetFileType(file.Get()), FILE_TYPE_DISK);
    EXPECT_EQ(GetFileType(readEnd.Get()), FILE_TYPE_PIPE);
    EXPECT_EQ(GetFileType(null.Get()), FILE_TYPE_CHAR);
    EXPECT_EQ(GetFileType(INVALID_HANDLE_VALUE), FILE_TYPE_UNKNOWN);

    HANDLE copy = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(DuplicateHandle(file.Get(), &copy));
    FileHandle owned(copy);
    SetFilePointer(file.Get(), 4, FILE_BEGIN);
    EXPECT_EQ(SetFilePointer(owned.Get(), 0, FILE_CURRENT), 4);  // one shared position
    const int fd = HandleToFd(file.Get());
    file.Reset();
    EXPECT_EQ(fcntl(fd, F_GETFD), -1);  // closed by its owner
    char got[2];
    uint32_t read = 0;
    EXPECT_TRUE(ReadFile(owned.Get(), got, 2, &read));  // the duplicate lives on
    EXPECT_EQ(std::string(got, read), "ef");
    FileHandle moved(std::move(owned));
    EXPECT_FALSE(owned.Valid());
    EXPECT_TRUE(moved.Valid());
    HANDLE none;
    EXPECT_FALSE(DuplicateHandle(INVALID_HANDLE_VALUE, &none));
}

TEST_F(FileTest, CopyPermissions) {
    Write("model", "m");
    chmod((dir_ / "model").c_str(), 0750);
    FileHandle file(CreateFileW(Wide("copy"), GENERIC_WRITE, 0, CREATE_NEW, 0));
    EXPECT_TRUE(CopyPermissions(Wide("model"), file.Get()));
    EXPECT_EQ(fs::status(dir_ / "copy").permissions(), fs::perms(0750));
    fs::create_symlink(dir_ / "model", dir_ / "link");
    EXPECT_FALSE(CopyPermissions(Wide("link"), file.Get()));  // links are not followed
    EXPECT_FALSE(CopyPermissions(Wide("missing"), file.Get()));
}

}  // namespace
