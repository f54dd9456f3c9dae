// Simplified to traditional Chinese character mapping, used by the random text tools.
#include "http/traditional_chinese.h"

#include "http/traditional_chinese_table.h"
#include "text/char_helpers.h"

#include <algorithm>
#include <cstdint>

namespace kc::http {

std::string ToTraditionalChinese(std::string_view text)
{
    const auto pairs = SimplifiedToTraditionalPairs();
    std::string mapped(text);
    for (std::size_t i = 0; i < mapped.size();) {
        const std::size_t length = kc::text::CharLength(mapped, i);
        if (length == 2) {
            const auto code = static_cast<std::uint16_t>(
                static_cast<unsigned char>(mapped[i]) << 8 | static_cast<unsigned char>(mapped[i + 1]));
            const auto it = std::lower_bound(pairs.begin(), pairs.end(), code,
                [](const TraditionalPair& pair, std::uint16_t key) { return pair.simplified < key; });
            if (it != pairs.end() && it->simplified == code) {
                mapped[i] = static_cast<char>(it->traditional >> 8);
                mapped[i + 1] = static_cast<char>(it->traditional & 0xFF);
            }
        }
        i += length;
    }
    return mapped;
}

} // namespace kc::http
