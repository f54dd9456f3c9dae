// Counting and cutting internal text by characters instead of bytes.
//
// A byte below 80 hex is one character; a GBK lead byte with its trail byte is one character, as is a
// GB18030 four-byte sequence; neither is ever cut. Line breaks count by lineBreaks:
// 0 not at all (they stay in the cut text), 1 CR LF as one and a lone CR or LF as one, 2 every CR and
// every LF as one.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kc::text {

// Byte length of the character starting at offset pos (1 at the end of a truncated sequence).
size_t CharLength(std::string_view text, size_t pos);

int CharCount(std::string_view text, int lineBreaks = 1);

// The first n characters; a negative n means all but the last -n. Empty when n ends up 0 or less, the
// whole text when n reaches the number of characters.
std::string CharLeft(std::string_view text, int n, int lineBreaks = 1);

// The last n characters; a negative n means all but the first -n.
std::string CharRight(std::string_view text, int n, int lineBreaks = 1);

} // namespace kc::text
