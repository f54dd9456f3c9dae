// The simplified-to-traditional character table generated from OpenCC's data (data/make_traditional_table.py).
#pragma once

#include <cstdint>
#include <span>

namespace kc::http {

// Two-byte GBK codes (lead byte in the high 8 bits); both characters have the same byte length.
struct TraditionalPair {
    std::uint16_t simplified;
    std::uint16_t traditional;
};

// Sorted by the simplified code, one pair per simplified character.
std::span<const TraditionalPair> SimplifiedToTraditionalPairs();

} // namespace kc::http
