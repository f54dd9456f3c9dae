// Table-driven converters between UTF-8 and GB18030 for the common cases: reading a large UTF-8 file, and
// sending internal text made of ASCII and GBK characters to a UTF-8 shop.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kc::text {

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
