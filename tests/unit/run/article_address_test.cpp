// Reading the published address out of a submission answer.
#include "run/article_address.h"

#include "text/literal.h"

#include <gtest/gtest.h>

namespace kc::run {
namespace {

TEST(ArticleAddressFromAnswer, PushScriptFirstThenTheViewLink)
{
    const std::string view = text::FromUtf8("查看文档");
    struct Case {
        const char* name;
        std::string answer;
        bool https;
        std::string expected;
    } cases[] = {
        {"push script wins",
            "<script>push_zzbaidu('http://a.example/x.php?id=3');</script><a href=\"/other\">" + view + "</a>", false,
            "http://a.example/x.php?id=3"},
        {"relative link gets scheme and domain, no slash added", "<a href=\"article.php?id=9\">" + view + "</a>", false,
            "http://shop.example:8080article.php?id=9"},
        {"https site", "<a href='/article.php?id=9'>" + view + "</a>", true,
            "https://shop.example:8080/article.php?id=9"},
        {"absolute link kept, any case", "<A HREF=\"HTTP://b.example/9\">" + view + "</A>", false,
            "HTTP://b.example/9"},
        {"the anchor right before the caption", "<a href=\"/1\">x</a> <a class=\"c\" href=\"/2\">" + view + "</a>",
            false, "http://shop.example:8080/2"},
        {"no <abbr> taken for an anchor", "<a href=\"/1\">y</a><abbr title=\"t\">" + view + "</a>", false,
            "http://shop.example:8080/1"},
        {"neither", "<p>ok</p>", false, ""},
        {"caption without an anchor", view + "</a>", false, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ArticleAddressFromAnswer(c.answer, "shop.example:8080", c.https), c.expected) << c.name;
}

} // namespace
} // namespace kc::run
