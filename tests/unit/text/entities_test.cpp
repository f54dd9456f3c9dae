// Named and numeric character references decoded into internal text.
#include "text/entities.h"
#include "text/text_encoding.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

std::string G(const char* utf8)
{
    return kc::text::ConvertCharset(utf8, "UTF-8", "GB18030");
}

struct EntityCase {
    std::string input;
    std::string expected;
    const char* what;
    friend void PrintTo(const EntityCase& c, std::ostream* os) { *os << c.what; }
};

class DecodeCommonEntitiesCases : public ::testing::TestWithParam<EntityCase> { };

TEST_P(DecodeCommonEntitiesCases, Decodes)
{
    const EntityCase& c = GetParam();
    EXPECT_EQ(kc::text::DecodeCommonEntities(c.input), c.expected);
}

INSTANTIATE_TEST_SUITE_P(References, DecodeCommonEntitiesCases,
    ::testing::Values(EntityCase{"&#20013;&#x4e2d;&#X4E2D;", G("中中中"), "decimal and hexadecimal"},
        EntityCase{"a&NBSP;b&Nbsp;c", "a b c", "named, any case"},
        EntityCase{"&amp;lt;", "<", "escaped reference decoded twice"},
        EntityCase{"&prime;&Prime;", G("′′"), "prime and Prime both single prime"},
        EntityCase{"&lt;&gt;&quot;&amp;", "<>\"&", "markup characters"},
        EntityCase{"&ldquo;&hellip;&rdquo;&sim;&perp;&ndash;&oplus;", G("“…”～⊥–⊕"), "GBK punctuation"},
        EntityCase{"&#128512;", G("😀"), "beyond 16 bits kept whole"},
        EntityCase{"&#128512", "&#128512", "no semicolon"},
        EntityCase{"AT&#T rules; ok", "AT&#T rules; ok", "not a number: text kept"},
        EntityCase{"&#;&#x;&#0;&#55296;", "&#;&#x;", "empty bodies kept, zero and surrogate dropped"},
        EntityCase{"&#38;#20013;", "&#20013;", "decoded ampersand not decoded again"},
        EntityCase{"&#20013&#59;", G("中"), "decoded semicolon closes the reference before it"},
        EntityCase{"&&#35;20013;", G("中"), "decoded hash opens a reference"},
        EntityCase{"&unknown; & plain", "&unknown; & plain", "other text unchanged"}));

TEST(DecodeCommonEntities, ManyReferencesInLargeText)
{
    std::string input;
    std::string expected;
    for (int k = 0; k < 20000; ++k) {
        input += "x&#20013;&amp;";
        expected += "x" + G("中") + "&";
    }
    EXPECT_EQ(kc::text::DecodeCommonEntities(input), expected);
}

} // namespace
