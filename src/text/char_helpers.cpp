// Character counting and cutting over GBK / GB18030 bytes.
#include "text/char_helpers.h"

#include <vector>

namespace kc::text {
namespace {

unsigned char ByteAt(std::string_view text, size_t pos)
{
    return static_cast<unsigned char>(text[pos]);
}

bool IsLead(unsigned char b)
{
    return b >= 0x81 && b <= 0xFE;
}
bool IsFourByteSecond(unsigned char b)
{
    return b >= 0x30 && b <= 0x39;
}

// One counted unit of the text: its bytes and whether it counts as a character under lineBreaks.
struct Unit {
    size_t length;
    bool counted;
};

Unit UnitAt(std::string_view text, size_t pos, int lineBreaks)
{
    const unsigned char b = ByteAt(text, pos);
    if (b == '\r' || b == '\n') {
        if (lineBreaks == 0)
            return {1, false};
        if (lineBreaks == 1 && b == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n')
            return {2, true};
        return {1, true};
    }
    return {CharLength(text, pos), true};
}

// Byte offset just past the k-th counted character (the whole text when it has fewer).
size_t OffsetAfterChars(std::string_view text, int k, int lineBreaks)
{
    size_t pos = 0;
    int seen = 0;
    while (pos < text.size() && seen < k) {
        const Unit unit = UnitAt(text, pos, lineBreaks);
        pos += unit.length;
        if (unit.counted)
            ++seen;
    }
    return pos;
}

} // namespace

size_t CharLength(std::string_view text, size_t pos)
{
    if (pos >= text.size())
        return 0;
    const unsigned char b = ByteAt(text, pos);
    if (!IsLead(b) || pos + 1 >= text.size())
        return 1;
    const unsigned char second = ByteAt(text, pos + 1);
    if (IsFourByteSecond(second)) {
        if (pos + 3 < text.size() && IsLead(ByteAt(text, pos + 2)) && IsFourByteSecond(ByteAt(text, pos + 3)))
            return 4;
        return 1;
    }
    // A lead byte before a byte that cannot trail (a control character, "<", ...) stands alone, so a
    // damaged character never swallows the markup after it.
    return second >= 0x40 && second != 0x7F && second != 0xFF ? 2 : 1;
}

int CharCount(std::string_view text, int lineBreaks)
{
    int count = 0;
    for (size_t pos = 0; pos < text.size();) {
        const Unit unit = UnitAt(text, pos, lineBreaks);
        pos += unit.length;
        if (unit.counted)
            ++count;
    }
    return count;
}

std::string CharLeft(std::string_view text, int n, int lineBreaks)
{
    if (n < 0)
        n += CharCount(text, lineBreaks);
    if (n <= 0)
        return {};
    return std::string(text.substr(0, OffsetAfterChars(text, n, lineBreaks)));
}

std::string CharRight(std::string_view text, int n, int lineBreaks)
{
    const int total = CharCount(text, lineBreaks);
    if (n < 0)
        n += total;
    if (n <= 0)
        return {};
    if (n >= total)
        return std::string(text);
    // Walking backwards is ambiguous in GBK (a trail byte may look like a lead byte), so find the
    // boundaries from the front: skip total - n characters and any uncounted line breaks after them.
    size_t pos = OffsetAfterChars(text, total - n, lineBreaks);
    while (pos < text.size() && !UnitAt(text, pos, lineBreaks).counted)
        ++pos;
    return std::string(text.substr(pos));
}

} // namespace kc::text
