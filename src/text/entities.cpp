// Named and numeric character references decoded into internal text.
#include "text/entities.h"

#include "platform/event_pump.h"
#include "text/markers.h"
#include "text/number_text.h"
#include "text/text_encoding.h"

#include <array>
#include <utility>

namespace kc::text {
namespace {

// Replaced one after the other, ignoring case: "&amp;" first, so "&amp;lt;" ends as "<", and "&prime;"
// before "&Prime;", so both become the single prime.
constexpr std::array<std::pair<std::string_view, std::string_view>, 40> kNamedReferences = {{
    {"&amp;", "&"}, {"&ndash;", "\xA8\x43"}, // –
    {"&mdash;", "\xA1\xAA"}, // —
    {"&ldquo;", "\xA1\xB0"}, // “
    {"&rdquo;", "\xA1\xB1"}, // ”
    {"&nbsp;", " "}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&times;", "\xA1\xC1"}, // ×
    {"&divide;", "\xA1\xC2"}, // ÷
    {"&middot;", "\xA1\xA4"}, // ·
    {"&hellip;", "\xA1\xAD"}, // …
    {"&lsquo;", "\xA1\xAE"}, // ‘
    {"&rsquo;", "\xA1\xAF"}, // ’
    {"&permil;", "\xA1\xEB"}, // ‰
    {"&prime;", "\xA1\xE4"}, // ′
    {"&Prime;", "\xA1\xE5"}, // ″
    {"&larr;", "\xA1\xFB"}, // ←
    {"&uarr;", "\xA1\xFC"}, // ↑
    {"&rarr;", "\xA1\xFA"}, // →
    {"&darr;", "\xA1\xFD"}, // ↓
    {"&radic;", "\xA1\xCC"}, // √
    {"&prop;", "\xA1\xD8"}, // ∝
    {"&infin;", "\xA1\xDE"}, // ∞
    {"&ang;", "\xA1\xCF"}, // ∠
    {"&and;", "\xA1\xC4"}, // ∧
    {"&or;", "\xA1\xC5"}, // ∨
    {"&cap;", "\xA1\xC9"}, // ∩
    {"&cup;", "\xA1\xC8"}, // ∪
    {"&int;", "\xA1\xD2"}, // ∫
    {"&there4;", "\xA1\xE0"}, // ∴
    {"&sim;", "\xA1\xAB"}, // ～ (full-width tilde)
    {"&asymp;", "\xA1\xD6"}, // ≈
    {"&ne;", "\xA1\xD9"}, // ≠
    {"&equiv;", "\xA1\xD4"}, // ≡
    {"&le;", "\xA1\xDC"}, // ≤
    {"&ge;", "\xA1\xDD"}, // ≥
    {"&oplus;", "\xA8\x92"}, // ⊕
    {"&perp;", "\xA1\xCD"}, // ⊥
}};

// Longest body accepted between "&#" and ";": "x" and six hex digits, or seven decimal digits, with a
// few leading zeros to spare.
constexpr size_t kMaxBodyLength = 10;

// The code point a reference body names, or -1 when the body is not a well-formed number. Only
// "digits" and "x" + hex digits are taken: a loose reading ("&#T rules;" as 0) would delete ordinary
// text up to the next semicolon.
long ParseBody(std::string_view body)
{
    if (body.empty() || body.size() > kMaxBodyLength)
        return -1;
    long value = 0;
    if (body[0] == 'x' || body[0] == 'X') {
        if (body.size() == 1)
            return -1;
        for (const char c : body.substr(1)) {
            const int digit = HexDigitValue(c);
            if (digit < 0)
                return -1;
            value = value * 16 + digit;
        }
    } else {
        for (const char c : body) {
            if (c < '0' || c > '9')
                return -1;
            value = value * 10 + (c - '0');
        }
    }
    return value;
}

// The internal text of one code point; empty for 0, surrogates and values beyond Unicode. Characters
// GBK cannot hold come out as GB18030 four-byte sequences, so they are kept rather than lost.
std::string CodePointText(long value)
{
    if (value <= 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return {};
    const auto cp = static_cast<unsigned long>(value);
    std::string utf8;
    if (cp < 0x80) {
        utf8.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        utf8.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        utf8.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        utf8.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        utf8.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        utf8.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        utf8.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
    return ConvertCharset(utf8, "UTF-8", kInternalCharset);
}

// Numeric references, decoded from the last "&#" towards the first, each seeing the text as the
// decodings after it left it. The text is kept as an untouched prefix plus a decoded suffix held
// reversed, so every byte moves once.
std::string DecodeNumericReferences(std::string_view text)
{
    if (text.find("&#") == std::string_view::npos)
        return std::string(text);
    std::string reversedSuffix;
    reversedSuffix.reserve(text.size());
    size_t prefixEnd = text.size();
    // The byte at index k of the suffix (k counted from its start), or 0 past its end.
    auto suffixAt = [&](size_t k) -> char {
        return k < reversedSuffix.size() ? reversedSuffix[reversedSuffix.size() - 1 - k] : '\0';
    };
    size_t decoded = 0;
    for (;;) {
        // The next "&#" starts before the current point; it may end with the "#" that opens the suffix.
        size_t at;
        if (prefixEnd > 0 && text[prefixEnd - 1] == '&' && suffixAt(0) == '#') {
            at = prefixEnd - 1;
        } else if (prefixEnd >= 2) {
            at = text.rfind("&#", prefixEnd - 2);
            if (at == std::string_view::npos)
                break;
        } else {
            break;
        }
        for (size_t k = prefixEnd; k > at; --k)
            reversedSuffix.push_back(text[k - 1]);
        prefixEnd = at;
        // The suffix now starts with "&#"; the body runs to the next ";".
        std::string body;
        size_t k = 2;
        for (; k < reversedSuffix.size() && suffixAt(k) != ';' && body.size() <= kMaxBodyLength; ++k)
            body.push_back(suffixAt(k));
        if (k >= reversedSuffix.size() || suffixAt(k) != ';')
            continue;
        const long value = ParseBody(body);
        if (value < 0)
            continue;
        reversedSuffix.resize(reversedSuffix.size() - (k + 1));
        const std::string character = CodePointText(value);
        reversedSuffix.append(character.rbegin(), character.rend());
        if (++decoded % 4096 == 0)
            platform::PumpEvents();
    }
    std::string out(text.substr(0, prefixEnd));
    out.append(reversedSuffix.rbegin(), reversedSuffix.rend());
    return out;
}

} // namespace

std::string DecodeCommonEntities(std::string_view text)
{
    std::string current(text);
    for (const auto& [reference, character] : kNamedReferences) {
        if (current.find('&') == std::string::npos)
            break;
        current = ReplaceText(current, reference, character, false);
    }
    return DecodeNumericReferences(current);
}

} // namespace kc::text
