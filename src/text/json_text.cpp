// A hand-written JSON scanner over internal text that keeps string escapes as written.
#include "text/json_text.h"

#include <algorithm>
#include <string>

namespace kc::text {
namespace {

// Bytes of the character starting at pos, so that a trail byte that looks like a backslash (GBK
// trail bytes run from 40 to FE hex) or a digit of a four-byte sequence is never taken on its own.
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

bool IsFullWidthSpace(std::string_view text, std::size_t pos)
{
    return pos + 1 < text.size() && text[pos] == '\xA1' && text[pos + 1] == '\xA1';
}

bool IsAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// White space between tokens: ASCII white space and the full-width space, which answers typed by
// hand sometimes carry.
std::size_t SkipSpace(std::string_view text, std::size_t pos)
{
    while (pos < text.size()) {
        if (IsAsciiSpace(text[pos]))
            ++pos;
        else if (IsFullWidthSpace(text, pos))
            pos += 2;
        else
            break;
    }
    return pos;
}

// The text without ASCII or full-width white space at its ends, never cutting a character.
std::string TrimSpace(std::string_view text)
{
    std::size_t begin = SkipSpace(text, 0);
    std::size_t end = begin;
    for (std::size_t pos = begin; pos < text.size();) {
        const std::size_t length = CharLength(text, pos);
        const bool space = IsAsciiSpace(text[pos]) || IsFullWidthSpace(text, pos);
        pos += length;
        if (!space)
            end = pos;
    }
    return std::string(text.substr(begin, end - begin));
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// JSON's number grammar, or one of the three literals.
bool IsScalarToken(std::string_view token)
{
    if (token == "true" || token == "false" || token == "null")
        return true;
    std::size_t pos = 0;
    const auto digits = [&] {
        const std::size_t from = pos;
        while (pos < token.size() && IsDigit(token[pos]))
            ++pos;
        return pos > from;
    };
    if (pos < token.size() && token[pos] == '-')
        ++pos;
    if (pos < token.size() && token[pos] == '0')
        ++pos;
    else if (!digits())
        return false;
    if (pos < token.size() && token[pos] == '.') {
        ++pos;
        if (!digits())
            return false;
    }
    if (pos < token.size() && (token[pos] == 'e' || token[pos] == 'E')) {
        ++pos;
        if (pos < token.size() && (token[pos] == '+' || token[pos] == '-'))
            ++pos;
        if (!digits())
            return false;
    }
    return pos == token.size();
}

bool EndsToken(std::string_view text, std::size_t pos)
{
    const char c = text[pos];
    return c == ',' || c == '}' || c == ']' || c == ':' || c == '"' || IsAsciiSpace(c) || IsFullWidthSpace(text, pos);
}

// Reads the string whose opening quote is at pos. On success, content receives the bytes between the
// quotes as written and pos moves past the closing quote.
bool ReadString(std::string_view text, std::size_t& pos, std::string_view& content)
{
    std::size_t at = pos + 1;
    while (at < text.size()) {
        const char c = text[at];
        if (c == '"') {
            content = text.substr(pos + 1, at - pos - 1);
            pos = at + 1;
            return true;
        }
        if (c == '\\') {
            ++at;
            if (at >= text.size())
                return false;
        }
        at += CharLength(text, at);
    }
    return false;
}

std::size_t SkipByteOrderMark(std::string_view text)
{
    // U+FEFF as internal text (GB18030), or left over as UTF-8 bytes.
    for (const std::string_view mark : {std::string_view("\x84\x31\x95\x33"), std::string_view("\xEF\xBB\xBF")}) {
        if (text.substr(0, mark.size()) == mark)
            return mark.size();
    }
    return 0;
}

} // namespace

bool JsonText::Scan(std::string_view json, std::vector<JsonNode>& nodes) const
{
    nodes.clear();
    nodes.emplace_back();
    nodes[0].name = "JSON";

    std::vector<std::uint32_t> open; // containers not yet closed, innermost last
    std::size_t pos = SkipByteOrderMark(json);
    std::uint32_t target = 0; // the node that receives the next value
    const auto fail = [&nodes] {
        nodes.clear();
        return false;
    };

    for (;;) {
        // A value for nodes[target].
        pos = SkipSpace(json, pos);
        if (pos >= json.size())
            return fail();
        const char c = json[pos];
        bool needChild = false;
        if (c == '{' || c == '[') {
            nodes[target].kind = c == '{' ? JsonNode::kObject : JsonNode::kArray;
            nodes[target].begin = pos;
            open.push_back(target);
            pos = SkipSpace(json, pos + 1);
            if (pos < json.size() && json[pos] == (c == '{' ? '}' : ']')) {
                nodes[target].end = ++pos;
                open.pop_back();
            } else {
                needChild = true;
            }
        } else if (c == '"') {
            std::string_view content;
            const std::size_t begin = pos;
            if (!ReadString(json, pos, content))
                return fail();
            nodes[target].text = TrimSpace(content);
            nodes[target].begin = begin;
            nodes[target].end = pos;
        } else {
            const std::size_t begin = pos;
            while (pos < json.size() && !EndsToken(json, pos))
                pos += CharLength(json, pos);
            const std::string_view token = json.substr(begin, pos - begin);
            if (!IsScalarToken(token))
                return fail();
            nodes[target].text = std::string(token);
            nodes[target].begin = begin;
            nodes[target].end = pos;
        }

        // After a complete value: close containers or move to the next member.
        while (!needChild) {
            if (open.empty()) {
                if (SkipSpace(json, pos) != json.size())
                    return fail();
                return true;
            }
            const std::uint32_t parent = open.back();
            pos = SkipSpace(json, pos);
            if (pos >= json.size())
                return fail();
            const char closer = nodes[parent].kind == JsonNode::kObject ? '}' : ']';
            if (json[pos] == ',') {
                ++pos;
                needChild = true;
            } else if (json[pos] == closer) {
                nodes[parent].end = ++pos;
                open.pop_back();
            } else {
                return fail();
            }
        }

        // A new member or element of the innermost open container.
        const std::uint32_t parent = open.back();
        JsonNode child;
        if (nodes[parent].kind == JsonNode::kObject) {
            pos = SkipSpace(json, pos);
            std::string_view key;
            if (pos >= json.size() || json[pos] != '"' || !ReadString(json, pos, key))
                return fail();
            pos = SkipSpace(json, pos);
            if (pos >= json.size() || json[pos] != ':')
                return fail();
            ++pos;
            child.name = TrimSpace(key);
        } else {
            child.name = "[" + std::to_string(nodes[parent].children.size() + 1) + "]";
        }
        target = static_cast<std::uint32_t>(nodes.size());
        nodes.push_back(std::move(child));
        nodes[parent].children.push_back(target);
    }
}

std::string JsonText::GetValue(std::string_view json, std::string_view key) const
{
    std::vector<JsonNode> nodes;
    if (!Scan(json, nodes))
        return {};
    for (const std::uint32_t child : nodes[0].children) {
        const JsonNode& node = nodes[child];
        if (node.name == key)
            return node.kind == JsonNode::kValue ? node.text
                                                 : std::string(json.substr(node.begin, node.end - node.begin));
    }
    return {};
}

} // namespace kc::text
