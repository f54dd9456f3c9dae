// Byte searches over internal text that only match on character boundaries (used inside the library).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kc::text::detail {

// Answers "does a character start at this offset?" for a run of mostly increasing offsets in O(length).
class BoundaryTracker {
public:
    explicit BoundaryTracker(std::string_view text)
        : m_text(text)
    {
    }
    bool IsBoundary(size_t offset);

private:
    std::string_view m_text;
    size_t m_known = 0; // an offset known to start a character
};

// A needle prepared for repeated searches; ASCII letters fold only where they are whole characters.
class Needle {
public:
    Needle(std::string_view needle, bool caseSensitive);
    size_t size() const { return m_needle.size(); }
    bool empty() const { return m_needle.empty(); }
    // First boundary-aligned occurrence at or after from, or npos.
    size_t FindIn(std::string_view text, size_t from, BoundaryTracker& tracker) const;
    // Last boundary-aligned occurrence starting before limit, or npos.
    size_t FindLastIn(std::string_view text, size_t limit, BoundaryTracker& tracker) const;

private:
    bool MatchesAt(std::string_view text, size_t pos) const;

    std::string m_needle;
    bool m_caseSensitive;
    std::vector<bool> m_fold; // per byte: compare ignoring ASCII case
};

// The pieces of text between separators (boundary-aware): none for empty text, no empty last piece
// after a separator at the very end.
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);

} // namespace kc::text::detail
