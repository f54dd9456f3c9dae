// Turning what the user typed as a shop's domain or administration directory into a bare host and path.
#pragma once

#include <string>
#include <string_view>

namespace kc::text {

// Drops ASCII and full-width spaces, every "http://", "https://" and "//" (any case) and the slashes
// at both ends: " HTTP://www.a.com/shop/ " becomes "www.a.com/shop".
std::string NormaliseDomain(std::string_view text);

} // namespace kc::text
