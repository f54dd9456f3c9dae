// Boundary-aware byte searches: a GBK trail byte may equal an ASCII byte, so a match must start where a
// character starts, or replacing "@" or "|" would cut characters in half.
#include "text/text_search.h"

#include "text/char_helpers.h"

#include <algorithm>

namespace kc::text::detail {
namespace {

unsigned char Lower(unsigned char b)
{
    return b >= 'A' && b <= 'Z' ? static_cast<unsigned char>(b + 32) : b;
}

} // namespace

bool BoundaryTracker::IsBoundary(size_t offset)
{
    // A byte below 30 hex is never part of a longer character, so a character starts after it.
    if (offset < m_known) {
        size_t anchor = offset;
        while (anchor > 0 && static_cast<unsigned char>(m_text[anchor - 1]) >= 0x30)
            --anchor;
        m_known = anchor;
    } else {
        // Markup has such bytes everywhere: walking from the nearest one spares counting every character
        // between the last known start and a candidate far into a page.
        for (size_t at = offset; at > m_known; --at) {
            if (static_cast<unsigned char>(m_text[at - 1]) < 0x30) {
                m_known = at;
                break;
            }
        }
    }
    while (m_known < offset)
        m_known += CharLength(m_text, m_known);
    return m_known == offset;
}

Needle::Needle(std::string_view needle, bool caseSensitive)
    : m_needle(needle)
    , m_caseSensitive(caseSensitive)
    , m_fold(needle.size(), false)
{
    if (caseSensitive)
        return;
    for (size_t pos = 0; pos < needle.size();) {
        const size_t length = CharLength(needle, pos);
        if (length == 1) {
            m_needle[pos] = static_cast<char>(Lower(static_cast<unsigned char>(needle[pos])));
            m_fold[pos] = true;
        }
        pos += length;
    }
}

bool Needle::MatchesAt(std::string_view text, size_t pos) const
{
    if (pos + m_needle.size() > text.size())
        return false;
    for (size_t k = 0; k < m_needle.size(); ++k) {
        const unsigned char b = static_cast<unsigned char>(text[pos + k]);
        const unsigned char want = static_cast<unsigned char>(m_needle[k]);
        if ((m_fold[k] ? Lower(b) : b) != want)
            return false;
    }
    return true;
}

size_t Needle::FindIn(std::string_view text, size_t from, BoundaryTracker& tracker) const
{
    if (m_needle.empty() || m_needle.size() > text.size())
        return std::string_view::npos;
    const size_t last = text.size() - m_needle.size();
    const unsigned char first = static_cast<unsigned char>(m_needle[0]);
    const bool foldFirst = m_fold[0] && first >= 'a' && first <= 'z';
    for (size_t pos = from; pos <= last;) {
        size_t candidate;
        if (m_caseSensitive) {
            candidate = text.find(m_needle, pos);
        } else if (!foldFirst) {
            candidate = text.find(static_cast<char>(first), pos);
            while (candidate != std::string_view::npos && candidate <= last && !MatchesAt(text, candidate))
                candidate = text.find(static_cast<char>(first), candidate + 1);
        } else {
            // Either case of the first letter: the nearer of two byte searches, each as fast as memchr.
            const char lower = static_cast<char>(first);
            const char upper = static_cast<char>(first - 0x20);
            size_t nextLower = text.find(lower, pos);
            size_t nextUpper = text.find(upper, pos);
            candidate = std::string_view::npos;
            for (;;) {
                const size_t at = std::min(nextLower, nextUpper);
                if (at == std::string_view::npos || at > last)
                    break;
                if (MatchesAt(text, at)) {
                    candidate = at;
                    break;
                }
                if (at == nextLower)
                    nextLower = text.find(lower, at + 1);
                else
                    nextUpper = text.find(upper, at + 1);
            }
        }
        if (candidate == std::string_view::npos || candidate > last)
            return std::string_view::npos;
        if (tracker.IsBoundary(candidate))
            return candidate;
        pos = candidate + 1;
    }
    return std::string_view::npos;
}

size_t Needle::FindLastIn(std::string_view text, size_t limit, BoundaryTracker& tracker) const
{
    if (m_needle.empty() || m_needle.size() > text.size() || limit == 0)
        return std::string_view::npos;
    size_t pos = std::min(limit - 1, text.size() - m_needle.size());
    for (;;) {
        if (MatchesAt(text, pos) && tracker.IsBoundary(pos))
            return pos;
        if (pos == 0)
            return std::string_view::npos;
        --pos;
    }
}

std::vector<std::string> SplitText(std::string_view text, std::string_view separator)
{
    std::vector<std::string> pieces;
    if (text.empty())
        return pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    const Needle needle(separator, true);
    BoundaryTracker tracker(text);
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t found = needle.FindIn(text, pos, tracker);
        if (found == std::string_view::npos) {
            pieces.emplace_back(text.substr(pos));
            return pieces;
        }
        pieces.emplace_back(text.substr(pos, found - pos));
        pos = found + separator.size();
    }
    return pieces;
}

} // namespace kc::text::detail
