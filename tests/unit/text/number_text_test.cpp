// Numbers read out of stored values and page fields: leading integers and hexadecimal digits.
#include "text/number_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string_view>

namespace {

using kc::text::LeadingInt;
using kc::text::LeadingInteger;

TEST(LeadingInteger, ReadsTheLeadingNumberAndSaturates)
{
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    const struct {
        std::string_view text;
        int64_t expected;
    } cases[] = {
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {"42", 42},
        {"  \t-17px", -17},
        {"+8", 8},
        {"12 34", 12},
        {" 0x1F", 0},
        {"\n5", 0}, // only spaces and tabs lead
        {"9223372036854775807", kMax},
        {"9223372036854775808", kMax},
        {"99999999999999999999999", kMax},
        {"-9223372036854775808", kMin},
        {"-99999999999999999999999", kMin},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LeadingInteger(c.text), c.expected) << '"' << c.text << '"';
}

TEST(LeadingInteger, TheIntFormHoldsToTheRangeOfInt)
{
    EXPECT_EQ(LeadingInt("2147483647"), 2147483647);
    EXPECT_EQ(LeadingInt("2147483648"), 2147483647);
    EXPECT_EQ(LeadingInt("-2147483648"), std::numeric_limits<int>::min());
    EXPECT_EQ(LeadingInt("-99999999999"), std::numeric_limits<int>::min());
    EXPECT_EQ(LeadingInt(" 305"), 305);
}

TEST(HexDigitValue, EveryByte)
{
    for (int byte = 0; byte < 256; ++byte) {
        const char c = static_cast<char>(byte);
        int expected = -1;
        if (byte >= '0' && byte <= '9')
            expected = byte - '0';
        else if (byte >= 'a' && byte <= 'f')
            expected = byte - 'a' + 10;
        else if (byte >= 'A' && byte <= 'F')
            expected = byte - 'A' + 10;
        EXPECT_EQ(kc::text::HexDigitValue(c), expected) << byte;
    }
}

} // namespace
