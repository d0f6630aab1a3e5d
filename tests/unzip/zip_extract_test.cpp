// Extracting entries to paths, handles and buffers.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/text.h"
#include "tests/unzip/fixtures.h"
#include "unzip/zip_archive.h"

namespace fs = std::filesystem;

namespace {

int32_t ExtractTo(ZipArchive* zip, int32_t index, const std::u16string& target) {
    std::u16string path = target;  // ExtractZipEntry takes a non-const pointer for all kinds
    return ExtractZipEntry(zip, index, path.data(), 0, ZIO_PATH);
}

std::string ReadText(const fs::path& path) {
    const std::vector<uint8_t> bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// Only the target, nothing left over from the temporary.
std::vector<std::string> Listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        names.push_back(fs::relative(e.path(), dir).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ExtractZipEntry, TheUpdatersCallsExtractEveryEntry) {
    TempDir dir;
    ZipArchivePtr zip = OpenFixture("basic.zip");
    ASSERT_TRUE(zip);
    ZipEntryInfo count;
    ASSERT_EQ(GetZipEntry(zip.get(), -1, &count), ZIPRC_OK);
    for (int32_t i = 0; i < count.index; ++i) {
        ZipEntryInfo info;
        ASSERT_EQ(GetZipEntry(zip.get(), i, &info), ZIPRC_OK);
        EXPECT_EQ(ExtractTo(zip.get(), i, dir.Wide() + u"/" + info.name), ZIPRC_OK) << i;
    }
    EXPECT_TRUE(fs::is_directory(dir.Path() / "docs"));
    EXPECT_EQ(ReadText(dir.Path() / "a/b.txt"), "hello from a/b\n");  // no entry for "a"
    EXPECT_EQ(ReadWholeFile(dir.Path() / "pattern10000.bin"), Pattern(10000));
    EXPECT_EQ(ReadWholeFile(dir.Path() / "noise70000.bin"), Noise(70000));
    EXPECT_EQ(ReadWholeFile(dir.Path() / "pattern100000.bin"), Pattern(100000));
    EXPECT_EQ(fs::file_size(dir.Path() / "empty_deflated.txt"), 0u);
    struct stat st;
    ASSERT_EQ(stat((dir.Path() / "docs/readme.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1614834368);  // the MS-DOS time, taken as UTC
    EXPECT_EQ(st.st_atim.tv_sec, 1614834368);
    EXPECT_EQ(Listing(dir.Path()).size(), 9u);  // 8 entries and the directory "a"
}

// Archives as other tools write them, extracted the updater's way (describe, then extract to
// the program directory followed by the name): what lands there, and the files' contents.
TEST(ExtractZipEntry, ArchivesOfOtherWriters) {
    const std::vector<std::pair<std::string, std::vector<uint8_t>>> zip64Files = {
        {"z64/stored.txt", Bytes("stored under zip64\n")}, {"z64/deflated.bin", Pattern(5000)}};
    struct Case {
        const char* fixture;
        std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
        std::vector<std::string> directories;
    } cases[] = {
        {"directory_names.zip", {{"conf/app.ini", Bytes("[app]\n")}}, {"conf", "META-INF"}},
        {"directory_zipinfo.zip", {{"conf/app.ini", Bytes("[app]\n")}}, {"conf"}},
        {"zip64_end.zip", zip64Files, {"z64"}},
        {"zip64_prefix.zip", zip64Files, {"z64"}},
        {"zip64_both_values.zip", zip64Files, {"z64"}},
        {"zip64_forced.zip",
         {{"f/one.txt",
           [] {
               std::vector<uint8_t> v;
               for (int i = 0; i < 50; ++i) v.insert(v.end(), {'o', 'n', 'e', '\n'});
               return v;
           }()},
          {"f/two.bin", Pattern(20000)}},
         {"f"}},
        {"empty.zip", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        TempDir dir;
        ZipArchivePtr zip = OpenFixture(c.fixture);
        ASSERT_TRUE(zip);
        ZipEntryInfo count;
        ASSERT_EQ(GetZipEntry(zip.get(), -1, &count), ZIPRC_OK);
        for (int32_t i = 0; i < count.index; ++i) {
            ZipEntryInfo info;
            ASSERT_EQ(GetZipEntry(zip.get(), i, &info), ZIPRC_OK) << i;
            EXPECT_EQ(ExtractTo(zip.get(), i, dir.Wide() + u"/" + info.name), ZIPRC_OK) << i;
        }
        for (const auto& [name, data] : c.files) {
            EXPECT_EQ(ReadWholeFile(dir.Path() / name), data) << name;
        }
        for (const std::string& name : c.directories) {
            EXPECT_TRUE(fs::is_directory(dir.Path() / name)) << name;
        }
        EXPECT_EQ(Listing(dir.Path()).size(), c.files.size() + c.directories.size());
    }
}

TEST(ExtractZipEntry, EveryEntryOfSeventyThousand) {
    for (const char* fixture : {"many_70000.zip", "wrapped_70000.zip"}) {
        SCOPED_TRACE(fixture);
        ZipArchivePtr zip = OpenFixture(fixture);
        ASSERT_TRUE(zip);
        ZipEntryInfo count;
        ASSERT_EQ(GetZipEntry(zip.get(), -1, &count), ZIPRC_OK);
        ASSERT_EQ(count.index, 70000);
        for (int32_t i = 0; i < count.index; ++i) {
            int32_t result = -1;
            const std::vector<uint8_t> data = ExtractToMemory(zip.get(), i, 16, &result);
            ASSERT_EQ(result, ZIPRC_OK) << i;
            ASSERT_EQ(data, std::vector<uint8_t>{static_cast<uint8_t>(i % 251)}) << i;
        }
    }
}

// Sizes and offsets beyond 32 bits: a stored entry of 4 GiB + 10 bytes (a hole of a sparse
// file), and an entry whose local header lies after it.
TEST(ExtractZipEntry, EntryAndOffsetBeyond4GiB) {
    const uint64_t bigSize = (uint64_t{4} << 30) + 10;
    ZipArchivePtr zip = OpenFixture("over_4gib.zip64");
    ASSERT_TRUE(zip);
    ZipEntryInfo info;
    ASSERT_EQ(GetZipEntry(zip.get(), 0, &info), ZIPRC_OK);
    EXPECT_EQ(std::u16string(info.name), u"big.bin");
    EXPECT_EQ(info.uncompressedSize, bigSize);
    EXPECT_EQ(info.compressedSize, bigSize);
    int32_t result = -1;
    EXPECT_EQ(ExtractToMemory(zip.get(), 1, 4096, &result), Bytes("after 4 GiB\n"));
    EXPECT_EQ(result, ZIPRC_OK);
    // The whole entry, its CRC-32 checked at the end, into a sink.
    const int sink = open("/dev/null", O_WRONLY);
    ASSERT_GE(sink, 0);
    EXPECT_EQ(ExtractZipEntry(zip.get(), 0, FdToHandle(sink), 0, ZIO_HANDLE), ZIPRC_OK);
    close(sink);
}

TEST(ExtractZipEntry, TargetsRelativeAbsoluteAndRefused) {
    TempDir dir;
    const fs::path root = dir.Path() / "root";
    fs::create_directory(root);
    ZipArchivePtr zip;
    {
        CurrentDirectory atRoot(root);
        zip = OpenFixture("basic.zip");
    }
    ASSERT_TRUE(zip);
    // The current directory has moved on: relative targets still lie under the one at open.
    CurrentDirectory elsewhere(dir.Path());
    const std::u16string absolute = dir.Wide("abs");
    struct Case {
        int32_t index;  // 0 is the directory entry "docs/", 2 the file "a/b.txt"
        std::u16string target;
        int32_t result;
        const char* created;  // under the temporary directory; null: nothing anywhere
    } cases[] = {
        {2, u"a/b.txt", ZIPRC_OK, "root/a/b.txt"},
        {2, u"w\\v.txt", ZIPRC_OK, "root/w/v.txt"},
        {2, absolute + u"/x/y/b.txt", ZIPRC_OK, "abs/x/y/b.txt"},
        {2, u"..\\a\\b.txt", ZIPRC_FILE_OPEN_FAILED, nullptr},
        {2, u"../a/b.txt", ZIPRC_FILE_OPEN_FAILED, nullptr},
        {2, u"q/../../b.txt", ZIPRC_FILE_OPEN_FAILED, nullptr},
        {2, absolute + u"/../b.txt", ZIPRC_FILE_OPEN_FAILED, nullptr},
        {2, u"dir/", ZIPRC_FILE_OPEN_FAILED, nullptr},  // names no file
        {2, u"", ZIPRC_FILE_OPEN_FAILED, nullptr},
        {2, u"long/" + std::u16string(300, u'l'), ZIPRC_FILE_OPEN_FAILED, nullptr},
        {0, u"made/docs/", ZIPRC_OK, "root/made/docs"},
        {0, absolute + u"/tree/docs", ZIPRC_OK, "abs/tree/docs"},
        {0, u"../docs", ZIPRC_FILE_OPEN_FAILED, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.target));
        const std::vector<std::string> before = Listing(dir.Path());
        EXPECT_EQ(ExtractTo(zip.get(), c.index, c.target), c.result);
        if (c.created == nullptr) {
            EXPECT_EQ(Listing(dir.Path()), before);
            continue;
        }
        const fs::path made = dir.Path() / c.created;
        if (c.index == 0) {
            EXPECT_TRUE(fs::is_directory(made));
        } else {
            EXPECT_EQ(ReadText(made), "hello from a/b\n");
        }
    }
    EXPECT_FALSE(fs::exists(dir.Path().parent_path() / "a" / "b.txt"));
}

TEST(ExtractZipEntry, BufferInPieces) {
    ZipArchivePtr zip = OpenFixture("basic.zip");
    ASSERT_TRUE(zip);
    int32_t result = -1;
    int calls = 0;
    EXPECT_EQ(ExtractToMemory(zip.get(), 5, 4096, &result, &calls), Pattern(10000));
    EXPECT_EQ(calls, 3);  // 4096, 4096 and 1808 bytes, then ZIPRC_OK
    EXPECT_EQ(result, ZIPRC_OK);

    // Describing the entry in between starts it again from its beginning.
    std::vector<uint8_t> piece(4096);
    ASSERT_EQ(ExtractZipEntry(zip.get(), 5, piece.data(), 4096, ZIO_BUFFER), ZIPRC_MORE_DATA);
    ASSERT_EQ(ExtractZipEntry(zip.get(), 5, piece.data(), 4096, ZIO_BUFFER), ZIPRC_MORE_DATA);
    ZipEntryInfo info;
    ASSERT_EQ(GetZipEntry(zip.get(), 5, &info), ZIPRC_OK);
    ASSERT_EQ(ExtractZipEntry(zip.get(), 5, piece.data(), 4096, ZIO_BUFFER), ZIPRC_MORE_DATA);
    const std::vector<uint8_t> pattern = Pattern(4096);
    EXPECT_EQ(piece, pattern);

    // So does a buffer extraction of another entry.
    EXPECT_EQ(ExtractToMemory(zip.get(), 2, 7, &result), Bytes("hello from a/b\n"));
    EXPECT_EQ(ExtractToMemory(zip.get(), 5, 10000, &result, &calls), Pattern(10000));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(ExtractToMemory(zip.get(), 0, 16, &result, &calls), std::vector<uint8_t>{});
    EXPECT_EQ(result, ZIPRC_OK);  // a directory entry reads as empty
    EXPECT_EQ(ExtractZipEntry(zip.get(), 5, piece.data(), 0, ZIO_BUFFER), ZIPRC_BAD_ARGUMENT);
    EXPECT_EQ(ExtractZipEntry(zip.get(), 5, nullptr, 16, ZIO_BUFFER), ZIPRC_BAD_ARGUMENT);
    EXPECT_EQ(ExtractZipEntry(zip.get(), 8, piece.data(), 16, ZIO_BUFFER), ZIPRC_BAD_ARGUMENT);
    EXPECT_EQ(ExtractZipEntry(zip.get(), -1, piece.data(), 16, ZIO_BUFFER), ZIPRC_BAD_ARGUMENT);
}

TEST(ExtractZipEntry, ExistingTargetIsReplacedWholeOrNotAtAll) {
    TempDir dir;
    const fs::path target = dir.Path() / "target.txt";
    const fs::path victim = dir.Path() / "victim.txt";
    ZipArchivePtr good = OpenFixture("basic.zip");
    ZipArchivePtr bad = OpenFixture("crc_flipped.zip");
    ASSERT_TRUE(good && bad);

    WriteWholeFile(target, "old content");
    chmod(target.c_str(), 0750);
    EXPECT_EQ(ExtractTo(bad.get(), 0, dir.Wide("target.txt")), ZIPRC_EXTRACT_FAILED);
    EXPECT_EQ(ReadText(target), "old content");
    EXPECT_EQ(ExtractTo(good.get(), 2, dir.Wide("target.txt")), ZIPRC_OK);
    EXPECT_EQ(ReadText(target), "hello from a/b\n");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0750));  // as rewriting would keep

    // A symbolic link in the target's place is replaced, never written through.
    WriteWholeFile(victim, "victim");
    fs::remove(target);
    fs::create_symlink(victim, target);
    EXPECT_EQ(ExtractTo(good.get(), 2, dir.Wide("target.txt")), ZIPRC_OK);
    EXPECT_FALSE(fs::is_symlink(target));
    EXPECT_EQ(ReadText(target), "hello from a/b\n");
    EXPECT_EQ(ReadText(victim), "victim");
    EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"target.txt", "victim.txt"}));
}

