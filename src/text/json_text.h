// The scanner that turns the JSON answers of the outside services into a tree of named nodes.
//
// The reader only reads, and it never decodes escape sequences: a string value comes back with its
// escapes exactly as the answer wrote them (a line break inside a string is backslash and n, a
// \uXXXX escape those six characters). Callers that need decoded text decode it themselves.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kc::text {

// One node of a scanned JSON text. The root is named "JSON"; object members are named by their keys
// (unquoted, trimmed like string values), array elements "[1]", "[2]", … counted from 1.
struct JsonNode {
    enum Kind : std::uint8_t { kValue, kObject, kArray };

    std::string name;
    // A value's text: a string without its quotes and without white space (ASCII or full-width) at
    // its ends, escapes as written; numbers, true, false and null as written. Empty for containers.
    std::string text;
    // Byte span [begin, end) of the node's value in the scanned text (containers use it to give
    // back their JSON as written).
    std::size_t begin = 0;
    std::size_t end = 0;
    Kind kind = kValue;
    std::vector<std::uint32_t> children; // indexes into the node list, in document order
};

// Scans JSON text. Holds no state; one object may be used for any number of texts.
class JsonText {
public:
    // Scans json into nodes (nodes[0] is the root). Returns false, with nodes empty, when the text is
    // not one complete JSON value. Nesting depth is limited only by memory: the scan keeps its own
    // stack, so a deeply nested answer cannot overflow the call stack.
    bool Scan(std::string_view json, std::vector<JsonNode>& nodes) const;

    // The text of the value stored under key at the top level of json; a nested object or array
    // comes back as its JSON as written. Empty text when there is no such key or json is not JSON.
    std::string GetValue(std::string_view json, std::string_view key) const;
};

} // namespace kc::text
