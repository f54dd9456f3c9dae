// A table-driven UTF-8 → GB18030 decoder for the common case of reading a large UTF-8 file.
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

} // namespace kc::text
