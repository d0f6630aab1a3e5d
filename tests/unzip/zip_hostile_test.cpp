// Damaged archives: whatever is cut or changed, no call crashes (the sanitizer build watches
// memory), and no extraction reports success with data other than the entry's own.
#include <optional>

#include <gtest/gtest.h>

#include "platform/text.h"
#include "tests/unzip/fixtures.h"
#include "unzip/zip_archive.h"

namespace fs = std::filesystem;

namespace {

// The entries of the undamaged archive, by index: their data, or none for an entry that
// fails even there.
struct Reference {
    std::vector<std::optional<std::vector<uint8_t>>> data;
};

Reference ReadReference(const std::vector<uint8_t>& bytes) {
    Reference ref;
    ZipArchivePtr zip(
        OpenZipArchive(bytes.data(), static_cast<uint32_t>(bytes.size()), ZIO_BUFFER));
    EXPECT_TRUE(zip);
    ZipEntryInfo count;
    GetZipEntry(zip.get(), -1, &count);
    for (int32_t i = 0; i < count.index; ++i) {
        int32_t result = -1;
        std::vector<uint8_t> data = ExtractToMemory(zip.get(), i, 4096, &result);
        ref.data.push_back(result == ZIPRC_OK ? std::optional(std::move(data)) : std::nullopt);
    }
    return ref;
}

// Runs every call over a damaged archive and checks each success against the reference.
// `target` (optional) is where path extractions go.
void CheckDamaged(const std::vector<uint8_t>& bytes, const Reference& ref, const TempDir* target) {
    ZipArchivePtr zip(
        OpenZipArchive(bytes.data(), static_cast<uint32_t>(bytes.size()), ZIO_BUFFER));
    if (!zip)
        return;
    ZipEntryInfo count;
    ASSERT_EQ(GetZipEntry(zip.get(), -1, &count), ZIPRC_OK);
    for (int32_t i = 0; i < std::min(count.index, 64); ++i) {
        ZipEntryInfo info;
        GetZipEntry(zip.get(), i, &info);
        int32_t result = -1;
        const std::vector<uint8_t> data = ExtractToMemory(zip.get(), i, 4096, &result);
        if (result == ZIPRC_OK) {
            ASSERT_LT(size_t(i), ref.data.size());
            EXPECT_TRUE(data == ref.data[i]) << "entry " << i << " read wrong data";
        }
        if (target == nullptr)
            continue;
        const fs::path out = target->Path() / "out";
        std::u16string path = Utf8ToWide(out.string());
        if (ExtractZipEntry(zip.get(), i, path.data(), 0, ZIO_PATH) == ZIPRC_OK) {
            ASSERT_LT(size_t(i), ref.data.size());
            if (fs::is_directory(out)) {  // what a directory entry makes
                fs::remove(out);
            } else {
                EXPECT_TRUE(ReadWholeFile(out) == ref.data[i])
                    << "entry " << i << " wrote wrong data";
            }
        }
        // Only the target itself may appear: temporaries of failed entries are gone.
        for (const auto& e : fs::directory_iterator(target->Path())) {
            EXPECT_EQ(e.path().filename(), "out");
        }
    }
}

TEST(DamagedArchive, CutAtEveryOffset) {
    for (const char* fixture : {"small.zip", "timestamps.zip", "descriptor_bit3.zip"}) {
        SCOPED_TRACE(fixture);
        const std::vector<uint8_t> whole = ReadFixture(fixture);
        const Reference ref = ReadReference(whole);
        TempDir dir;
        for (size_t n = 0; n < whole.size(); ++n) {
            SCOPED_TRACE(testing::Message() << "cut at " << n);
            CheckDamaged(std::vector<uint8_t>(whole.begin(), whole.begin() + n), ref, &dir);
        }
    }
}

TEST(DamagedArchive, EveryByteChanged) {
    for (const char* fixture : {"small.zip", "descriptor_bit3.zip", "crc_flipped.zip"}) {
        SCOPED_TRACE(fixture);
        const std::vector<uint8_t> whole = ReadFixture(fixture);
        const Reference ref = ReadReference(whole);
        for (size_t at = 0; at < whole.size(); ++at) {
            for (uint8_t flip : {0x01, 0x80, 0xFF}) {
                SCOPED_TRACE(testing::Message() << "byte " << at << " ^ " << int(flip));
                std::vector<uint8_t> changed = whole;
                changed[at] ^= flip;
                CheckDamaged(changed, ref, nullptr);
            }
        }
    }
}

}  // namespace
