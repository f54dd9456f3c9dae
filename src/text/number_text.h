// Reading numbers out of text the way every stored value and every page field is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kc::text {

// The value of one hexadecimal digit, either case; -1 for any other byte.
int HexDigitValue(char c);

// Where a leading number's digits start: past spaces and tabs and one optional "+" or "-", which sets negative.
size_t SkipBlanksAndSign(std::string_view text, bool& negative);

// The leading, optionally signed, decimal integer of a text after spaces and tabs; 0 when there is none.
// Digits past the range saturate at the nearest bound instead of wrapping.
int64_t LeadingInteger(std::string_view text);

// LeadingInteger held to the range of int.
int LeadingInt(std::string_view text);

} // namespace kc::text
