// A shop's domain as typed, reduced to host and path.
#include "text/domain.h"
#include "text/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string G(const char* utf8)
{
    return kc::text::ConvertCharset(utf8, "UTF-8", "GB18030");
}

TEST(NormaliseDomain, GivesBareHostAndPath)
{
    const struct {
        std::string typed;
        std::string expected;
    } cases[] = {
        {"  http://www.shop.com/ ", "www.shop.com"},
        {G("　HTTPS://www.shop.com/admin/　"), "www.shop.com/admin"},
        {"//shop.com//", "shop.com"},
        {"/admin", "admin"},
        {"www.shop.com:8080/a b/", "www.shop.com:8080/ab"},
        {"///", ""},
        {"", ""},
        {G("中文.com/后台/"), G("中文.com/后台")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kc::text::NormaliseDomain(c.typed), c.expected) << c.typed;
}

} // namespace
