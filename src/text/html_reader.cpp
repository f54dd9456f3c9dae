// Element search in one forward pass over the tags of one name, and attribute reading and writing.
#include "text/html_reader.h"

#include "platform/event_pump.h"

#include <algorithm>
#include <cstring>

namespace kc::text {
namespace {

constexpr std::size_t kPumpStride = 64 * 1024; // bytes scanned between two event pumps

// Bytes of the character starting at pos (GB18030: one, two or four), never past the end.
std::size_t CharLength(std::string_view text, std::size_t pos)
{
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 1;
    if (lead >= 0x81 && lead <= 0xFE && pos + 1 < text.size()) {
        const auto second = static_cast<unsigned char>(text[pos + 1]);
        length = (second >= 0x30 && second <= 0x39) ? 4 : 2;
    }
    return std::min(length, text.size() - pos);
}

bool IsAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool IsFullWidthSpace(std::string_view text, std::size_t pos)
{
    return pos + 1 < text.size() && text[pos] == '\xA1' && text[pos + 1] == '\xA1';
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return LowerAscii(c); });
    return lower;
}

bool SameText(std::string_view text, std::size_t pos, std::string_view word, bool ignoreCase)
{
    if (pos > text.size() || text.size() - pos < word.size())
        return false;
    for (std::size_t k = 0; k < word.size(); ++k) {
        const char c = text[pos + k];
        if (ignoreCase ? LowerAscii(c) != LowerAscii(word[k]) : c != word[k])
            return false;
    }
    return true;
}

// First position, at a character start, where needle occurs in either case of ASCII letters. Walking
// by characters keeps a GBK trail byte (40 to FE hex) from starting a match of an ASCII name.
std::size_t FindNoCase(std::string_view text, std::string_view needle)
{
    if (needle.empty())
        return 0;
    const char first = LowerAscii(needle[0]);
    for (std::size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) {
        if (LowerAscii(text[pos]) == first && SameText(text, pos, needle, true))
            return pos;
    }
    return std::string_view::npos;
}

struct TagEvent {
    enum Kind { kStart, kSelfClosing, kEnd };
    Kind kind = kStart;
    std::size_t lt = 0; // the "<"
    std::size_t gt = 0; // the ">" that ends the tag
};

// Walks the start and end tags of one name in document order. Each byte is looked at a bounded number
// of times: "<" positions come from memchr, and the ">" that ends a start tag is found once for all
// start tags that share it.
class TagScanner {
public:
    TagScanner(std::string_view text, std::string_view name, bool ignoreCase)
        : m_text(text)
        , m_name(ignoreCase ? LowerAscii(name) : std::string(name))
        , m_ignoreCase(ignoreCase)
    {
    }

    bool Next(TagEvent& event)
    {
        const std::size_t size = m_text.size();
        while (m_pos < size) {
            const void* found = std::memchr(m_text.data() + m_pos, '<', size - m_pos);
            if (!found) {
                m_pos = size;
                return false;
            }
            const std::size_t lt = static_cast<std::size_t>(static_cast<const char*>(found) - m_text.data());
            m_pos = lt + 1;
            if (lt - m_lastPump >= kPumpStride) {
                kc::platform::PumpEvents();
                m_lastPump = lt;
            }
            if (lt + 1 < size && m_text[lt + 1] == '/') {
                const std::size_t gt = lt + 2 + m_name.size();
                if (NameAt(lt + 2) && gt < size && m_text[gt] == '>') {
                    event = {TagEvent::kEnd, lt, gt};
                    return true;
                }
                continue;
            }
            const std::size_t after = lt + 1 + m_name.size();
            if (!NameAt(lt + 1) || after >= size)
                continue;
            const char delimiter = m_text[after];
            if (!IsAsciiSpace(delimiter) && delimiter != '>' && delimiter != '/')
                continue;
            const std::size_t gt = NextGreater(after);
            if (gt == std::string_view::npos)
                continue;
            const bool selfClosing = m_text[gt - 1] == '/' && gt - 1 >= after;
            event = {selfClosing ? TagEvent::kSelfClosing : TagEvent::kStart, lt, gt};
            return true;
        }
        return false;
    }

private:
    bool NameAt(std::size_t pos) const { return !m_name.empty() && SameText(m_text, pos, m_name, m_ignoreCase); }

    // The first ">" at or after from. Calls come with growing from, so a ">" found earlier still
    // answers while it lies at or after from, and "none" stays "none".
    std::size_t NextGreater(std::size_t from)
    {
        if (!m_haveGreater || m_greaterFrom > from || (m_greater != std::string_view::npos && m_greater < from)) {
            m_greater = m_text.find('>', from);
            m_greaterFrom = from;
            m_haveGreater = true;
        }
        return m_greater;
    }

    std::string_view m_text;
    std::string m_name;
    bool m_ignoreCase;
    std::size_t m_pos = 0;
    std::size_t m_lastPump = 0;
    bool m_haveGreater = false;
    std::size_t m_greater = 0;
    std::size_t m_greaterFrom = 0;
};

