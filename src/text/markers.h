// Cutting text between two markers and replacing several substrings at once, on internal text.
//
// Searches here never start a match inside a two- or four-byte character, and case-insensitive
// comparison folds ASCII letters only.
#pragma once

#include <string>
#include <string_view>

namespace kc::text {

// Position value BetweenMarkers reports, and accepts, when a walk over a text is exhausted.
inline constexpr int kMarkersExhausted = -2;

// text with every two apostrophes ('') turned into one double quote.
std::string ApostrophesToQuote(std::string_view text);

// The text between startMarker and endMarker, searching from the 1-based byte position *position
// (0 or null: from the start), ignoring the case of ASCII letters. An empty start marker means the
// beginning of the text, an empty end marker its end. On success *position moves past the end
// marker, so calling again walks every occurrence; when nothing is found the result is empty and
// *position becomes kMarkersExhausted, with which any later call returns empty text at once.
// Unless literal is set, '' in the markers stands for a double quote, and a second attempt drops the
// double quotes from the markers. nearest takes the end marker first and the last start marker before
// it; *guard (in and out) then keeps the same start marker from being returned twice. skipStart and
// skipEnd trim that many bytes from either side of the result.
std::string BetweenMarkers(std::string_view text, std::string_view startMarker, std::string_view endMarker,
    int* position = nullptr, bool nearest = false, int skipStart = 0, int skipEnd = 0, bool literal = false,
    int* guard = nullptr);

// Replaces, item by item, each item of fromList by the item of toList at the same index (lists split
// at separator, "|" when empty). Missing to-items are empty, so their from-items are deleted; with
// fillFromFirst an empty to-item takes the first to-item. count limits the replacements per item
// (negative: all). Later items see the results of earlier ones. Case of ASCII letters is ignored
// unless caseSensitive.
std::string MultiReplace(std::string_view text, std::string_view fromList, std::string_view toList,
    bool caseSensitive = false, bool fillFromFirst = false, std::string_view separator = "|", int count = -1);

// Replaces the occurrences of from by to (the first count of them; negative: all) in one pass.
std::string ReplaceText(
    std::string_view text, std::string_view from, std::string_view to, bool caseSensitive = true, int count = -1);

// The 0-based byte offset of the first occurrence of needle at or after byte offset from that starts on
// a character boundary, or std::string_view::npos.
size_t FindText(std::string_view text, std::string_view needle, size_t from = 0, bool caseSensitive = true);

} // namespace kc::text
