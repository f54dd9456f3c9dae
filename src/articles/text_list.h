// The two forms of a list setting: the lines of one text, or the path of an existing file holding them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kc::articles {

// The lines of a text: CR LF, a lone LF and a lone CR each end a line (files written on any system). An empty
// text has no line; a break at the very end adds no empty last line; empty lines in between are kept.
std::vector<std::string> SplitLines(std::string_view text);

// The pieces of text between separators (matched only on character boundaries): none for an empty text, no
// empty last piece after a separator at the very end; the whole text when the separator is empty.
std::vector<std::string> SplitAt(std::string_view text, std::string_view separator);

// The text without ASCII spaces, tabs, CR, LF and full-width spaces at either end.
std::string TrimSpaces(std::string_view text);

// True when the text is one line naming an existing file or folder (internal-text path).
bool NamesExistingPath(std::string_view text);

// The lines of a list file, its bytes taken as internal text as they stand (no charset detection); none when
// the file cannot be read.
std::vector<std::string> ReadListFile(std::string_view path);

} // namespace kc::articles
