// Decoding of answer pages (script escapes, character references) and the marker searches that decide
// whether an answer means success.
//
// All operations take and give internal text, keep no state and may be called from any thread.
// Searches and scans walk whole characters, so a GBK trail byte that happens to equal "\", "|" or an
// ASCII letter is never taken for one.
#pragma once

#include <string>
#include <string_view>

namespace kc::http {

// Decodes the \uXXXX escapes of script and JSON text (a surrogate pair as one character), then turns
// \" into ", \/ into /, \n into CR LF and \t into a tab. An escape whose four characters are not all
// hexadecimal digits, or whose value is 0, stays as written.
std::string UnescapeScriptText(std::string_view text);

// Decodes the named character references of HTML 4.01 (names compared with exact case; &nbsp; gives an
// ordinary blank) and the numeric ones (&#65; and &#x41;) in one pass, so &amp;lt; gives &lt;.
// A reference with no known code (&X;, &#X41;, &#9;, &#0;) stays as written.
std::string DecodeHtmlEntities(std::string_view text);

// Searches the alternatives of a list separated by separator ("|" when empty) in text; empty
// alternatives are skipped. anyMode: true at the first alternative found, which is reported in matched
// with its 1-based byte position in position. All mode: true when every alternative is found and there
// is at least one. matched and position (optional) are set to empty text and 0 unless any mode finds one.
bool MatchAlternatives(std::string_view text, std::string_view alternatives, bool anyMode,
    std::string_view separator = "|", bool caseInsensitive = true, std::string* matched = nullptr,
    int* position = nullptr);

// True when every marker of a list separated by "[fg]" is in text, case of ASCII letters ignored.
// An empty piece is always found; an empty list holds no marker that could be missing.
bool ContainsAllMarkers(std::string_view text, std::string_view markers);

// Rewrites the UTF-8 charset declarations of a page (charset=UTF-8, quoted or not, any case) to gb2312,
// keeping how the value was quoted, so that a page stored as GBK bytes declares what it holds.
std::string PageCharsetToGb2312(std::string_view html);

} // namespace kc::http
