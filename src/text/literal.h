// Chinese literals in source files: the files are UTF-8, internal text is GB18030.
#pragma once

#include "text/text_encoding.h"

#include <string>

namespace kc::text {

// Converts a UTF-8 text to internal text.
inline std::string FromUtf8(std::string_view utf8)
{
    return utf8.empty() ? std::string() : ConvertCharset(utf8, "UTF-8", kInternalCharset);
}

// Converts internal text to UTF-8.
inline std::string ToUtf8(std::string_view internal)
{
    return internal.empty() ? std::string() : ConvertCharset(internal, kInternalCharset, "UTF-8");
}

} // namespace kc::text

// KC_TEXT("全局"): the internal text of a UTF-8 literal, converted once per place of use.
#define KC_TEXT(utf8Literal)                                                                                           \
    ([]() -> const std::string& {                                                                                      \
        static const std::string converted = ::kc::text::FromUtf8(utf8Literal);                                        \
        return converted;                                                                                              \
    }())