// Data that is wrong fails the extraction for every kind of target.
TEST(ExtractZipEntry, CorruptOrShortDataFails) {
    struct Case {
        const char* fixture;
        int32_t index;
        const char* what;
    } cases[] = {
        {"crc_flipped.zip", 0, "stored, CRC-32 flipped"},
        {"crc_flipped.zip", 1, "deflated, CRC-32 flipped"},
        {"short_data.zip", 0, "deflate stream cut short"},
        {"short_data.zip", 1, "stored data shorter than stated"},
        {"short_data.zip", 2, "not deflate data"},
    };
    TempDir dir;
    const fs::path target = dir.Path() / "target.bin";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ZipArchivePtr zip = OpenFixture(c.fixture);
        ASSERT_TRUE(zip);
        WriteWholeFile(target, "keep me");
        EXPECT_EQ(ExtractTo(zip.get(), c.index, dir.Wide("target.bin")), ZIPRC_EXTRACT_FAILED);
        EXPECT_TRUE(ReadText(target) == "keep me");
        EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"target.bin"});

        const fs::path out = dir.Path() / "handle.bin";
        const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(ExtractZipEntry(zip.get(), c.index, FdToHandle(fd), 0, ZIO_HANDLE),
                  ZIPRC_EXTRACT_FAILED);
        close(fd);
        fs::remove(out);

        int32_t result = -1;
        ExtractToMemory(zip.get(), c.index, 4096, &result);
        EXPECT_EQ(result, ZIPRC_DATA_FAILED);
    }
    // Beside them, an entry whose compressed size runs past its data is whole and right.
    ZipArchivePtr zip = OpenFixture("oversized_compressed.zip");
    EXPECT_EQ(ExtractTo(zip.get(), 0, dir.Wide("oversized.bin")), ZIPRC_OK);
    EXPECT_EQ(ReadWholeFile(dir.Path() / "oversized.bin"), Pattern(2000));
}

