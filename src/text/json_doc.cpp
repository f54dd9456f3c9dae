// Path look-up over the tree that JsonText scans.
#include "text/json_doc.h"

namespace kc::text {
namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Length of an element segment "[digits]" starting at pos, or 0 when none starts there.
std::size_t ElementSegmentLength(std::string_view path, std::size_t pos)
{
    if (path[pos] != '[')
        return 0;
    std::size_t at = pos + 1;
    while (at < path.size() && IsDigit(path[at]))
        ++at;
    return (at > pos + 1 && at < path.size() && path[at] == ']') ? at + 1 - pos : 0;
}

// Splits a path into its segments: at dots outside double quotes, an element written without its dot
// starting a segment of its own, a quoted segment losing its quotes. A dot at the very end adds no
// empty segment.
std::vector<std::string> SplitPath(std::string_view path)
{
    std::vector<std::string> segments;
    if (path.empty())
        return segments;
    std::string current;
    bool quoted = false;
    for (std::size_t pos = 0; pos < path.size();) {
        const char c = path[pos];
        if (c == '"') {
            quoted = !quoted;
            ++pos;
            continue;
        }
        if (!quoted && c == '.') {
            segments.push_back(std::move(current));
            current.clear();
            ++pos;
            continue;
        }
        if (!quoted && pos > 0 && path[pos - 1] != '.') {
            if (const std::size_t length = ElementSegmentLength(path, pos)) {
                segments.push_back(std::move(current));
                current.assign(path.substr(pos, length));
                pos += length;
                continue;
            }
        }
        current += c;
        ++pos;
    }
    if (!current.empty() || path.back() != '.')
        segments.push_back(std::move(current));
    return segments;
}

// n of a segment "[n]" written as the scanner names elements (no sign, no leading zero), else 0.
std::size_t ElementNumber(const std::string& segment)
{
    if (segment.size() < 3 || segment.size() > 12 || segment.front() != '[' || segment.back() != ']'
        || segment[1] == '0')
        return 0;
    std::size_t number = 0;
    for (std::size_t pos = 1; pos + 1 < segment.size(); ++pos) {
        if (!IsDigit(segment[pos]))
            return 0;
        number = number * 10 + static_cast<std::size_t>(segment[pos] - '0');
    }
    return number;
}

} // namespace

bool JsonDoc::Parse(std::string_view text)
{
    m_nodes.clear();
    m_text.clear();
    if (!JsonText().Scan(text, m_nodes))
        return false;
    m_text.assign(text);
    return true;
}

const JsonNode* JsonDoc::Find(std::string_view path) const
{
    if (m_nodes.empty())
        return nullptr;
    const JsonNode* node = &m_nodes[0];
    for (const std::string& segment : SplitPath(path)) {
        const JsonNode* next = nullptr;
        const std::size_t number = node->kind == JsonNode::kArray ? ElementNumber(segment) : 0;
        if (number > 0) {
            // Elements are named by position, so the look-up by name is a direct index.
            if (number <= node->children.size())
                next = &m_nodes[node->children[number - 1]];
        } else {
            for (const std::uint32_t child : node->children) {
                if (m_nodes[child].name == segment) {
                    next = &m_nodes[child];
                    break;
                }
            }
        }
        if (!next)
            return nullptr;
        node = next;
    }
    return node;
}

int JsonDoc::Count(std::string_view path) const
{
    const JsonNode* node = Find(path);
    return node ? static_cast<int>(node->children.size()) : 0;
}

std::string JsonDoc::GetText(std::string_view path) const
{
    const JsonNode* node = Find(path);
    if (!node)
        return {};
    if (node->kind == JsonNode::kValue)
        return node->text;
    return m_text.substr(node->begin, node->end - node->begin);
}

} // namespace kc::text
