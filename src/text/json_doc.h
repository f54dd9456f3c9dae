// The parsed tree of one JSON answer, read by dotted paths such as "items.[2].item".
#pragma once

#include "text/json_text.h"

#include <string>
#include <string_view>
#include <vector>

namespace kc::text {

// Path syntax: segments separated by "."; an array element is the segment "[n]" with n counted from
// 1; a key that itself contains a dot is written in double quotes ("a.\"b.c\".d"); an empty path
// means the root. An element written without its dot (items[1], a[1][2]) is read as items.[1],
// a.[1].[2]. Names are compared exactly; the first member of a name wins when a key repeats.
//
// A text that is not JSON, or is empty, leaves an empty tree: Count gives 0 and GetText empty text for
// every path. Nothing is shared; each caller owns its document.
class JsonDoc {
public:
    // Builds the tree of text, discarding the previous one. Returns false (and keeps an empty tree)
    // when text is not one complete JSON value.
    bool Parse(std::string_view text);

    // The number of children (array elements or object members) of the node at path; 0 for a value
    // and when the path leads nowhere.
    int Count(std::string_view path) const;

    // The text of the value at path, in the forms JsonNode::text describes; an object or array gives
    // its JSON as written. Empty text when the path leads nowhere.
    std::string GetText(std::string_view path) const;

private:
    const JsonNode* Find(std::string_view path) const;

    std::string m_text;
    std::vector<JsonNode> m_nodes;
};

} // namespace kc::text
