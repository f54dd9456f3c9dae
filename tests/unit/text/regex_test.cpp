// Pattern matching and replacement on internal text with the ECMAScript-style switches.
#include "text/regex.h"
#include "text/text_encoding.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using kc::text::Regex;

// Internal text from a UTF-8 literal, so the cases below can be read.
std::string G(const char* utf8)
{
    return kc::text::ConvertCharset(utf8, "UTF-8", "GB18030");
}

struct EscapeCase {
    std::string (*escape)(std::string_view);
    std::string input;
    std::string expected;
    const char* what;
    friend void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.what; }
};

class RegexEscape : public ::testing::TestWithParam<EscapeCase> { };

TEST_P(RegexEscape, InsertsBackslashes)
{
    const EscapeCase& c = GetParam();
    EXPECT_EQ(c.escape(c.input), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Helpers, RegexEscape,
    ::testing::Values(EscapeCase{Regex::WildcardToPattern, "a*b?.txt", "a.*b.?\\.txt", "wildcard"},
        EscapeCase{Regex::WildcardToPattern, "(x-1)|\"=", "\\(x\\-1\\)|\\\"\\=", "wildcard keeps bar"},
        EscapeCase{Regex::EscapeAll, "(1+1)|2", "\\(1\\+1\\)\\|2", "all"},
        EscapeCase{Regex::EscapeAll, "\\^$.{}[]?*", "\\\\\\^\\$\\.\\{\\}\\[\\]\\?\\*", "all specials"},
        EscapeCase{Regex::EscapeKeepBar, "(1+1)|2", "\\(1\\+1\\)|2", "keep bar"},
        EscapeCase{Regex::EscapeKeepGroups, "(1+1)|2", "(1\\+1)|2", "keep groups"},
        // 誠 and 諀 end in the bytes of \ and |: escaping them would cut the characters in half.
        EscapeCase{Regex::EscapeAll, "\xD5\x5C|\xD5\x7C", "\xD5\x5C\\|\xD5\x7C", "GBK trail bytes"},
        EscapeCase{Regex::WildcardToPattern, "\xD5\x5C*", "\xD5\x5C.*", "wildcard GBK trail byte"}));

struct ReplaceCase {
    std::string pattern;
    std::string subject;
    std::string replacement;
    std::string expected;
    const char* what;
    bool ignoreCase = true;
    bool multiline = true;
    bool global = true;
    friend void PrintTo(const ReplaceCase& c, std::ostream* os) { *os << c.what; }
};

class RegexReplace : public ::testing::TestWithParam<ReplaceCase> { };

TEST_P(RegexReplace, GivesExpectedText)
{
    const ReplaceCase& c = GetParam();
    Regex regex;
    ASSERT_TRUE(regex.Create(c.pattern, c.ignoreCase, c.multiline, c.global));
    EXPECT_EQ(regex.Replace(c.subject, c.replacement), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Dialect, RegexReplace,
    ::testing::Values(ReplaceCase{G("(\\d+)([\\.．])(\\d+)"), "3.14", G("$1⊥$3"), G("3⊥14"), "groups in replacement"},
        ReplaceCase{G("^[ 　\\t]+|[ 　\\t]+$"), G("  a b \r\n\t c　\nd "), "", G("a b\r\nc\nd"), "trims every line"},
        ReplaceCase{G("^[ 　\\t]*$\\r\\n"), "a\r\n  \r\n\r\nb", "", "a\r\nb", "blank lines with their breaks"},
        ReplaceCase{"x$", "ax\r\nbx\rcx\ndx", "Y", "aY\r\nbY\rcY\ndY", "$ before CR, LF and CR LF"},
        ReplaceCase{"b$", "ab\n", "Y", "ab\n", "$ only at the very end without multiline", true, false},
        ReplaceCase{"^b", "a\nb", "Y", "a\nb", "^ only at the start without multiline", true, false},
        ReplaceCase{"a.b", "a\rb a\nb a b", "Z", "a\rb a\nb Z", "dot stops at CR and LF"},
        ReplaceCase{"<[\\s\\S]+?>", "<a\r\nhref=x>t</A><br>", "", "t", "any character with lazy quantifier"},
        ReplaceCase{"<a", "<A><a>", "[", "[>[>", "ignore case"},
        ReplaceCase{"<a", "<A><a>", "[", "<A>[>", "case kept", false},
        ReplaceCase{"\\s", G("a b\t\r\n\f\vc　d"), "", G("abc　d"), "\\s is ASCII white space only"},
        ReplaceCase{"\\w+", G("中文abc_1é"), "X", G("中文Xé"), "\\w is ASCII only"},
        ReplaceCase{"\\d", G("1１2"), "#", G("#１#"), "\\d is ASCII only"},
        ReplaceCase{"[\\u4e00-\\u9fa5]+", G("ab中文cd"), "X", "abXcd", "\\u escapes"},
        ReplaceCase{"[^\\u4e00-\\u9fa5a-zA-Z\\d]", G("中,a! 1。"), "", G("中a1"), "negated class with \\u range"},
        ReplaceCase{"a{2,}", "a aa aaa", "X", "a X X", "counted repetition"},
        ReplaceCase{"(a)|(b)", "ab", "[$1$2]", "[a][b]", "unset group inserts nothing"},
        ReplaceCase{"(a)", "a", "$0$&$$$2$9$a$", "$0$&$$$2$9$a$", "other $ text stays"},
        ReplaceCase{"(\\d+)", "7", G("“$1”"), G("“7”"), "full-width punctuation around a group"},
        ReplaceCase{"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", "abcdefghij", "$9$10", "ia0", "single-digit groups only"},
        ReplaceCase{"x*", "abc", "-", "-a-b-c-", "empty matches advance by one character"},
        ReplaceCase{"x*", G("中文"), "-", G("-中-文-"), "empty matches step over whole characters"},
        ReplaceCase{"o", "foo", "0", "f0o", "first match only without global", true, true, false},
        ReplaceCase{"z", G("a😀b"), "", G("a😀b"), "no match keeps the text"},
        ReplaceCase{"b", G("a😀b€"), "c", G("a😀c€"), "characters beyond GBK survive"},
        ReplaceCase{"", "ab", "-", "-a-b-", "empty pattern"}));

TEST(Regex, MatchesCountFromOne)
{
    Regex regex;
    ASSERT_TRUE(regex.Create("(a)(b)"));
    EXPECT_EQ(regex.Execute("ab"), 1);
    EXPECT_EQ(regex.MatchCount(), 1);
    EXPECT_EQ(regex.Match(1), "ab");
    EXPECT_EQ(regex.SubMatch(1, 1), "a");
    EXPECT_EQ(regex.SubMatch(1, 2), "b");
    EXPECT_EQ(regex.SubMatchCount(), 2);
    // Outside the ranges callers keep to: empty text, never a crash.
    EXPECT_EQ(regex.Match(0), "");
    EXPECT_EQ(regex.Match(2), "");
    EXPECT_EQ(regex.SubMatch(1, 3), "");
    EXPECT_EQ(regex.SubMatch(-1, 1), "");
}

TEST(Regex, ExecuteFindsEveryMatchAndItsCharacterPosition)
{
    Regex regex;
    ASSERT_TRUE(regex.Create(G("([a-z])(\\d)?")));
    const std::string subject = G("中文a1😀b中c2");
    ASSERT_EQ(regex.Execute(subject), 3);
    const struct {
        int i;
        const char* match;
        const char* group2;
        int index;
    } expected[] = {{1, "a1", "1", 2}, {2, "b", "", 5}, {3, "c2", "2", 7}};
    for (const auto& e : expected) {
        int index = -5;
        EXPECT_EQ(regex.MatchAt(e.i, true, &index), e.match) << e.i;
        EXPECT_EQ(index, e.index) << e.i;
        index = -5;
        EXPECT_EQ(regex.SubMatchAt(e.i, 2, true, &index), e.group2) << e.i;
        EXPECT_EQ(index, e.index) << e.i;
    }
    int untouched = -5;
    EXPECT_EQ(regex.MatchAt(1, false, &untouched), "a1");
    EXPECT_EQ(untouched, -5);
}

TEST(Regex, ResultsComeBackAsInternalText)
{
    Regex regex;
    ASSERT_TRUE(regex.Create(G("标题：([^\\r\\n]+)")));
    ASSERT_EQ(regex.Execute(G("标题：中文测试\r\n正文")), 1);
    EXPECT_EQ(regex.SubMatch(1, 1), G("中文测试"));
    EXPECT_EQ(regex.Pattern(), G("标题：([^\\r\\n]+)"));
}

TEST(Regex, NonGlobalExecuteKeepsFirstMatch)
{
    Regex regex;
    ASSERT_TRUE(regex.Create("\\d+", true, true, false));
    EXPECT_EQ(regex.Execute("12 34 56"), 1);
    EXPECT_EQ(regex.Match(1), "12");
}

TEST(Regex, RejectedPatternYieldsEmptyResults)
{
    for (const char* pattern : {"(a", "[a", "a{2,1}", "\\", "*a"}) {
        Regex regex;
        EXPECT_FALSE(regex.Create(pattern)) << pattern;
        EXPECT_EQ(regex.Execute("aaa"), 0) << pattern;
        EXPECT_EQ(regex.Replace("aaa", "b"), "") << pattern;
        EXPECT_EQ(regex.Match(1), "") << pattern;
        EXPECT_EQ(regex.SubMatchCount(), 0) << pattern;
    }
    Regex never;
    EXPECT_EQ(never.Pattern(), "");
    EXPECT_EQ(never.Execute("a"), 0);
    EXPECT_EQ(never.Replace("a", "b"), "");
}

TEST(Regex, RecreateReplacesPatternAndForgetsMatches)
{
    Regex regex;
    ASSERT_TRUE(regex.Create("a"));
    ASSERT_EQ(regex.Execute("aa"), 2);
    ASSERT_TRUE(regex.Create("b"));
    EXPECT_EQ(regex.MatchCount(), 0);
    EXPECT_EQ(regex.Replace("ab", "c"), "ac");
}

TEST(Regex, CopyKeepsMatchesAndStaysIndependent)
{
    Regex original;
    ASSERT_TRUE(original.Create("(\\w)"));
    ASSERT_EQ(original.Execute("ab"), 2);
    Regex copy = original;
    EXPECT_EQ(copy.Match(2), "b");
    EXPECT_EQ(copy.SubMatch(1, 1), "a");
    ASSERT_EQ(original.Execute("xyz"), 3);
    EXPECT_EQ(copy.MatchCount(), 2);
    EXPECT_EQ(copy.Match(1), "a");
    EXPECT_EQ(copy.Replace("q", "[$1]"), "[q]");
}

TEST(Regex, RunawayBacktrackingEndsWithoutCrash)
{
    Regex regex;
    ASSERT_TRUE(regex.Create("(a+)+$"));
    const std::string subject = std::string(40, 'a') + "!";
    EXPECT_EQ(regex.Execute(subject), 0);
}

TEST(Regex, ReplaceAllOverLargeTextIsLinear)
{
    std::string subject;
    for (int k = 0; k < 50000; ++k)
        subject += G("<b>中</b>");
    Regex regex;
    ASSERT_TRUE(regex.Create("<[\\s\\S]+?>"));
    std::string expected;
    for (int k = 0; k < 50000; ++k)
        expected += G("中");
    EXPECT_EQ(regex.Replace(subject, ""), expected);
}

} // namespace
