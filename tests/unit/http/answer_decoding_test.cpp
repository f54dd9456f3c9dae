// Decoding of answer pages and the marker searches that decide whether an answer means success.
#include "http/answer_decoding.h"

#include "text/text_encoding.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using namespace kc::http;

std::string Gbk(const char* utf8)
{
    return kc::text::ConvertCharset(utf8, "UTF-8", "GB18030");
}

// GB18030 of U+FFFD, what a code that is no character becomes.
const std::string kReplacement = "\x84\x31\xA4\x37";

struct TextCase {
    std::string text;
    std::string expected;
    const char* what;
    friend void PrintTo(const TextCase& c, std::ostream* os) { *os << c.what; }
};

class UnescapeScriptTextCases : public ::testing::TestWithParam<TextCase> { };

TEST_P(UnescapeScriptTextCases, Decodes)
{
    const TextCase& c = GetParam();
    EXPECT_EQ(UnescapeScriptText(c.text), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, UnescapeScriptTextCases,
    ::testing::Values(TextCase{R"({"msg":"\u6dfb\u52a0\u6210\u529F"})", Gbk(R"({"msg":"添加成功"})"), "escapes"},
        TextCase{R"(a\u0041b)", "aAb", "ASCII escape"},
        TextCase{R"(x\u0000y)", R"(x\u0000y)", "value 0 stays as written"},
        TextCase{R"(tail \u4e2)", R"(tail \u4e2)", "fewer than four digits at the end"},
        TextCase{R"(C:\users\a)", R"(C:\users\a)", "non-hex characters are no escape"},
        TextCase{R"(\x\u4E2D)", "\\x\xD6\xD0", "backslash without u, then an escape"}, // 中
        TextCase{R"(\"q\" a\/b l1\nl2 c\td)", "\"q\" a/b l1\r\nl2 c\td", "quote, slash, newline, tab"},
        TextCase{R"(\\n)", "\\\r\n", "an escaped backslash is not understood"},
        TextCase{R"(\ud83d\ude00!)", "\x94\x39\xFC\x36!", "surrogate pair is one character"},
        TextCase{R"(\ud83d!)", kReplacement + "!", "lone surrogate"},
        // 乗 is 81 5C: its trail byte is a backslash in ASCII.
        TextCase{"\x81\x5Cn\x81\x5Cu4e2d", "\x81\x5Cn\x81\x5Cu4e2d", "GBK trail byte is no backslash"},
        TextCase{"", "", "empty text"}));

class DecodeHtmlEntitiesCases : public ::testing::TestWithParam<TextCase> { };

TEST_P(DecodeHtmlEntitiesCases, Decodes)
{
    const TextCase& c = GetParam();
    EXPECT_EQ(DecodeHtmlEntities(c.text), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, DecodeHtmlEntitiesCases,
    ::testing::Values(TextCase{"&amp;lt;", "&lt;", "one pass only"}, TextCase{"a&nbsp;b", "a b", "nbsp is a blank"},
        TextCase{"&#65;&#x41;", "AA", "decimal and hexadecimal"},
        TextCase{"&#X41;&#9;", "&#X41;&#9;", "upper-case X and one digit stay"},
        TextCase{"AT&T;", "AT&T;", "unknown name stays"}, TextCase{"&;&a;", "&;&a;", "names too short"},
        TextCase{"&lt", "&lt", "no semicolon"}, TextCase{"&a &gt;", "&a >", "a later reference after a failed one"},
        TextCase{"&Dagger;&dagger;&DAGGER;", Gbk("‡†&DAGGER;"), "names compared with exact case"},
        TextCase{"&#20013;&#x4e2d;", "\xD6\xD0\xD6\xD0", "Chinese character"}, // 中中
        TextCase{"&copy;&euro;", Gbk("©€"), "characters GBK cannot hold survive as GB18030"},
        TextCase{"&#x1F600;", "\x94\x39\xFC\x36", "beyond the 16-bit range"},
        TextCase{"&#xD800;", kReplacement, "surrogate code"},
        TextCase{"&#-65;&#0;&#1114112;&#99999999999;", "&#-65;&#0;&#1114112;&#99999999999;", "no character"},
        TextCase{"\xD6\xD0&lt;\xCE\xC4", "\xD6\xD0<\xCE\xC4", "between Chinese characters"}, // 中<文
        TextCase{"", "", "empty text"}));

TEST(DecodeHtmlEntities, ManyAmpersandsBeforeOneFarSemicolon)
{
    // Query strings of a large page: every "&" reaches the same ";" at the very end.
    std::string links;
    for (int i = 0; i < 20000; ++i)
        links += "?a=1&b=2";
    EXPECT_EQ(DecodeHtmlEntities(links + "&lt;"), links + "<");
}

TEST(DecodeHtmlEntities, KnowsAllHtml4Names)
{
    // One name from each of the three sets, and the last and first names in byte order.
    EXPECT_EQ(DecodeHtmlEntities("&yuml;&AElig;&zwnj;&lArr;&OElig;"), Gbk("ÿÆ\u200C⇐Œ"));
}

struct MatchCase {
    std::string text;
    std::string alternatives;
    bool anyMode;
    std::string separator;
    bool caseInsensitive;
    bool expected;
    std::string expectedMatch;
    int expectedPosition;
    const char* what;
    friend void PrintTo(const MatchCase& c, std::ostream* os) { *os << c.what; }
};

class MatchAlternativesCases : public ::testing::TestWithParam<MatchCase> { };

TEST_P(MatchAlternativesCases, Answers)
{
    const MatchCase& c = GetParam();
    std::string matched = "stale";
    int position = -1;
    EXPECT_EQ(MatchAlternatives(c.text, c.alternatives, c.anyMode, c.separator, c.caseInsensitive, &matched, &position),
        c.expected)
        << c.what;
    EXPECT_EQ(matched, c.expectedMatch) << c.what;
    EXPECT_EQ(position, c.expectedPosition) << c.what;
}

const std::string kSuccessMarkers = Gbk("添加成功|成功编辑");

INSTANTIATE_TEST_SUITE_P(Table, MatchAlternativesCases,
    ::testing::Values(
        MatchCase{Gbk("<p>成功编辑</p>"), kSuccessMarkers, true, "|", true, true, Gbk("成功编辑"), 4, "second marker"},
        MatchCase{Gbk("<TITLE>管理中心</TITLE>"), Gbk("管理中心</title>"), true, "|", true, true,
            Gbk("管理中心</title>"), 8, "case of ASCII letters ignored"},
        MatchCase{Gbk("<TITLE>管理中心</TITLE>"), Gbk("管理中心</title>"), true, "|", false, false, "", 0,
            "case kept when asked"},
        MatchCase{"Content-Type: text/html; charset=UTF-8", "charset=utf-8|charset=\"utf-8\"", true, "|", true, true,
            "charset=utf-8", 26, "UTF-8 declaration in headers"},
        MatchCase{"abc", "x||c|b", true, "|", true, true, "c", 3, "first alternative in list order wins"},
        MatchCase{"abc", "x|y", true, "|", true, false, "", 0, "none found"},
        MatchCase{"abc", "|||", true, "|", true, false, "", 0, "only separators, any mode"},
        MatchCase{"abc", "a||c", false, "|", true, true, "", 0, "all found"},
        MatchCase{"abc", "a|x|c", false, "|", true, false, "", 0, "one missing"},
        MatchCase{"abc", "|||", false, "|", true, false, "", 0, "only separators, all mode"},
        MatchCase{"abc", "", false, "|", true, false, "", 0, "empty list, all mode"},
        MatchCase{"a,b", "b[fg]a", false, "[fg]", true, true, "", 0, "named separator"},
        MatchCase{"abc", "x|c", true, "", true, true, "c", 3, "empty separator means the bar"},
        // 丄 is 81 41: its trail byte is an "A" in ASCII and must not match "a".
        MatchCase{"\x81\x41", "a", true, "|", true, false, "", 0, "GBK trail byte is no letter"},
        // 亅 is 81 7C: its trail byte is a bar in ASCII and must not split the list.
        MatchCase{"x\x81\x7C", "y|\x81\x7C", true, "|", true, true, "\x81\x7C", 2, "GBK trail byte is no separator"}));

struct MarkersCase {
    std::string text;
    std::string markers;
    bool expected;
    const char* what;
    friend void PrintTo(const MarkersCase& c, std::ostream* os) { *os << c.what; }
};

class ContainsAllMarkersCases : public ::testing::TestWithParam<MarkersCase> { };

TEST_P(ContainsAllMarkersCases, Answers)
{
    const MarkersCase& c = GetParam();
    EXPECT_EQ(ContainsAllMarkers(c.text, c.markers), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, ContainsAllMarkersCases,
    ::testing::Values(MarkersCase{R"({"error":0,"message":""})", R"("error":0)", true, "JSON member"},
        MarkersCase{R"({"error":1})", R"("error":0)", false, "other value"},
        MarkersCase{"Alpha Beta", "beta[fg]ALPHA", true, "all present, any case, any order"},
        MarkersCase{"Alpha Beta", "beta[fg]gamma", false, "one missing"},
        MarkersCase{"Alpha", "a|b", false, "the bar is no separator here"},
        MarkersCase{Gbk("分类成功添加"), Gbk("成功添加"), true, "Chinese marker"},
        MarkersCase{"x", "", true, "empty list"}));

class PageCharsetToGb2312Cases : public ::testing::TestWithParam<TextCase> { };

TEST_P(PageCharsetToGb2312Cases, Rewrites)
{
    const TextCase& c = GetParam();
    EXPECT_EQ(PageCharsetToGb2312(c.text), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, PageCharsetToGb2312Cases,
    ::testing::Values(TextCase{R"(<meta charset="UTF-8">)", R"(<meta charset="gb2312">)", "quoted"},
        TextCase{R"(<meta charset=utf-8>)", R"(<meta charset=gb2312>)", "unquoted, lower case"},
        TextCase{R"(<meta content="text/html; charset=Utf-8">)", R"(<meta content="text/html; charset=gb2312">)",
            "inside a content attribute the attribute stays whole"},
        TextCase{R"(<meta charset='utf-8'>)", R"(<meta charset='gb2312'>)", "single quotes"},
        TextCase{R"(charset=UTF-8 charset="utf-8")", R"(charset=gb2312 charset="gb2312")", "every declaration"},
        TextCase{R"(<meta charset="gbk">)", R"(<meta charset="gbk">)", "other charsets stay"}));

TEST(PageCharsetToGb2312, SavedPageReadsBackAsWhatItHolds)
{
    const std::string page = Gbk("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                                 "charset=utf-8\"><title>登录</title></head><body>密码错误</body></html>");
    std::string bytes;
    kc::text::SaveText("", PageCharsetToGb2312(page), kc::text::kEncodingGbk, &bytes);
    int detected = -1;
    EXPECT_EQ(kc::text::LoadText("", kc::text::kEncodingAuto, &detected, bytes), PageCharsetToGb2312(page));
    EXPECT_EQ(detected, kc::text::kEncodingGbk);
}

} // namespace
