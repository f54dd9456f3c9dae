// Simplified to traditional mapping over internal text, and the generated table it relies on.
#include "http/traditional_chinese.h"
#include "http/traditional_chinese_table.h"

#include "text/text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>

namespace {

using kc::http::ToTraditionalChinese;

std::string Gbk(const char* utf8)
{
    return kc::text::ConvertCharset(utf8, "UTF-8", "GB18030");
}

struct MapCase {
    std::string text;
    std::string expected;
    const char* what;
    friend void PrintTo(const MapCase& c, std::ostream* os) { *os << c.what; }
};

class ToTraditionalChineseCases : public ::testing::TestWithParam<MapCase> { };

TEST_P(ToTraditionalChineseCases, MapsWholeCharactersOnly)
{
    const MapCase& c = GetParam();
    const std::string mapped = ToTraditionalChinese(c.text);
    EXPECT_EQ(mapped, c.expected) << c.what;
    EXPECT_EQ(mapped.size(), c.text.size()) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, ToTraditionalChineseCases,
    ::testing::Values(MapCase{Gbk("发后干国"), Gbk("發後幹國"), "first candidate of each character"},
        MapCase{Gbk("中文 abc 面"), Gbk("中文 abc 面"), "characters without another form stay"},
        MapCase{Gbk("發後"), Gbk("發後"), "traditional text stays"},
        // The trail byte of 的 and the lead byte of 在 together spell a mapped character.
        MapCase{Gbk("的在"), Gbk("的在"), "pairs across two characters are not mapped"},
        MapCase{"\x94\x39\xFC\x36\xB7\xA2", "\x94\x39\xFC\x36\xB0\x6C", "four-byte character kept whole"},
        MapCase{"a\xB7", "a\xB7", "a lone lead byte at the end stays"}, MapCase{"", "", "empty text"}));

TEST(TraditionalChineseTable, EveryPairIsTwoByteGbkAndSorted)
{
    const auto pairs = kc::http::SimplifiedToTraditionalPairs();
    ASSERT_GT(pairs.size(), 2000u);
    EXPECT_TRUE(std::is_sorted(
        pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.simplified < b.simplified; }));
    for (const auto& pair : pairs) {
        for (const std::uint16_t code : {pair.simplified, pair.traditional}) {
            const std::string bytes{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
            // One character that survives the way out and back in unchanged.
            const std::string utf8 = kc::text::ConvertCharset(bytes, "GB18030", "UTF-8");
            EXPECT_EQ(utf8.size(), 3u) << std::hex << code;
            EXPECT_EQ(kc::text::ConvertCharset(utf8, "UTF-8", "GBK"), bytes) << std::hex << code;
        }
        EXPECT_NE(pair.simplified, pair.traditional);
    }
}

} // namespace
