// Percent-encoding of form bodies, field values and URLs in a shop's encoding, and its reverse.
#include "http/form_codec.h"

#include "text/number_text.h"
#include "text/text_encoding.h"

namespace kc::http {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Internal text ends at its first zero byte.
std::string_view UpToZero(std::string_view text)
{
    const auto zero = text.find('\0');
    return zero == std::string_view::npos ? text : text.substr(0, zero);
}

bool StaysUnencoded(unsigned char byte, bool keepSeparators)
{
    if ((byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z'))
        return true;
    if (byte == '.' || byte == '_' || byte == '-')
        return true;
    return keepSeparators && (byte == '&' || byte == '=');
}

} // namespace

std::string UrlEncode(std::string_view text, bool utf8, bool keepSeparators)
{
    text = UpToZero(text);
    // The conversion keeps no terminating zero, so no "%00" can reach the result.
    const std::string bytes
        = utf8 ? kc::text::ConvertCharset(text, kc::text::kInternalCharset, "UTF-8") : std::string(text);
    std::string encoded;
    encoded.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (StaysUnencoded(byte, keepSeparators)) {
            encoded.push_back(c);
        } else {
            encoded.push_back('%');
            encoded.push_back(kHexDigits[byte >> 4]);
            encoded.push_back(kHexDigits[byte & 0x0F]);
        }
    }
    return encoded;
}

std::string UrlDecode(std::string_view text, bool utf8)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && kc::text::HexDigitValue(text[i + 1]) >= 0
            && kc::text::HexDigitValue(text[i + 2]) >= 0) {
            decoded.push_back(
                static_cast<char>(kc::text::HexDigitValue(text[i + 1]) * 16 + kc::text::HexDigitValue(text[i + 2])));
            i += 2;
        } else {
            decoded.push_back(text[i]);
        }
    }
    if (utf8)
        decoded = kc::text::ConvertCharset(decoded, "UTF-8", kc::text::kInternalCharset);
    // A decoded %00 ends the text, as a zero byte ends every internal text.
    decoded.resize(UpToZero(decoded).size());
    return decoded;
}

} // namespace kc::http
