// Percent-encoding of form bodies, field values and URLs in a shop's encoding, and its reverse.
#pragma once

#include <string>
#include <string_view>

namespace kc::http {

// Percent-encodes internal text for a form body or URL. With utf8 the bytes sent are the text's UTF-8
// form, else its GBK bytes. Letters, digits, ".", "_" and "-" stay as they are (and "&" and "=" with
// keepSeparators, so that a whole body of name=value pairs can be encoded at once); every other byte
// becomes "%" and two upper-case hexadecimal digits, a blank %20. The text ends at its first zero byte.
std::string UrlEncode(std::string_view text, bool utf8, bool keepSeparators);

// Decodes %XX sequences; "+" stays a plus sign. A "%" not followed by two hexadecimal digits is copied
// as it stands. With utf8 the decoded bytes are read as UTF-8 and the result is internal text.
std::string UrlDecode(std::string_view text, bool utf8);

} // namespace kc::http