TEST(ExtractZipEntry, ToAHandle) {
    TempDir dir;
    const fs::path out = dir.Path() / "out.bin";
    WriteWholeFile(out, "prefix:");
    const int fd = open(out.c_str(), O_WRONLY);
    lseek(fd, 0, SEEK_END);
    ZipArchivePtr zip = OpenFixture("timestamps.zip");
    ZipArchivePtr basic = OpenFixture("basic.zip");
    ASSERT_TRUE(zip && basic);
    EXPECT_EQ(ExtractZipEntry(basic.get(), 0, FdToHandle(fd), 0, ZIO_HANDLE), ZIPRC_OK);  // a dir
    EXPECT_EQ(ExtractZipEntry(zip.get(), 2, FdToHandle(fd), 0, ZIO_HANDLE), ZIPRC_OK);
    EXPECT_EQ(ExtractZipEntry(zip.get(), 2, INVALID_HANDLE_VALUE, 0, ZIO_HANDLE),
              ZIPRC_FILE_OPEN_FAILED);
    close(fd);
    struct stat st;  // before reading, which may move the access time
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1600000000);  // from the extended timestamp
    EXPECT_EQ(st.st_atim.tv_sec, 1500000000);
    EXPECT_EQ(ReadText(out), "prefix:a");

    // Writes that fail: a handle open only for reading, and a full device.
    const int readOnly = open(out.c_str(), O_RDONLY);
    EXPECT_EQ(ExtractZipEntry(basic.get(), 2, FdToHandle(readOnly), 0, ZIO_HANDLE),
              ZIPRC_EXTRACT_FAILED);
    close(readOnly);
    const int full = open("/dev/full", O_WRONLY);
    if (full >= 0) {
        EXPECT_EQ(ExtractZipEntry(basic.get(), 2, FdToHandle(full), 0, ZIO_HANDLE),
                  ZIPRC_EXTRACT_FAILED);
        close(full);
    }
}

