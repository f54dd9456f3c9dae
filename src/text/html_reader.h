// Finds elements of web pages and article bodies by tag name directly in the text, and reads or
// writes single attribute values, without building a document tree.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kc::text {

// Element boundaries:
// - A start tag is "<" and the tag name followed by white space, ">", "/" (so a search for "a" does
//   not take "<abbr", nor "b" "<br>"); it ends at the first ">" after its "<". A "<name" with no ">"
//   after it is no tag.
// - A start tag ending in "/>" is an element by itself.
// - Otherwise the element runs to the end tag "</name>" at which the start and end tags of that name
//   in between balance, so nested elements of the same name are skipped; self-closing ones do not
//   count. When no end tag closes it, the element is its start tag alone.
// - With ignoreCase (the default) tag names, and the attribute filter, match in either case of ASCII
//   letters; without it they match byte for byte. Element text is always cut from the original.
//
// Attribute filter (attrName non-empty): the start tag must carry, after white space, the name, "="
// and the value in double quotes, in single quotes, or unquoted followed by white space or ">". With
// an empty attrValue the start tag must carry the attribute with a non-empty value, as GetAttribute
// reads it.
//
// Returned element text has the white space around every "=" (up to ten ASCII or full-width spaces
// on each side) removed, unless raw is asked for.
//
// Every search is linear in the size of the text. Searches pump pending window events now and then.
// Each user owns its reader; none is shared between threads.
class HtmlReader {
public:
    // The first element named tagName (and passing the attribute filter) in html; with inner, its
    // content without start and end tag. The content of an element whose end tag is missing runs to
    // the end of html, so a page cut short keeps its body. Empty text when there is none. Leaves the
    // elements of the last FindElements alone. raw keeps the white space around "=" (article text).
    std::string FindElement(std::string_view html, std::string_view tagName, std::string_view attrName = {},
        std::string_view attrValue = {}, bool inner = false, bool ignoreCase = true, bool raw = false);

    // Collects the elements of each name of tagNames ("|"-separated) in turn, each name's in document
    // order (nested ones included), keeping a copy of html for ElementAt. Returns their number.
    int FindElements(std::string_view html, std::string_view tagNames, std::string_view attrName = {},
        std::string_view attrValue = {}, bool ignoreCase = true);

    // The HTML of element i (from 1) of the last FindElements; empty text when i is outside 1 to the
    // count.
    std::string ElementAt(int i, bool raw = false);

    int ElementCount() const { return static_cast<int>(m_elements.size()); }

    // The value of attribute name in element (its whole text is searched), trimmed; empty text when
    // absent. The name matches in either case; " name" (after a space) is looked for before a bare
    // "name", so src is not read out of data-src when the tag has both. Per spelling, the value in
    // double quotes is tried, then in single quotes, then unquoted up to the next space or ">".
    std::string GetAttribute(std::string_view element, std::string_view name) const;

    // Sets attribute name of element to value in the quoting it is written with; an attribute not
    // present is first added as name="" at the end of the start tag (before "/>" or ">"). Returns the
    // changed element, which is also left in element.
    std::string SetAttribute(std::string& element, std::string_view name, std::string_view value) const;

    // Forgets the kept text, the element positions and the last element.
    void Reset();

private:
    std::string Returned(std::string_view text, bool raw);

    std::string m_buffer;
    std::vector<std::pair<std::size_t, std::size_t>> m_elements; // [begin, end) in m_buffer
    std::string m_last;
};

} // namespace kc::text
