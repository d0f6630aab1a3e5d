#include "platform/directory.h"

#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/text.h"

namespace fs = std::filesystem;

namespace {

TEST(Directory, CreateOneDirectory) {
    std::string pattern = (fs::temp_directory_path() / "directory-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    const std::u16string sub = Utf8ToWide((dir / "sub").string());
    EXPECT_TRUE(CreateDirectoryW(sub));
    EXPECT_TRUE(IsDirectoryW(sub));
    EXPECT_FALSE(CreateDirectoryW(sub));                                 // exists already
    EXPECT_FALSE(CreateDirectoryW(Utf8ToWide((dir / "a/b").string())));  // no parent
    EXPECT_FALSE(CreateDirectoryW(u""));
    EXPECT_FALSE(IsDirectoryW(Utf8ToWide((dir / "a").string())));
    fs::remove_all(dir);
}

TEST(Directory, CurrentDirectory) {
    const std::u16string expected = Utf8ToWide(fs::current_path().string());
    std::u16string path;
    EXPECT_EQ(GetCurrentDirectoryW(static_cast<uint32_t>(expected.size() + 1), path),
              expected.size());
    EXPECT_EQ(path, expected);
    path = u"stale";
    EXPECT_EQ(GetCurrentDirectoryW(static_cast<uint32_t>(expected.size()), path),
              expected.size() + 1);  // too small: the capacity it needs
    EXPECT_EQ(path, u"");
}

}  // namespace
