// An article's HTML body turned into description text.
#include "text/text_cleaner.h"
#include "text/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kc::text::TextCleaner;

std::string G(const char* utf8)
{
    return kc::text::ConvertCharset(utf8, "UTF-8", "GB18030");
}

TEST(TextCleaner, StripTags)
{
    const struct {
        std::string html;
        std::string expected;
    } cases[] = {
        {G("<P>第一段</P><BR />第二<b>行</b>"), G("\r\n第一段\r\n\r\n第二行")},
        {"<img\r\nsrc=a.jpg width=1>x", "x"},
        {"<img Width>10 src=a>x", "x"}, // the comparison is no tag end: all of it is one tag
        {G("宽<div Height<5>x"), G("宽x")},
        {"a &lt;b&gt; &#20013;", "a <b> " + G("中")},
        {"no tags", "no tags"},
    };
    const TextCleaner cleaner;
    for (const auto& c : cases)
        EXPECT_EQ(cleaner.StripTags(c.html), c.expected) << c.html;
}

TEST(TextCleaner, RemoveUrls)
{
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {G("见http://www.a.com/x?y=1中文"), G("见中文")},
        {"go www.shop.com/a now", "go  now"},
        {"<a href='HTTPS://a.b'>", "<a href=''>"},
        {G("ftp://a.b/c　d"), ""}, // the full-width space is not white space: the address runs on
        {"no address", "no address"},
    };
    const TextCleaner cleaner;
    for (const auto& c : cases)
        EXPECT_EQ(cleaner.RemoveUrls(c.text), c.expected) << c.text;
}

TEST(TextCleaner, RemoveAllWhitespace)
{
    const TextCleaner cleaner;
    EXPECT_EQ(cleaner.RemoveAllWhitespace(G(" 中\t文\r\n　字\f")), G("中文字"));
    EXPECT_EQ(cleaner.RemoveAllWhitespace(""), "");
}

} // namespace
