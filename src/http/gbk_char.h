// How many bytes the internal-text character at a position takes, so that searches never cut one.
#pragma once

#include <cstddef>
#include <string_view>

namespace kc::http::detail {

// 1 for a byte below 80 hex (and for a stray byte that starts no character), 4 for a GB18030
// four-byte sequence (lead 81-FE, second byte 30-39), 2 for any other lead byte 81-FE with a byte
// after it. Never runs past the end of the text.
inline std::size_t CharLength(std::string_view text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x81 || lead == 0xFF || i + 1 >= text.size())
        return 1;
    const auto second = static_cast<unsigned char>(text[i + 1]);
    if (second >= 0x30 && second <= 0x39)
        return i + 3 < text.size() ? 4 : 1;
    return 2;
}

} // namespace kc::http::detail
