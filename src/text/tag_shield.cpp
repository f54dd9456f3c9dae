// Tags replaced by placeholders and put back after the text has been processed elsewhere.
#include "text/tag_shield.h"

#include "platform/event_pump.h"
#include "text/text_search.h"

#include <utility>

namespace kc::text {

std::string TagShield::Protect(std::string_view text, std::string_view placeholder, bool removeOnly)
{
    m_placeholder.assign(placeholder.empty() ? kTagShieldPlaceholder : placeholder);
    if (!removeOnly)
        m_savedTags.clear();
    const bool deleteTags = removeOnly && placeholder.empty();

    // Scanning from the end, a tag is the last "<" before the nearest ">" with no other ">" between
    // them; a ">" with a later ">" before any "<" has no tag of its own. "<" and ">" are below 40 hex
    // and never part of a GBK character, so a byte scan is safe.
    std::vector<std::pair<size_t, size_t>> tags; // [begin, end) from the last tag to the first
    size_t close = std::string_view::npos;
    for (size_t k = text.size(); k > 0; --k) {
        const char c = text[k - 1];
        if (c == '>') {
            close = k - 1;
        } else if (c == '<' && close != std::string_view::npos) {
            tags.emplace_back(k - 1, close + 1);
            close = std::string_view::npos;
            if (tags.size() % 4096 == 0)
                platform::PumpEvents();
        }
    }

    std::string out;
    out.reserve(text.size());
    size_t copied = 0;
    for (auto it = tags.rbegin(); it != tags.rend(); ++it) {
        out.append(text.substr(copied, it->first - copied));
        if (!deleteTags)
            out.append(m_placeholder);
        copied = it->second;
    }
    out.append(text.substr(copied));
    if (!removeOnly) {
        m_savedTags.reserve(tags.size());
        for (const auto& [begin, end] : tags)
            m_savedTags.emplace_back(text.substr(begin, end - begin));
    }
    return out;
}

std::string TagShield::Restore(std::string_view text) const
{
    if (m_placeholder.empty())
        return std::string(text);
    const detail::Needle needle(m_placeholder, true);
    detail::BoundaryTracker tracker(text);
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (auto tag = m_savedTags.rbegin(); tag != m_savedTags.rend(); ++tag) {
        const size_t found = needle.FindIn(text, pos, tracker);
        if (found == std::string_view::npos)
            break;
        out.append(text.substr(pos, found - pos));
        out.append(*tag);
        pos = found + m_placeholder.size();
    }
    out.append(text.substr(pos));
    return out;
}

} // namespace kc::text
