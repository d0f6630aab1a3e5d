#include "platform/window/fit_text.h"

#include <gtest/gtest.h>

TEST(FitText, ShortensWithAnEllipsisToTheWidth) {
    // Every unit is 2 wide, the ellipsis too: what fits is plain to see.
    const auto measure = [](const CString& t) { return static_cast<int>(t.size()) * 2; };
    struct Case {
        const char* name;
        CString text;
        int width;
        CString shown;
    } cases[] = {
        {"fits exactly", u"abcdef", 12, u"abcdef"},
        {"one unit over", u"abcdefg", 12, u"abcde\u2026"},
        {"blanks before the cut go", u"abc   defgh", 12, u"abc\u2026"},
        {"empty", u"", 0, u""},
        {"room for the ellipsis only", u"abcdef", 3, u"\u2026"},
        {"no room at all", u"abcdef", 0, u"\u2026"},
        {"never half a surrogate pair", u"ab\U0001F600cdef", 8, u"ab\u2026"},
        {"a whole pair fits", u"ab\U0001F600cdef", 10, u"ab\U0001F600\u2026"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FitText(c.text, c.width, measure), c.shown) << c.name;
        EXPECT_LE(measure(FitText(c.text, c.width, measure)), std::max(c.width, 2)) << c.name;
    }
}
