#include "unzip/directory_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include <gtest/gtest.h>

#include "tests/unzip/fixtures.h"
#include "unzip/zip_codes.h"
#include "unzip/zip_status.h"

namespace {

// A fixture held in memory with its directory reader.
struct OpenedFixture {
    std::vector<uint8_t> bytes;
    std::unique_ptr<ZipDirectoryReader> reader;
    int32_t verdict = 1;
};

std::unique_ptr<ZipByteSource> MemorySource(const std::vector<uint8_t>& bytes) {
    int32_t result;
    return OpenByteSource(bytes.data(), static_cast<uint32_t>(bytes.size()), ZIO_BUFFER, &result);
}

OpenedFixture OpenReader(const std::string& name) {
    OpenedFixture f;
    f.bytes = ReadFixture(name);
    f.reader = OpenDirectoryReader(MemorySource(f.bytes), &f.verdict);
    return f;
}

TEST(FindEndRecord, SearchesTheRecordAndTheLongestCommentFromTheEnd) {
    struct Case {
        const char* fixture;
        int64_t fromEnd;  // where the record is expected, counted back from the end; 0: none
    } cases[] = {
        {"small.zip", 22},
        {"window_1029.zip", 1029},
        {"window_1030.zip", 1030},
        {"window_1031.zip", 1031},
        {"comment_65514.zip", 65536},
        {"comment_65535.zip", 65557},  // the farthest a record can be
        // The signature inside the comment is nearer to the end, but its comment length does
        // not reach the end; the real record's does.
        {"comment_signature.zip", 22 + 35},
        {"end_record_only.zip", 22},  // at position 0
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = ReadFixture(c.fixture);
        ASSERT_FALSE(bytes.empty()) << c.fixture;
        auto source = MemorySource(bytes);
        const int64_t expected =
            c.fromEnd == 0 ? -1 : static_cast<int64_t>(bytes.size()) - c.fromEnd;
        EXPECT_EQ(FindEndRecord(*source), expected) << c.fixture;
    }
    const std::vector<uint8_t> none(100000, 'x');
    EXPECT_EQ(FindEndRecord(*MemorySource(none)), -1);
    const std::vector<uint8_t> tooShort = {0x50, 0x4B, 0x05, 0x06, 0, 0};
    EXPECT_EQ(FindEndRecord(*MemorySource(tooShort)), -1);
}

TEST(OpenDirectoryReader, Verdicts) {
    struct Case {
        const char* fixture;
        int32_t verdict;
        uint32_t entryCount;
        uint64_t bytesBefore;
    } cases[] = {
        {"small.zip", ZS_OK, 3, 0},
        {"prefix_1000.zip", ZS_OK, 3, 1000},
        {"comment_65513.zip", ZS_OK, 3, 0},
        {"comment_65535.zip", ZS_OK, 3, 0},
        {"comment_signature.zip", ZS_OK, 3, 0},
        {"window_1030.zip", ZS_OK, 3, 0},
        {"end_record_only.zip", ZS_OK, 0, 0},
        {"empty.zip", ZS_OK, 0, 0},
        {"zip64_end.zip", ZS_OK, 3, 0},
        {"zip64_prefix.zip", ZS_OK, 3, 300},
        {"zip64_both_values.zip", ZS_OK, 3, 0},
        {"zip64_forced.zip", ZS_OK, 2, 0},
        {"many_70000.zip", ZS_OK, 70000, 0},
        {"wrapped_70000.zip", ZS_OK, 70000, 0},  // the count wrapped to 4464: what is there
        {"bad_central.zip", ZS_OK, 3, 0},        // the walk stops at entry 1; the count stands
        {"digital_signature.zip", ZS_OK, 1, 0},
        {"multi_disk.zip", ZS_INCONSISTENT, 0, 0},
        {"count_mismatch.zip", ZS_INCONSISTENT, 0, 0},
        {"count_short.zip", ZS_INCONSISTENT, 0, 0},
        {"count_long.zip", ZS_INCONSISTENT, 0, 0},
        {"directory_beyond_end.zip", ZS_INCONSISTENT, 0, 0},
        {"zip64_locator_outside.zip", ZS_INCONSISTENT, 0, 0},
        {"zip64_record_too_long.zip", ZS_INCONSISTENT, 0, 0},
        {"zip64_directory_outside.zip", ZS_INCONSISTENT, 0, 0},
        {"zip64_count_disagrees.zip", ZS_INCONSISTENT, 0, 0},
        {"zip64_end_disagrees.zip", ZS_INCONSISTENT, 0, 0},
        {"zip64_multi_disk.zip", ZS_INCONSISTENT, 0, 0},
        {"zip64_huge_count.zip", ZS_INCONSISTENT, 0, 0},
    };
    for (const Case& c : cases) {
        OpenedFixture f = OpenReader(c.fixture);
        EXPECT_EQ(f.verdict, c.verdict) << c.fixture;
        ASSERT_EQ(f.reader != nullptr, c.verdict == ZS_OK) << c.fixture;
        if (!f.reader)
            continue;
        EXPECT_EQ(f.reader->entryCount, c.entryCount) << c.fixture;
        EXPECT_EQ(f.reader->bytesBefore, c.bytesBefore) << c.fixture;
        EXPECT_EQ(f.reader->entryIndex, 0u);
        if (c.entryCount == 0)
            continue;
        EXPECT_EQ(f.reader->entryValid, 1u);
        // Headers are found at their archive offsets plus the bytes in front.
        EXPECT_EQ(CheckLocalHeader(f.reader.get(), nullptr), ZS_OK) << c.fixture;
    }
}

TEST(OpenDirectoryReader, HandlePositionIsTheStart) {
    const int fd = open(FixturePath("prefix_500.zip").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(lseek(fd, 500, SEEK_SET), 500);
    int32_t result = -1;
    auto source = OpenByteSource(FdToHandle(fd), 0, ZIO_HANDLE, &result);
    close(fd);
    int32_t verdict = 1;
    auto reader = OpenDirectoryReader(std::move(source), &verdict);
    ASSERT_EQ(verdict, ZS_OK);
    EXPECT_EQ(reader->bytesBefore, 500u);
    EXPECT_EQ(reader->source->startOffset, 0);  // from now on, positions are file positions
    for (uint32_t i = 0; i < reader->entryCount; ++i) {
        EXPECT_EQ(CheckLocalHeader(reader.get(), nullptr), ZS_OK) << i;
        SelectNextEntry(reader.get());
    }
}

TEST(SelectNextEntry, StopsAtTheLastAndAtAnUnreadableHeader) {
    OpenedFixture small = OpenReader("small.zip");
    ASSERT_TRUE(small.reader);
    ZipDirectoryReader* r = small.reader.get();
    EXPECT_EQ(SelectNextEntry(r), ZS_OK);
    EXPECT_EQ(SelectNextEntry(r), ZS_OK);
    EXPECT_EQ(SelectNextEntry(r), ZS_END_OF_LIST);
    EXPECT_EQ(r->entryIndex, 2u);
    EXPECT_EQ(r->entryValid, 1u);
    EXPECT_EQ(r->header.nameLength, std::strlen("deflated.txt"));
    EXPECT_EQ(SelectFirstEntry(r), ZS_OK);
    EXPECT_EQ(r->header.nameLength, std::strlen("d/"));

    OpenedFixture bad = OpenReader("bad_central.zip");
    ASSERT_TRUE(bad.reader);
    EXPECT_EQ(SelectNextEntry(bad.reader.get()), ZS_INCONSISTENT);
    EXPECT_EQ(bad.reader->entryIndex, 1u);
    EXPECT_EQ(bad.reader->entryValid, 0u);
    EXPECT_EQ(SelectNextEntry(bad.reader.get()), ZS_END_OF_LIST);
    EXPECT_EQ(bad.reader->entryIndex, 1u);

    EXPECT_EQ(SelectNextEntry(nullptr), ZS_INVALID_CALL);
    EXPECT_EQ(SelectFirstEntry(nullptr), ZS_INVALID_CALL);
    std::unique_ptr<ZipDirectoryReader> none;
    EXPECT_EQ(CloseDirectoryReader(none), ZS_INVALID_CALL);
}

TEST(ReadCentralHeader, NameAtAndBelowTheCapacity) {
    OpenedFixture f = OpenReader("small.zip");
    ASSERT_TRUE(f.reader);
    ASSERT_EQ(SelectNextEntry(f.reader.get()), ZS_OK);  // "d/stored.txt", 12 bytes
    struct Case {
        uint32_t capacity;
        std::string expected;  // the buffer's first capacity + 1 bytes afterwards
    } cases[] = {
        {12, std::string("d/stored.txt") + "#"},  // filled, no terminator
        {13, std::string("d/stored.txt") + '\0' + "#"},
        {5, "d/sto#"},
    };
    for (const Case& c : cases) {
        std::string buffer(c.capacity + 1, '#');
        CentralEntryHeader header;
        uint64_t localOffset = 1;
        ASSERT_EQ(
            ReadCentralHeader(f.reader.get(), &header, &localOffset, buffer.data(), c.capacity),
            ZS_OK);
        EXPECT_EQ(buffer.substr(0, c.expected.size()), c.expected) << c.capacity;
        EXPECT_EQ(header.nameLength, 12u);
        EXPECT_EQ(localOffset, f.reader->localHeaderOffset);
    }
}

TEST(CheckLocalHeader, ComparesWithTheCentralHeader) {
    struct Case {
        const char* fixture;
        int32_t status;
    } cases[] = {
        {"descriptor_bit3.zip", ZS_OK},               // zero CRC and sizes under bit 3
        {"zero_local_no_bit3.zip", ZS_INCONSISTENT},  // the same without bit 3
        {"method12.zip", ZS_INCONSISTENT},            // agreed, but not a method we read
        {"small.zip", ZS_OK},
        {"zip64_forced.zip", ZS_OK},  // local sizes from the ZIP64 extra field
        {"zip64_end.zip", ZS_OK},     // and the central ones too, with the offset
        {"encrypted.zip", ZS_OK},     // its first entry is not encrypted
    };
    for (const Case& c : cases) {
        OpenedFixture f = OpenReader(c.fixture);
        ASSERT_TRUE(f.reader) << c.fixture;
        LocalHeaderInfo info;
        EXPECT_EQ(CheckLocalHeader(f.reader.get(), &info), c.status) << c.fixture;
        if (c.status != ZS_OK)
            continue;
        EXPECT_EQ(info.variableLength, f.reader->header.nameLength + info.extraLength);
        EXPECT_EQ(info.extraOffset,
                  f.reader->localHeaderOffset + kLocalHeaderSize + f.reader->header.nameLength);
    }
}

}  // namespace