TEST(ExtractZipEntry, TemporaryThatCannotBeMade) {
    TempDir dir;
    WriteWholeFile(dir.Path() / "file", "a file, not a directory");
    ZipArchivePtr zip = OpenFixture("basic.zip");
    ASSERT_TRUE(zip);
    EXPECT_EQ(ExtractTo(zip.get(), 2, dir.Wide("file/b.txt")), ZIPRC_FILE_OPEN_FAILED);
    EXPECT_EQ(ExtractTo(zip.get(), 0, dir.Wide("file/docs")), ZIPRC_FILE_OPEN_FAILED);
    EXPECT_EQ(ExtractTo(zip.get(), 2, dir.Wide()), ZIPRC_EXTRACT_FAILED);  // a directory's place
    EXPECT_EQ(Listing(dir.Path()), std::vector<std::string>{"file"});
}

TEST(ExtractZipEntry, DataDescriptorEntry) {
    TempDir dir;
    ZipArchivePtr zip = OpenFixture("descriptor_bit3.zip");
    ASSERT_TRUE(zip);
    EXPECT_EQ(ExtractTo(zip.get(), 0, dir.Wide("d.txt")), ZIPRC_OK);
    std::string expected;
    for (int i = 0; i < 8; ++i) expected += "descriptor data, ";
    EXPECT_EQ(ReadText(dir.Path() / "d.txt"), expected);
}

}  // namespace
