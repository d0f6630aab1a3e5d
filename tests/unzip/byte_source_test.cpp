#include "unzip/byte_source.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/text.h"
#include "tests/unzip/fixtures.h"
#include "unzip/zip_codes.h"
#include "unzip/zip_status.h"

namespace {

std::unique_ptr<ZipByteSource> MustOpen(const void* source, uint32_t length, uint32_t kind) {
    int32_t result = -1;
    auto made = OpenByteSource(source, length, kind, &result);
    EXPECT_EQ(result, ZIPRC_OK);
    return made;
}

class ByteSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        data_ = Noise(10000);
        file_ = dir_.Path() / "data.bin";
        WriteWholeFile(file_, std::string(data_.begin(), data_.end()));
    }
    std::u16string FileW() const { return Utf8ToWide(file_.string()); }

    TempDir dir_;
    std::filesystem::path file_;
    std::vector<uint8_t> data_;
};

// The window of a handle source changes nothing of what reads and seeks give: the same
// sequence over a memory block, a path and a handle gives the same results and bytes.
TEST_F(ByteSourceTest, AllKindsReadAlike) {
    struct Case {
        int64_t offset;
        int origin;
        uint32_t itemSize, itemCount;
        uint32_t items;     // whole items read
        int64_t tellAfter;  // position after the read
    } cases[] = {
        {0, 0, 1, 10, 10, 10},        // through a fresh window
        {4090, 0, 1, 10, 10, 4100},   // across the window's end
        {-5, 2, 1, 10, 5, 10000},     // the end cuts the read
        {2000, 0, 3000, 1, 1, 5000},  // large: straight from the file
        {100, 1, 1, 1, 1, 5101},      // from the current position
        {9990, 0, 20, 1, 0, 10000},   // one item that does not fit: none read
        {9995, 0, 4, 3, 1, 10000},    // whole items only
        {200, 2, 1, 1, 0, 10200},     // past the end: nothing
        {-10000, 2, 2, 5, 5, 10},     // back to the start from the end
    };
    const std::u16string path = FileW();
    const int fd = open(file_.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    std::unique_ptr<ZipByteSource> sources[] = {
        MustOpen(data_.data(), static_cast<uint32_t>(data_.size()), ZIO_BUFFER),
        MustOpen(path.c_str(), 0, ZIO_PATH),
        MustOpen(FdToHandle(fd), 0, ZIO_HANDLE),
    };
    close(fd);  // the source holds its own duplicate
    for (auto& source : sources) {
        ASSERT_TRUE(source);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "seek " << c.offset << " from " << c.origin);
            ASSERT_EQ(ByteSourceSeek(*source, c.offset, c.origin), 0);
            const int64_t from = ByteSourceTell(*source);
            std::vector<uint8_t> got(size_t{c.itemSize} * c.itemCount);
            EXPECT_EQ(ByteSourceRead(got.data(), c.itemSize, c.itemCount, *source), c.items);
            EXPECT_EQ(ByteSourceTell(*source), c.tellAfter);
            const size_t wholeBytes = size_t{c.items} * c.itemSize;
            EXPECT_TRUE(std::equal(got.begin(), got.begin() + wholeBytes, data_.begin() + from));
        }
        EXPECT_FALSE(ByteSourceFailed(*source));
    }
}

TEST_F(ByteSourceTest, ByteReadsAtTheEnd) {
    const uint8_t three[] = {0x01, 0x02, 0x03};
    auto source = MustOpen(three, 3, ZIO_BUFFER);
    uint32_t value = 7;
    EXPECT_EQ(ReadUInt32LE(*source, &value), ZS_OK);
    EXPECT_EQ(value, 0x030201u);  // the missing byte counts as 0
    uint8_t byte = 0xAA;
    EXPECT_EQ(ReadByte(*source, &byte), ZS_OK);
    EXPECT_EQ(byte, 0xAA);  // no value delivered
    ByteSourceSeek(*source, 1, 0);
    EXPECT_EQ(ReadUInt16LE(*source, &value), ZS_OK);
    EXPECT_EQ(value, 0x0302u);
}

TEST_F(ByteSourceTest, HandleSourceStartsAtItsPosition) {
    const int fd = open(file_.c_str(), O_RDONLY);
    ASSERT_EQ(lseek(fd, 500, SEEK_SET), 500);
    auto source = MustOpen(FdToHandle(fd), 0, ZIO_HANDLE);
    EXPECT_EQ(source->startOffset, 500);
    EXPECT_EQ(ByteSourceTell(*source), 0);
    uint8_t byte = 0;
    EXPECT_EQ(ReadByte(*source, &byte), ZS_OK);
    EXPECT_EQ(byte, data_[500]);
    ByteSourceSeek(*source, 0, 2);
    EXPECT_EQ(ByteSourceTell(*source), 10000 - 500);
    // A position before the file's start is refused and nothing moves.
    ByteSourceSeek(*source, -1000, 0);
    EXPECT_EQ(ByteSourceTell(*source), 10000 - 500);
    EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 500);  // the caller's position is left alone
    close(fd);
}

TEST_F(ByteSourceTest, FailedHandleReadIsKept) {
    const int fd = open(file_.c_str(), O_WRONLY);  // a disk file that cannot be read
    auto source = MustOpen(FdToHandle(fd), 0, ZIO_HANDLE);
    close(fd);
    uint8_t byte = 0;
    EXPECT_EQ(ReadByte(*source, &byte), ZS_IO_ERROR);
    EXPECT_TRUE(ByteSourceFailed(*source));
    uint32_t value = 9;
    EXPECT_EQ(ReadUInt32LE(*source, &value), ZS_IO_ERROR);
    EXPECT_EQ(value, 0u);
}

TEST_F(ByteSourceTest, PipeIsNotSeekable) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], "PK", 2), 2);
    close(fds[1]);
    auto source = MustOpen(FdToHandle(fds[0]), 0, ZIO_HANDLE);
    close(fds[0]);
    EXPECT_FALSE(source->seekable);
    EXPECT_NE(ByteSourceSeek(*source, 0, 0), 0);
    EXPECT_NE(ByteSourceSeek(*source, 0, 2), 0);
    EXPECT_EQ(ByteSourceTell(*source), 0);
    uint32_t value = 0;
    EXPECT_EQ(ReadUInt16LE(*source, &value), ZS_OK);
    EXPECT_EQ(value, 0x4B50u);
}

TEST_F(ByteSourceTest, SourcesThatCannotBeMade) {
    const std::u16string missing = dir_.Wide("missing.zip");
    const std::u16string directory = dir_.Wide();
    struct Case {
        const void* source;
        uint32_t kind;
        int32_t result;
    } cases[] = {
        {missing.c_str(), ZIO_PATH, ZIPRC_FILE_OPEN_FAILED},
        {directory.c_str(), ZIO_PATH, ZIPRC_FILE_OPEN_FAILED},
        {nullptr, ZIO_PATH, ZIPRC_BAD_ARGUMENT},
        {nullptr, ZIO_BUFFER, ZIPRC_BAD_ARGUMENT},
        {INVALID_HANDLE_VALUE, ZIO_HANDLE, ZIPRC_HANDLE_COPY_FAILED},
        {missing.c_str(), 0, ZIPRC_BAD_ARGUMENT},
        {missing.c_str(), 4, ZIPRC_BAD_ARGUMENT},
    };
    for (const Case& c : cases) {
        int32_t result = -1;
        EXPECT_EQ(OpenByteSource(c.source, 0, c.kind, &result), nullptr);
        EXPECT_EQ(result, c.result) << "kind " << c.kind;
    }
}

}  // namespace
