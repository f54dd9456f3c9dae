// Table-driven converters between UTF-8 and GB18030 for the common cases: reading a large UTF-8 file, and
// sending internal text made of ASCII and GBK characters to a UTF-8 shop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace kc::text {

// The end of the run of 7-bit bytes that starts at from, looked at up to limit: ASCII is the same bytes in
// every encoding here, so the converters copy or skip such runs whole, eight bytes at a look. Inline, since
// it sits in the converters' inner loops.
inline size_t AsciiRunEnd(const unsigned char* p, size_t from, size_t limit)
{
    size_t run = from;
    while (run + 8 <= limit) {
        uint64_t word;
        std::memcpy(&word, p + run, 8);
        if (word & 0x8080808080808080ull)
            break;
        run += 8;
    }
    while (run < limit && p[run] < 0x80)
        ++run;
    return run;
}

// What the decoder saw on its way.
struct Utf8Stats {
    bool multiByte = false; // at least one sequence of two or more bytes
    bool fourByte = false; // at least one four-byte sequence
};

// Converts well-formed UTF-8 to GB18030 with the same result as the ICU converter. Gives nothing when the
// input holds anything but well-formed UTF-8 (then the caller uses the general converter, which decides
// how damaged input is replaced). Lets window events run once per megabyte.
std::optional<std::string> Utf8ToGb18030Fast(std::string_view utf8, Utf8Stats* stats = nullptr);

// Converts GB18030 made of ASCII and two-byte characters to UTF-8 with the same result as the ICU converter.
// Gives nothing for anything else (a four-byte sequence, a byte that starts no character, a two-byte code
// ICU maps one way only): the caller then uses the general converter. Lets window events run once per
// megabyte.
std::optional<std::string> Gb18030ToUtf8Fast(std::string_view gb);

} // namespace kc::text