// Where an attribute's value lies in an element's text.
struct AttributeSpot {
    bool found = false;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The value of attribute name as GetAttribute reads it. The result's spot is that of the value read,
// or, when every spelling gave an empty value, of the first empty one met (so SetAttribute fills an
// attribute written as name="" instead of adding a second one).
AttributeSpot LocateAttribute(std::string_view element, std::string_view name, bool& nonEmpty)
{
    nonEmpty = false;
    AttributeSpot fallback;
    if (name.empty())
        return fallback;
    for (const bool spaceBefore : {true, false}) {
        for (const char quote : {'"', '\'', '\0'}) {
            std::string needle = spaceBefore ? " " : "";
            needle.append(name).append("=");
            if (quote)
                needle += quote;
            const std::size_t at = FindNoCase(element, needle);
            if (at == std::string_view::npos)
                continue;
            const std::size_t begin = at + needle.size();
            std::size_t end = std::string_view::npos;
            if (quote) {
                end = element.find(quote, begin);
            } else {
                const std::size_t space = element.find(' ', begin);
                const std::size_t greater = element.find('>', begin);
                const bool greaterShorter = greater != std::string_view::npos && greater > begin
                    && (space == std::string_view::npos || greater < space);
                end = greaterShorter ? greater : (space != std::string_view::npos ? space : greater);
            }
            if (end == std::string_view::npos)
                continue;
            AttributeSpot spot{true, begin, end};
            const std::string_view value = element.substr(begin, end - begin);
            if (value == "\"\"" || value == "''") {
                spot = {true, begin + 1, begin + 1}; // written quoted after all: fill between the quotes
            } else if (!value.empty()) {
                nonEmpty = true;
                return spot;
            }
            if (!fallback.found)
                fallback = spot;
        }
    }
    return fallback;
}

std::string TrimSpaces(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsAsciiSpace(text[begin]))
        ++begin;
    while (end > begin && IsAsciiSpace(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string AttributeValue(std::string_view element, std::string_view name)
{
    bool nonEmpty = false;
    const AttributeSpot spot = LocateAttribute(element, name, nonEmpty);
    return nonEmpty ? TrimSpaces(element.substr(spot.begin, spot.end - spot.begin)) : std::string();
}

// Whether the start tag text (from "<" to ">") passes the attribute filter.
bool PassesFilter(std::string_view tag, std::string_view attrName, std::string_view attrValue, bool ignoreCase)
{
    if (attrName.empty())
        return true;
    if (attrValue.empty())
        return !AttributeValue(tag, attrName).empty();
    // White space bytes are never part of a multi-byte character, so a byte walk finds real ones.
    for (std::size_t pos = 0; pos + 1 < tag.size(); ++pos) {
        if (!IsAsciiSpace(tag[pos]) || !SameText(tag, pos + 1, attrName, ignoreCase))
            continue;
        const std::size_t equals = pos + 1 + attrName.size();
        if (equals >= tag.size() || tag[equals] != '=')
            continue;
        const std::size_t value = equals + 1;
        if (value >= tag.size())
            continue;
        const char quote = tag[value];
        if ((quote == '"' || quote == '\'') && SameText(tag, value + 1, attrValue, ignoreCase)
            && value + 1 + attrValue.size() < tag.size() && tag[value + 1 + attrValue.size()] == quote)
            return true;
        const std::size_t after = value + attrValue.size();
        if (SameText(tag, value, attrValue, ignoreCase) && after < tag.size()
            && (IsAsciiSpace(tag[after]) || tag[after] == '>'))
            return true;
    }
    return false;
}

// The text with the white space around every "=" removed: up to ten ASCII or full-width spaces on
// each side, the ones nearest the "=" when a run is longer.
std::string NormaliseEquals(std::string_view text)
{
    if (text.find('=') == std::string_view::npos)
        return std::string(text);
    constexpr std::size_t kMaxSpaces = 10;
    std::string out;
    out.reserve(text.size());
    std::size_t ring[kMaxSpaces]; // out positions of the last spaces written, oldest at ringHead
    std::size_t ringHead = 0;
    std::size_t ringCount = 0;
    const auto spaceAt = [&](std::size_t pos) -> std::size_t {
        if (IsAsciiSpace(text[pos]))
            return 1;
        return IsFullWidthSpace(text, pos) ? 2 : 0;
    };
    for (std::size_t pos = 0; pos < text.size();) {
        if (text[pos] == '=') {
            if (ringCount > 0)
                out.resize(ring[ringHead]);
            out += '=';
            ++pos;
            for (std::size_t skipped = 0; skipped < kMaxSpaces && pos < text.size(); ++skipped) {
                const std::size_t length = spaceAt(pos);
                if (length == 0)
                    break;
                pos += length;
            }
            ringHead = ringCount = 0;
            continue;
        }
        const std::size_t space = spaceAt(pos);
        const std::size_t length = space ? space : CharLength(text, pos);
        if (space) {
            if (ringCount < kMaxSpaces) {
                ring[(ringHead + ringCount) % kMaxSpaces] = out.size();
                ++ringCount;
            } else {
                ring[ringHead] = out.size();
                ringHead = (ringHead + 1) % kMaxSpaces;
            }
        } else {
            ringHead = ringCount = 0;
        }
        out.append(text.substr(pos, length));
        pos += length;
    }
    return out;
}

} // namespace

std::string HtmlReader::Returned(std::string_view text, bool raw)
{
    m_last = raw ? std::string(text) : NormaliseEquals(text);
    return m_last;
}

std::string HtmlReader::FindElement(std::string_view html, std::string_view tagName, std::string_view attrName,
    std::string_view attrValue, bool inner, bool ignoreCase, bool raw)
{
    TagScanner scanner(html, tagName, ignoreCase);
    TagEvent event;
    TagEvent start;
    std::size_t depth = 0; // open elements of the name inside the one found, itself included
    while (scanner.Next(event)) {
        if (depth == 0) {
            if (event.kind == TagEvent::kEnd
                || !PassesFilter(html.substr(event.lt, event.gt + 1 - event.lt), attrName, attrValue, ignoreCase))
                continue;
            if (event.kind == TagEvent::kSelfClosing)
                return Returned(inner ? std::string_view() : html.substr(event.lt, event.gt + 1 - event.lt), raw);
            start = event;
            depth = 1;
        } else if (event.kind == TagEvent::kStart) {
            ++depth;
        } else if (event.kind == TagEvent::kEnd && --depth == 0) {
            return Returned(inner ? html.substr(start.gt + 1, event.lt - start.gt - 1)
                                  : html.substr(start.lt, event.gt + 1 - start.lt),
                raw);
        }
    }
    if (depth == 0)
        return Returned({}, raw);
    // Unclosed: the element is its start tag; its content is everything after it.
    return Returned(inner ? html.substr(start.gt + 1) : html.substr(start.lt, start.gt + 1 - start.lt), raw);
}

int HtmlReader::FindElements(std::string_view html, std::string_view tagNames, std::string_view attrName,
    std::string_view attrValue, bool ignoreCase)
{
    m_buffer.assign(html);
    m_elements.clear();
    const std::string_view text = m_buffer;

    struct Candidate {
        std::size_t begin;
        std::size_t end; // past the end tag's ">", or past the start tag's ">" while unclosed
        bool wanted;
    };
    std::vector<Candidate> candidates;
    std::vector<std::size_t> open; // candidates still waiting for their end tag, innermost last

    std::size_t from = 0;
    while (from <= tagNames.size()) {
        std::size_t bar = tagNames.find('|', from);
        if (bar == std::string_view::npos)
            bar = tagNames.size();
        const std::string_view name = tagNames.substr(from, bar - from);
        from = bar + 1;
        if (name.empty())
            continue;

        candidates.clear();
        open.clear();
        TagScanner scanner(text, name, ignoreCase);
        TagEvent event;
        while (scanner.Next(event)) {
            if (event.kind == TagEvent::kEnd) {
                // Matching with a stack closes each start tag at the first end tag where the tags of
                // the name in between balance, in one pass.
                if (!open.empty()) {
                    candidates[open.back()].end = event.gt + 1;
                    open.pop_back();
                }
                continue;
            }
            const bool wanted
                = PassesFilter(text.substr(event.lt, event.gt + 1 - event.lt), attrName, attrValue, ignoreCase);
            candidates.push_back({event.lt, event.gt + 1, wanted});
            if (event.kind == TagEvent::kStart)
                open.push_back(candidates.size() - 1);
        }
        for (const Candidate& candidate : candidates) {
            if (candidate.wanted)
                m_elements.emplace_back(candidate.begin, candidate.end);
        }
    }
    return ElementCount();
}

std::string HtmlReader::ElementAt(int i, bool raw)
{
    if (i < 1 || i > ElementCount())
        return Returned({}, true);
    const auto& [begin, end] = m_elements[static_cast<std::size_t>(i - 1)];
    return Returned(std::string_view(m_buffer).substr(begin, end - begin), raw);
}

std::string HtmlReader::GetAttribute(std::string_view element, std::string_view name) const
{
    return AttributeValue(element, name);
}

std::string HtmlReader::SetAttribute(std::string& element, std::string_view name, std::string_view value) const
{
    if (name.empty())
        return element;
    bool nonEmpty = false;
    AttributeSpot spot = LocateAttribute(element, name, nonEmpty);
    if (!spot.found) {
        const std::size_t greater = element.find('>');
        std::size_t at = greater == std::string::npos ? element.size() : greater;
        if (greater != std::string::npos && greater > 0 && element[greater - 1] == '/')
            at = greater - 1;
        std::string added = " ";
        added.append(name).append("=\"\"");
        element.insert(at, added);
        spot = {true, at + added.size() - 1, at + added.size() - 1};
    }
    element.replace(spot.begin, spot.end - spot.begin, value);
    return element;
}

void HtmlReader::Reset()
{
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_elements.clear();
    m_last.clear();
}

} // namespace kc::text
