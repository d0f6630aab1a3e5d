#include "platform/text.h"

#include <gtest/gtest.h>

TEST(Text, Utf8RoundTrip) {
    struct Case {
        std::string utf8;
        std::u16string wide;
    } cases[] = {
        {"", u""},
        {"Update", u"Update"},
        {"Gr\xC3\xBC\xC3\x9F"
         "e",
         u"Grüße"},
        {"\xE2\x82\xAC", u"€"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToWide(c.utf8), c.wide) << c.utf8;
        EXPECT_EQ(WideToUtf8(c.wide), c.utf8) << c.utf8;
        EXPECT_TRUE(IsValidUtf8(c.utf8)) << c.utf8;
    }
}

TEST(Text, InvalidUtf8) {
    struct Case {
        std::string bytes;
        std::u16string wide;
    } cases[] = {
        {"\x80", u"\uFFFD"},                      // lone continuation byte
        {"a\xC3", u"a\uFFFD"},                    // cut sequence
        {"\xC0\xAF", u"\uFFFD\uFFFD"},            // overlong '/'
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
        {"\x81"
         "b",
         u"\uFFFD"
         "b"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToWide(c.bytes), c.wide);
        EXPECT_FALSE(IsValidUtf8(c.bytes));
    }
    EXPECT_EQ(WideToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Text, Format) {
    EXPECT_EQ(FormatText(u"Thanks for using %s!", u"Grüße"), u"Thanks for using Grüße!");
    EXPECT_EQ(FormatText(u"Thanks for using %s!", u""), u"Thanks for using !");
    EXPECT_EQ(FormatText(u"Pack%d", 12), u"Pack12");
    EXPECT_EQ(FormatText(u"%d", -7), u"-7");
    EXPECT_EQ(FormatText(u"%0.1f KB/s", 12.345), u"12.3 KB/s");
    EXPECT_EQ(FormatText(u"%d%%", 100), u"100%");
    EXPECT_EQ(FormatText(u"%s of %s", u"a", u"b"), u"a of b");
    EXPECT_EQ(FormatText(u"%d KB", 1LL << 40), u"1099511627776 KB");
    EXPECT_EQ(FormatText(u"%s"), u"");  // a missing argument gives nothing
    EXPECT_EQ(FormatText(u"50%"), u"50%");
}
