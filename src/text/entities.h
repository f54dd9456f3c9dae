// Decoding the HTML character references that occur in article bodies and answer pages.
#pragma once

#include <string>
#include <string_view>

namespace kc::text {

// Decodes forty common named references (any case; "&amp;" first, so "&amp;lt;" becomes "<") and the
// numeric references "&#NNNN;" and "&#xHHHH;" into internal text.
std::string DecodeCommonEntities(std::string_view text);

} // namespace kc::text
