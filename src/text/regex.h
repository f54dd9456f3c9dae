// The one wrapper through which every pattern match and pattern replacement of the system runs.
//
// Patterns, subjects, replacements and results are internal text. Matching runs on characters:
// the text is handed to PCRE2 as UTF-8, so a class such as [\u4e00-\u9fa5] or a literal full-width
// character in a pattern means Unicode characters. The dialect is that of ECMAScript 3: \s \w \d
// stay ASCII, "." stops at CR and LF, ^ and $ see CR, LF and CR LF as line ends in multi-line mode.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kc::text {

class Regex {
public:
    Regex() = default;
    ~Regex();
    // A copy shares the compiled pattern (read-only after compilation) and duplicates the matches.
    Regex(const Regex& other);
    Regex& operator=(const Regex& other);
    Regex(Regex&&) noexcept = default;
    Regex& operator=(Regex&&) noexcept = default;

    // Backslash before each of \ ^ $ + . { } [ ] = ( ) - and ", then * becomes .* and ? becomes .?
    // (a wildcard ? means at most one character).
    static std::string WildcardToPattern(std::string_view text);
    // Backslash before each of \ ^ $ + . { } [ ] = ( ) ? * | and ".
    static std::string EscapeAll(std::string_view text);
    // As EscapeAll, but | stays an alternation.
    static std::string EscapeKeepBar(std::string_view text);
    // As EscapeAll, but ( ) and | keep their meaning.
    static std::string EscapeKeepGroups(std::string_view text);

    // Compiles the pattern with the given switches. False when the engine rejects the pattern; every
    // later call then yields empty text or 0.
    bool Create(std::string_view pattern, bool ignoreCase = true, bool multiline = true, bool global = true);

    // Finds the matches in subject (all of them, or the first only when global is off), keeps them
    // and the subject, and returns their number.
    int Execute(std::string_view subject);

    // The pattern given to Create; empty before Create.
    std::string Pattern() const;

    // Every match (the first only when global is off) replaced by replacement, in which $1 to $9
    // stand for the groups; any other $ text is copied as it stands.
    std::string Replace(std::string_view subject, std::string_view replacement);

    // Accessors over the matches of the last Execute; indexes count from 1. Outside their range they
    // give empty text.
    int MatchCount() const;
    std::string Match(int i) const;
    std::string SubMatch(int i, int j) const;
    // The number of groups of the first match; 0 when there is no match.
    int SubMatchCount() const;
    // As Match / SubMatch; when wantIndex is set and firstIndex is given, *firstIndex receives the
    // 0-based position of match i in the subject, counted in characters (-1 for a bad index).
    std::string MatchAt(int i, bool wantIndex = false, int* firstIndex = nullptr) const;
    std::string SubMatchAt(int i, int j, bool wantIndex = false, int* firstIndex = nullptr) const;

private:
    struct Compiled;

    // Runs the engine over the UTF-8 subject; appends group offsets (pairs per group, group 0 first).
    bool FindAll(const std::string& utf8, std::vector<size_t>& offsets) const;
    std::string Piece(size_t start, size_t end) const;
    int FirstIndexOf(int i) const;

    std::shared_ptr<const Compiled> m_compiled;
    std::string m_pattern;
    bool m_created = false;
    bool m_global = true;
    // Last Execute: the subject as UTF-8 and, per match, (groups + 1) start/end pairs into it.
    std::string m_subjectUtf8;
    std::vector<size_t> m_offsets;
    // Filled on the first MatchAt that asks for a position: the character index of each match.
    mutable std::vector<int> m_firstIndexes;
};

} // namespace kc::text
