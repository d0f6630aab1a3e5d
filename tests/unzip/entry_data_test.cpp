#include "unzip/entry_data.h"

#include <gtest/gtest.h>

#include "tests/unzip/fixtures.h"
#include "unzip/zip_codes.h"
#include "unzip/zip_status.h"

namespace {

class EntryDataTest : public ::testing::Test {
protected:
    // Opens a fixture in memory and makes entry `index` current.
    ZipDirectoryReader* Open(const std::string& fixture, uint32_t index) {
        bytes_ = ReadFixture(fixture);
        int32_t result;
        auto source = OpenByteSource(bytes_.data(), static_cast<uint32_t>(bytes_.size()),
                                     ZIO_BUFFER, &result);
        int32_t verdict;
        reader_ = OpenDirectoryReader(std::move(source), &verdict);
        EXPECT_EQ(verdict, ZS_OK) << fixture;
        if (!reader_)
            return nullptr;
        for (uint32_t i = 0; i < index; ++i) EXPECT_EQ(SelectNextEntry(reader_.get()), ZS_OK);
        return reader_.get();
    }

    // Reads the open data in requests of `n` until 0 or a failure, checking that every request
    // but the last is filled.
    std::vector<uint8_t> ReadAll(uint32_t n, int64_t* last) {
        std::vector<uint8_t> out, piece(n);
        bool shortSeen = false;
        for (;;) {
            *last = ReadEntryData(reader_.get(), piece.data(), n);
            if (*last <= 0)
                return out;
            EXPECT_FALSE(shortSeen) << "a short piece before the end";
            shortSeen = *last < n;
            out.insert(out.end(), piece.begin(), piece.begin() + *last);
        }
    }

    std::vector<uint8_t> bytes_;
    std::unique_ptr<ZipDirectoryReader> reader_;
};

TEST_F(EntryDataTest, WholeEntriesIn16384BytePieces) {
    struct Case {
        uint32_t index;
        std::vector<uint8_t> content;
    } cases[] = {
        {1, Bytes([] {
             std::string s;
             for (int i = 0; i < 20; ++i) s += "Read me first.\n";
             return s;
         }())},
        {2, Bytes("hello from a/b\n")},  // stored
        {3, {}},                         // stored, empty
        {4, {}},                         // deflated, empty
        {5, Pattern(10000)},
        {6, Noise(70000)},  // compressed data larger than one input piece
        {7, Pattern(100000)},
    };
    for (const Case& c : cases) {
        ZipDirectoryReader* r = Open("basic.zip", c.index);
        ASSERT_TRUE(r);
        ASSERT_EQ(OpenEntryData(r), ZS_OK) << c.index;
        int64_t last = -1;
        EXPECT_EQ(ReadAll(16384, &last), c.content) << c.index;
        EXPECT_EQ(last, 0);
        EXPECT_TRUE(EntryDataComplete(r));
        EXPECT_EQ(CloseEntryData(r), ZS_OK) << c.index;
    }
}

TEST_F(EntryDataTest, ZeroByteRequestChangesNothing) {
    ZipDirectoryReader* r = Open("basic.zip", 5);
    ASSERT_EQ(OpenEntryData(r), ZS_OK);
    std::vector<uint8_t> piece(10000);
    EXPECT_EQ(ReadEntryData(r, piece.data(), 0), 0);
    EXPECT_EQ(ReadEntryData(r, piece.data(), 10000), 10000);
    EXPECT_EQ(piece, Pattern(10000));
}

TEST_F(EntryDataTest, CrcIsJudgedOnlyOverTheWholeData) {
    for (uint32_t index : {0u, 1u}) {  // stored, deflated; both with a wrong CRC-32
        ZipDirectoryReader* r = Open("crc_flipped.zip", index);
        ASSERT_EQ(OpenEntryData(r), ZS_OK);
        int64_t last = -1;
        EXPECT_EQ(ReadAll(16384, &last).size(), r->header.uncompressedSize);
        EXPECT_EQ(CloseEntryData(r), ZS_CRC_MISMATCH) << index;

        ASSERT_EQ(OpenEntryData(r), ZS_OK);
        uint8_t some[100];
        EXPECT_EQ(ReadEntryData(r, some, sizeof some), 100);
        EXPECT_EQ(CloseEntryData(r), ZS_OK) << "closed part way: " << index;
    }
}

TEST_F(EntryDataTest, DataThatEndsEarly) {
    struct Case {
        const char* fixture;
        uint32_t index;
        size_t delivered;  // at most; the stated size is never exceeded
        bool complete;
    } cases[] = {
        {"short_data.zip", 0, 2999, false},  // deflate stream cut: less than the 3000 stated
        {"short_data.zip", 1, 50, false},    // stored data shorter than stated
        {"short_data.zip", 2, 0, false},     // not deflate at all
        {"oversized_compressed.zip", 0, 2000, true},  // compressed size past the data
    };
    for (const Case& c : cases) {
        ZipDirectoryReader* r = Open(c.fixture, c.index);
        ASSERT_EQ(OpenEntryData(r), ZS_OK);
        int64_t last = -1;
        const std::vector<uint8_t> got = ReadAll(16384, &last);
        EXPECT_EQ(last, 0) << c.index;
        EXPECT_LE(got.size(), c.delivered) << c.fixture << " " << c.index;
        if (c.complete) {
            EXPECT_EQ(got, Pattern(2000));
        }
        EXPECT_EQ(EntryDataComplete(r), c.complete) << c.fixture << " " << c.index;
        EXPECT_EQ(CloseEntryData(r), ZS_OK);  // not judged when incomplete
    }
}

TEST_F(EntryDataTest, NothingOpensForADisagreeingLocalHeader) {
    for (const char* fixture : {"method12.zip", "zero_local_no_bit3.zip"}) {
        ZipDirectoryReader* r = Open(fixture, 0);
        ASSERT_TRUE(r);
        EXPECT_EQ(OpenEntryData(r), ZS_INCONSISTENT) << fixture;
        uint8_t byte;
        EXPECT_EQ(ReadEntryData(r, &byte, 1), ZS_INVALID_CALL);
        EXPECT_EQ(CloseEntryData(r), ZS_INVALID_CALL);
    }
    EXPECT_EQ(OpenEntryData(nullptr), ZS_INVALID_CALL);
}

}  // namespace
