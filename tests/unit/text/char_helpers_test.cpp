// Counting and cutting internal text by characters.
#include "text/char_helpers.h"
#include "text/text_encoding.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using namespace kc::text;

std::string G(const char* utf8)
{
    return ConvertCharset(utf8, "UTF-8", "GB18030");
}

struct CountCase {
    std::string text;
    int lineBreaks;
    int expected;
    const char* what;
    friend void PrintTo(const CountCase& c, std::ostream* os) { *os << c.what; }
};

class CharCountCases : public ::testing::TestWithParam<CountCase> { };

TEST_P(CharCountCases, Counts)
{
    const CountCase& c = GetParam();
    EXPECT_EQ(CharCount(c.text, c.lineBreaks), c.expected);
}

INSTANTIATE_TEST_SUITE_P(LineBreakModes, CharCountCases,
    ::testing::Values(CountCase{G("中文\r\n"), 1, 3, "CR LF is one"}, CountCase{G("中文\r\n"), 0, 2, "not counted"},
        CountCase{G("中文\r\n"), 2, 4, "each counted"}, CountCase{"a\rb\nc", 1, 5, "lone CR and LF count one each"},
        CountCase{"\n\r", 1, 2, "LF CR is two breaks"}, CountCase{G("a😀b"), 1, 3, "four-byte sequence is one"},
        CountCase{"", 1, 0, "empty"}, CountCase{"a\xD6", 1, 2, "truncated lead byte"}));

struct CutCase {
    std::string text;
    int n;
    int lineBreaks;
    std::string left;
    std::string right;
    const char* what;
    friend void PrintTo(const CutCase& c, std::ostream* os) { *os << c.what; }
};

class CharCutCases : public ::testing::TestWithParam<CutCase> { };

TEST_P(CharCutCases, LeftAndRight)
{
    const CutCase& c = GetParam();
    EXPECT_EQ(CharLeft(c.text, c.n, c.lineBreaks), c.left);
    EXPECT_EQ(CharRight(c.text, c.n, c.lineBreaks), c.right);
}

INSTANTIATE_TEST_SUITE_P(Cuts, CharCutCases,
    ::testing::Values(CutCase{G("中文字"), 1, 1, G("中"), G("字"), "one"},
        CutCase{G("中文字"), -1, 1, G("中文"), G("文字"), "all but one"},
        CutCase{G("中文字"), -3, 1, "", "", "all but all"}, CutCase{G("中文字"), 0, 1, "", "", "zero"},
        CutCase{G("中文字"), 3, 1, G("中文字"), G("中文字"), "exactly all"},
        CutCase{G("中文字"), 9, 1, G("中文字"), G("中文字"), "more than all"},
        CutCase{G("a😀b"), 2, 1, G("a😀"), G("😀b"), "four-byte sequence never cut"},
        CutCase{"ab\r\ncd", 3, 1, "ab\r\n", "\r\ncd", "CR LF taken whole"},
        CutCase{"ab\r\ncd", 3, 2, "ab\r", "\ncd", "CR and LF apart"},
        CutCase{"ab\r\ncd", 3, 0, "ab\r\nc", "b\r\ncd", "uncounted breaks stay inside"},
        CutCase{"\r\nab\r\n", 1, 0, "\r\na", "b\r\n", "uncounted breaks at the ends"},
        // 誠 (D5 5C) then "a": walking backwards byte by byte would take 5C for a character of its own.
        CutCase{"x\xD5\x5C"
                "a",
            -1, 1, "x\xD5\x5C",
            "\xD5\x5C"
            "a",
            "GBK trail byte in ASCII range"}));

} // namespace
