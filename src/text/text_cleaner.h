// The cleaning steps that turn an article's HTML body into plain description text.
#pragma once

#include <string>
#include <string_view>

namespace kc::text {

// Without state; a description is StripTags, then RemoveUrls, then RemoveAllWhitespace of the body.
class TextCleaner {
public:
    // Line breaks before paragraph and break tags, tags removed, character references decoded.
    std::string StripTags(std::string_view text) const;
    // Deletes web addresses ("scheme://..." or "www....", up to a CJK character, white space, ', <, > or ").
    std::string RemoveUrls(std::string_view text) const;
    // Deletes ASCII white space and the full-width space.
    std::string RemoveAllWhitespace(std::string_view text) const;
};

} // namespace kc::text
