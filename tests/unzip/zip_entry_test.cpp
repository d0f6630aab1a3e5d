// Describing entries: GetZipEntry and the records behind it.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/unzip/fixtures.h"
#include "unzip/zip_archive.h"
#include "unzip/zip_handle.h"

namespace {

uint64_t Count(const FILETIME& t) {
    return FileTimeToUInt64(t);
}

ZipEntryInfo Sentinel() {
    ZipEntryInfo info;
    info.index = 12345;
    info.name[0] = u'#';
    info.attributes = 0xDEAD;
    return info;
}

void ExpectUntouched(const ZipEntryInfo& info) {
    EXPECT_EQ(info.index, 12345);
    EXPECT_EQ(info.name[0], u'#');
    EXPECT_EQ(info.attributes, 0xDEADu);
}

TEST(GetZipEntry, CountAndIndexRange) {
    for (const char* fixture : {"basic.zip", "bad_central.zip", "zero_local_no_bit3.zip",
                                "empty.zip", "many_70000.zip"}) {
        ZipArchivePtr zip = OpenFixture(fixture);
        ASSERT_TRUE(zip) << fixture;
        ZipEntryInfo info = Sentinel();
        info.compressedSize = 9;
        info.modificationTime = UInt64ToFileTime(9);
        ASSERT_EQ(GetZipEntry(zip.get(), -1, &info), ZIPRC_OK) << fixture;
        const int32_t count = info.index;
        EXPECT_EQ(info.name[0], u'\0');
        EXPECT_EQ(info.attributes, 0u);
        EXPECT_EQ(info.compressedSize, 0u);
        EXPECT_EQ(info.uncompressedSize, 0u);
        EXPECT_EQ(Count(info.modificationTime) | Count(info.accessTime) | Count(info.creationTime),
                  0u);
        for (int32_t bad : {-2, count, count + 1, INT32_MIN, INT32_MAX}) {
            ZipEntryInfo untouched = Sentinel();
            EXPECT_EQ(GetZipEntry(zip.get(), bad, &untouched), ZIPRC_BAD_ARGUMENT) << bad;
            ExpectUntouched(untouched);
        }
    }
}

TEST(GetZipEntry, DescribesEntries) {
    ZipArchivePtr zip = OpenFixture("basic.zip");
    ASSERT_TRUE(zip);
    struct Case {
        int32_t index;
        std::u16string name;
        uint32_t attributes;
        uint32_t size;
    } cases[] = {
        {0, u"docs/", 0x90, 0},     {1, u"docs/readme.txt", 0x80, 300},
        {2, u"a/b.txt", 0x80, 15},  {7, u"pattern100000.bin", 0x80, 100000},
        {3, u"empty.txt", 0x80, 0},  // a lower index: the walk starts again
    };
    for (const Case& c : cases) {
        ZipEntryInfo info;
        ASSERT_EQ(GetZipEntry(zip.get(), c.index, &info), ZIPRC_OK);
        EXPECT_EQ(info.index, c.index);
        EXPECT_EQ(std::u16string(info.name), c.name);
        EXPECT_EQ(info.attributes, c.attributes) << c.index;
        EXPECT_EQ(info.uncompressedSize, c.size);
        // No extended timestamp: the MS-DOS time, taken as UTC, in all three.
        EXPECT_EQ(Count(info.modificationTime), FixtureDosTimeCount());
        EXPECT_EQ(Count(info.accessTime), FixtureDosTimeCount());
        EXPECT_EQ(Count(info.creationTime), FixtureDosTimeCount());
    }
}

TEST(GetZipEntry, ExtendedTimestamps) {
    const uint64_t dos = FixtureDosTimeCount();
    const uint64_t t1 = UnixToFileTimeCount(1600000000), t2 = UnixToFileTimeCount(1500000000),
                   t3 = UnixToFileTimeCount(1400000000);
    struct Case {
        int32_t index;
        const char16_t* name;
        uint64_t modification, access, creation;
    } cases[] = {
        {0, u"no_ut.txt", dos, dos, dos},
        {1, u"ut_flags1.txt", t1, dos, dos},
        {2, u"ut_flags7.txt", t1, t2, t3},
        {3, u"ut_after_300.txt", t1, dos, dos},    // found behind a block of 300 bytes
        {4, u"ut_short_block.txt", t1, dos, dos},  // three announced, one held
        {5, u"ut_cut_extra.txt", t1, dos, dos},    // the block runs past the extra field
        {6, u"ut_negative.txt", dos, t2, dos},     // before 1970: the MS-DOS time stays
        {7, u"ut_twice.txt", t1, dos, dos},        // only the first block counts
    };
    ZipArchivePtr zip = OpenFixture("timestamps.zip");
    ASSERT_TRUE(zip);
    for (const Case& c : cases) {
        ZipEntryInfo info;
        ASSERT_EQ(GetZipEntry(zip.get(), c.index, &info), ZIPRC_OK);
        EXPECT_EQ(std::u16string(info.name), c.name);
        EXPECT_EQ(Count(info.modificationTime), c.modification) << c.index;
        EXPECT_EQ(Count(info.accessTime), c.access) << c.index;
        EXPECT_EQ(Count(info.creationTime), c.creation) << c.index;
    }
}

TEST(GetZipEntry, AttributeMapping) {
    struct Case {
        int32_t index;
        uint32_t attributes;
    } cases[] = {
        {0, 0xA1},  // 0x00000020: archive, and read-only since no Unix mode is recorded
        {1, 0x80},  // 0x81A40000: Unix regular file, mode 644
        {2, 0x90},  // 0x41ED0000: Unix directory, mode 755
        {3, 0x91},  // 0x00000010: MS-DOS directory, no Unix mode
        {4, 0x87},  // 0x81A40007: hidden, system and read-only MS-DOS bits
    };
    ZipArchivePtr zip = OpenFixture("attributes.zip");
    ASSERT_TRUE(zip);
    for (const Case& c : cases) {
        ZipEntryInfo info;
        ASSERT_EQ(GetZipEntry(zip.get(), c.index, &info), ZIPRC_OK);
        EXPECT_EQ(info.attributes, c.attributes) << c.index;
    }
}

TEST(GetZipEntry, DirectoriesByTheirNames) {
    struct Case {
        const char* fixture;
        int32_t index;
        uint32_t attributes;
    } cases[] = {
        {"directory_names.zip", 0, 0x91},    // "conf/", attributes 0: a directory all the same
        {"directory_names.zip", 1, 0x91},    // "META-INF\\"
        {"directory_names.zip", 2, 0x81},    // "conf/app.ini" stays a file
        {"directory_zipinfo.zip", 0, 0x90},  // zipfile writes mode 0600 for attributes 0
        {"directory_zipinfo.zip", 1, 0x80},
    };
    for (const Case& c : cases) {
        ZipArchivePtr zip = OpenFixture(c.fixture);
        ASSERT_TRUE(zip) << c.fixture;
        ZipEntryInfo info;
        ASSERT_EQ(GetZipEntry(zip.get(), c.index, &info), ZIPRC_OK);
        EXPECT_EQ(info.attributes, c.attributes) << c.fixture << " " << c.index;
    }
}

TEST(GetZipEntry, UnixModesOfEntriesMadeOnUnix) {
    struct Case {
        int32_t index;
        uint32_t unixMode;
    } cases[] = {
        {0, 0100755}, {1, 0100640}, {2, 0750},
        {3, 0104755}, {4, 0120777}, {5, 0},  // made on MS-DOS: the high bits are no mode
    };
    ZipArchivePtr zip = OpenFixture("modes.zip");
    ASSERT_TRUE(zip);
    for (const Case& c : cases) {
        ZipEntryInfo info;
        ASSERT_EQ(GetZipEntry(zip.get(), c.index, &info), ZIPRC_OK);
        EXPECT_EQ(info.unixMode, c.unixMode) << c.index;
    }
    ZipArchivePtr dos = OpenFixture("attributes.zip");
    ZipEntryInfo info;
    ASSERT_EQ(GetZipEntry(dos.get(), 1, &info), ZIPRC_OK);
    EXPECT_EQ(info.unixMode, 0100644u);
}

TEST(GetZipEntry, SizesFromZip64Fields) {
    struct Case {
        const char* fixture;
        int32_t index;
        std::u16string name;
        uint64_t size;
    } cases[] = {
        {"zip64_end.zip", 1, u"z64/stored.txt", 19},
        {"zip64_end.zip", 2, u"z64/deflated.bin", 5000},
        {"zip64_prefix.zip", 2, u"z64/deflated.bin", 5000},
        {"zip64_forced.zip", 1, u"f/two.bin", 20000},
        {"many_70000.zip", 69999, u"m/69999", 1},
        {"wrapped_70000.zip", 65536, u"w/65536", 1},
    };
    for (const Case& c : cases) {
        ZipArchivePtr zip = OpenFixture(c.fixture);
        ASSERT_TRUE(zip) << c.fixture;
        ZipEntryInfo info;
        ASSERT_EQ(GetZipEntry(zip.get(), c.index, &info), ZIPRC_OK) << c.fixture;
        EXPECT_EQ(std::u16string(info.name), c.name);
        EXPECT_EQ(info.uncompressedSize, c.size) << c.fixture;
    }
}

TEST(GetZipEntry, NamesAreConvertedOrRefusedNeverCut) {
    struct Case {
        int32_t index;
        int32_t result;
        std::u16string name;
    } cases[] = {
        {0, ZIPRC_OK, std::u16string(258, u'n')},
        {1, ZIPRC_ENTRY_MISMATCH, {}},  // 259 units do not fit the info's 258
        {2, ZIPRC_ENTRY_MISMATCH, {}},  // 260 bytes do not fit the record's 259
        {3, ZIPRC_ENTRY_MISMATCH, {}},
        {4, ZIPRC_ENTRY_MISMATCH, {}},                        // a NUL byte inside
        {5, ZIPRC_OK, u"x" + std::u16string(86, u'\u20ac')},  // 259 bytes, 87 units
        {6, ZIPRC_OK, u"caf\u00e9.txt"},                      // CP437 0x82
        {7, ZIPRC_OK, u"caf\u00e9.txt"},                      // valid UTF-8 without bit 11
    };
    ZipArchivePtr zip = OpenFixture("names.zip");
    ASSERT_TRUE(zip);
    TempDir dir;
    for (const Case& c : cases) {
        ZipEntryInfo info = Sentinel();
        EXPECT_EQ(GetZipEntry(zip.get(), c.index, &info), c.result) << c.index;
        if (c.result != ZIPRC_OK) {
            ExpectUntouched(info);
            // What cannot be described is not extracted either.
            const std::u16string target = dir.Wide("refused.txt");
            std::vector<char16_t> path(target.begin(), target.end());
            path.push_back(u'\0');
            EXPECT_EQ(ExtractZipEntry(zip.get(), c.index, path.data(), 0, ZIO_PATH), c.result);
            uint8_t buffer[16];
            EXPECT_EQ(ExtractZipEntry(zip.get(), c.index, buffer, sizeof buffer, ZIO_BUFFER),
                      c.result);
            EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
            continue;
        }
        EXPECT_EQ(std::u16string(info.name), c.name) << c.index;
    }
}

TEST(GetZipEntry, EntriesThatCannotBeDescribed) {
    struct Case {
        const char* fixture;
        int32_t index;
        int32_t result;
    } cases[] = {
        {"zero_local_no_bit3.zip", 0, ZIPRC_ENTRY_MISMATCH},
        {"method12.zip", 0, ZIPRC_ENTRY_MISMATCH},
        {"bad_central.zip", 1, ZIPRC_ENTRY_MISMATCH},  // its central header is unreadable
        {"bad_central.zip", 2, ZIPRC_ENTRY_MISMATCH},  // and the walk cannot pass it
        {"bad_central.zip", 0, ZIPRC_OK},
        {"extra_past_end.zip", 0, ZIPRC_EXTRA_READ_FAILED},
        {"descriptor_bit3.zip", 0, ZIPRC_OK},
        {"encrypted.zip", 0, ZIPRC_OK},
        {"encrypted.zip", 1, ZIPRC_ENTRY_MISMATCH},  // traditional encryption, bit 0
        {"encrypted.zip", 2, ZIPRC_ENTRY_MISMATCH},  // strong encryption, bits 0 and 6
        {"encrypted.zip", 3, ZIPRC_ENTRY_MISMATCH},  // bit 0 in the local header only
    };
    for (const Case& c : cases) {
        ZipArchivePtr zip = OpenFixture(c.fixture);
        ASSERT_TRUE(zip) << c.fixture;
        ZipEntryInfo info = Sentinel();
        EXPECT_EQ(GetZipEntry(zip.get(), c.index, &info), c.result) << c.fixture << c.index;
        if (c.result == ZIPRC_OK)
            continue;
        ExpectUntouched(info);
        // Nothing of it is handed out.
        uint8_t buffer[64];
        EXPECT_EQ(ExtractZipEntry(zip.get(), c.index, buffer, sizeof buffer, ZIO_BUFFER), c.result);
    }
}

TEST(ZipArchive, HandleChecks) {
    ZipEntryInfo info = Sentinel();
    uint8_t buffer[4];
    EXPECT_EQ(GetZipEntry(nullptr, 0, &info), ZIPRC_BAD_ARGUMENT);
    EXPECT_EQ(ExtractZipEntry(nullptr, 0, buffer, 4, ZIO_BUFFER), ZIPRC_BAD_ARGUMENT);
    EXPECT_EQ(CloseZipArchive(nullptr), ZIPRC_BAD_ARGUMENT);
    ExpectUntouched(info);

    ZipArchivePtr zip = OpenFixture("small.zip");
    ASSERT_TRUE(zip);
    EXPECT_EQ(GetZipEntry(zip.get(), 0, nullptr), ZIPRC_BAD_ARGUMENT);
    zip->tag = 2;
    EXPECT_EQ(GetZipEntry(zip.get(), 0, &info), ZIPRC_WRONG_HANDLE);
    EXPECT_EQ(ExtractZipEntry(zip.get(), 0, buffer, 4, ZIO_BUFFER), ZIPRC_WRONG_HANDLE);
    EXPECT_EQ(CloseZipArchive(zip.get()), ZIPRC_WRONG_HANDLE);
    ExpectUntouched(info);
    zip->tag = kZipArchiveTag;
    EXPECT_EQ(ExtractZipEntry(zip.get(), 0, buffer, 4, 0), ZIPRC_BAD_ARGUMENT);
    EXPECT_EQ(ExtractZipEntry(zip.get(), 0, buffer, 4, 4), ZIPRC_BAD_ARGUMENT);

    ZipUnpacker unpacker;
    const std::u16string path = FixturePathW("small.zip");
    EXPECT_EQ(unpacker.Open(path.c_str(), 0, ZIO_PATH), ZIPRC_OK);
    EXPECT_EQ(unpacker.Open(path.c_str(), 0, ZIO_PATH), ZIPRC_ALREADY_OPEN);
}

TEST(OpenZipArchive, SourcesAndFailures) {
    const std::vector<uint8_t> bytes = ReadFixture("small.zip");
    ZipArchivePtr fromBuffer(
        OpenZipArchive(bytes.data(), static_cast<uint32_t>(bytes.size()), ZIO_BUFFER));
    EXPECT_TRUE(fromBuffer);
    const int fd = open(FixturePath("small.zip").c_str(), O_RDONLY);
    ZipArchivePtr fromHandle(OpenZipArchive(FdToHandle(fd), 0, ZIO_HANDLE));
    close(fd);  // the archive holds its own duplicate
    ASSERT_TRUE(fromHandle);
    ZipEntryInfo info;
    EXPECT_EQ(GetZipEntry(fromHandle.get(), 2, &info), ZIPRC_OK);
    EXPECT_EQ(std::u16string(info.name), u"deflated.txt");

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    EXPECT_EQ(OpenZipArchive(FdToHandle(fds[0]), 0, ZIO_HANDLE), nullptr);  // not seekable
    close(fds[0]);
    close(fds[1]);
    const std::u16string missing = FixturePathW("missing.zip");
    EXPECT_EQ(OpenZipArchive(missing.c_str(), 0, ZIO_PATH), nullptr);
    EXPECT_EQ(OpenZipArchive(bytes.data(), static_cast<uint32_t>(bytes.size()), 7), nullptr);
    EXPECT_EQ(OpenZipArchive(bytes.data(), 21, ZIO_BUFFER), nullptr);
    for (const char* fixture :
         {"multi_disk.zip", "count_mismatch.zip", "count_short.zip", "directory_beyond_end.zip",
          "zip64_locator_outside.zip", "zip64_end_disagrees.zip", "zip64_count_disagrees.zip"}) {
        EXPECT_FALSE(OpenFixture(fixture)) << fixture;
    }
    for (const char* fixture : {"end_record_only.zip", "comment_65514.zip", "comment_65535.zip"}) {
        EXPECT_TRUE(OpenFixture(fixture)) << fixture;
    }
}

}  // namespace
