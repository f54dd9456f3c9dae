// Percent-encoding of form values and bodies for GBK and UTF-8 shops, and its reverse.
#include "http/form_codec.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using kc::http::UrlDecode;
using kc::http::UrlEncode;

struct EncodeCase {
    std::string text;
    bool utf8;
    bool keepSeparators;
    std::string expected;
    const char* what;
    friend void PrintTo(const EncodeCase& c, std::ostream* os) { *os << c.what; }
};

class UrlEncodeCases : public ::testing::TestWithParam<EncodeCase> { };

TEST_P(UrlEncodeCases, EncodesAsTheShopExpects)
{
    const EncodeCase& c = GetParam();
    EXPECT_EQ(UrlEncode(c.text, c.utf8, c.keepSeparators), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, UrlEncodeCases,
    ::testing::Values(
        EncodeCase{"a b&c=d.e_f-g~", false, false, "a%20b%26c%3Dd.e_f-g%7E", "separators encoded in a value"},
        EncodeCase{"a b&c=d.e_f-g~", false, true, "a%20b&c=d.e_f-g%7E", "separators kept in a whole body"},
        EncodeCase{"a b&c=d.e_f-g~", true, true, "a%20b&c=d.e_f-g%7E", "ASCII is the same for UTF-8 shops"},
        EncodeCase{"\xD6\xD0\xCE\xC4", false, false, "%D6%D0%CE%C4", "GBK bytes of a Chinese word"}, // 中文
        EncodeCase{"\xD6\xD0\xCE\xC4", true, false, "%E4%B8%AD%E6%96%87", "UTF-8 bytes, no trailing %00"}, // 中文
        EncodeCase{"*/+%\t", false, false, "%2A%2F%2B%25%09", "reserved bytes padded to two digits"},
        EncodeCase{"AZaz09", false, false, "AZaz09", "letters and digits stay"},
        EncodeCase{"", true, false, "", "empty text"},
        EncodeCase{std::string("ab\0cd", 5), false, false, "ab", "text ends at its first zero byte"},
        EncodeCase{std::string("ab\0cd", 5), true, false, "ab", "same for UTF-8 shops"},
        // A character GBK cannot hold travels inside as a four-byte GB18030 sequence (U+20AC is
        // 0x80 in GBK's Windows form but 0xA2E3 in GB18030; U+1F600 is 9439FC36).
        EncodeCase{"\x94\x39\xFC\x36", true, false, "%F0%9F%98%80", "four-byte character to UTF-8"}));

TEST(UrlEncode, EncodingAnEncodedValueAgainEncodesItsPercentSigns)
{
    // The login encodes the security code on its own and then the whole body that holds it.
    const std::string value = UrlEncode("\xD6\xD0 1", false, false); // 中 1
    ASSERT_EQ(value, "%D6%D0%201");
    EXPECT_EQ(UrlEncode("captcha=" + value + "&x=1", false, true), "captcha=%25D6%25D0%25201&x=1");
}

struct DecodeCase {
    std::string text;
    bool utf8;
    std::string expected;
    const char* what;
    friend void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.what; }
};

class UrlDecodeCases : public ::testing::TestWithParam<DecodeCase> { };

TEST_P(UrlDecodeCases, DecodesToInternalText)
{
    const DecodeCase& c = GetParam();
    EXPECT_EQ(UrlDecode(c.text, c.utf8), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, UrlDecodeCases,
    ::testing::Values(DecodeCase{"a+b%20c", false, "a+b c", "plus stays a plus"},
        DecodeCase{"%D6%D0%ce%c4", false, "\xD6\xD0\xCE\xC4", "GBK bytes, either case of hex"}, // 中文
        DecodeCase{"%E4%B8%AD%E6%96%87", true, "\xD6\xD0\xCE\xC4", "UTF-8 bytes to internal text"}, // 中文
        DecodeCase{"100%", false, "100%", "percent at the end"}, DecodeCase{"%4", false, "%4", "one digit at the end"},
        DecodeCase{"%zz%41", false, "%zzA", "percent without hex digits is copied"},
        DecodeCase{"ab%00cd", false, "ab", "a decoded zero byte ends the text"},
        DecodeCase{"", true, "", "empty text"}));

TEST(UrlDecode, ReversesEncodingForBothShopKinds)
{
    const std::string text = "\xB1\xEA\xCC\xE2 a&b=c~/"; // 标题 a&b=c~/
    for (const bool utf8 : {false, true})
        EXPECT_EQ(UrlDecode(UrlEncode(text, utf8, false), utf8), text) << "utf8 " << utf8;
}

} // namespace
