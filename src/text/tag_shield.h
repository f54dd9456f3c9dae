// Takes the HTML tags out of a text while it passes through an outside service, and puts them back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kc::text {

// Ten FF bytes: never part of GBK text, so it cannot be confused with the text around it.
inline constexpr std::string_view kTagShieldPlaceholder = "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF";

// Belongs to one caller at a time.
class TagShield {
public:
    // Replaces each tag ("<" to the next ">") by placeholder (the default one when empty) and saves the
    // tags for Restore. With removeOnly the saved tags are kept as they are and the new ones are not
    // saved; with removeOnly and the default placeholder the tags are simply deleted.
    std::string Protect(std::string_view text, std::string_view placeholder = {}, bool removeOnly = false);

    // Puts the saved tags back, in text order, one per placeholder of the last Protect. Placeholders
    // beyond the saved tags stay; tags beyond the placeholders are dropped.
    std::string Restore(std::string_view text) const;

    // The tags saved by the last Protect, last tag of the text first.
    const std::vector<std::string>& SavedTags() const { return m_savedTags; }

private:
    std::string m_placeholder;
    std::vector<std::string> m_savedTags;
};

} // namespace kc::text
