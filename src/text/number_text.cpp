// Numbers read out of text.
#include "text/number_text.h"

#include <algorithm>
#include <limits>

namespace kc::text {

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

size_t SkipBlanksAndSign(std::string_view text, bool& negative)
{
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
    negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    return pos;
}

int64_t LeadingInteger(std::string_view text)
{
    bool negative = false;
    size_t pos = SkipBlanksAndSign(text, negative);
    uint64_t magnitude = 0;
    const uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        const uint64_t digit = static_cast<uint64_t>(text[pos] - '0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    if (negative)
        return magnitude == limit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(magnitude);
    return static_cast<int64_t>(magnitude);
}

int LeadingInt(std::string_view text)
{
    const int64_t value = LeadingInteger(text);
    return static_cast<int>(
        std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace kc::text
