// Making a file name out of a site label and a title.
#pragma once

#include <string>
#include <string_view>

namespace kc::log {

// Replaces each of \ / : * ? | < > by its full-width form and removes double quotes, CR, LF and TAB.
// Works character by character, so a two-byte character whose second byte happens to be "\" or "|"
// is kept whole.
std::string CleanFileName(std::string_view name);

} // namespace kc::log
