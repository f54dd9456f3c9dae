// Simplified to traditional Chinese character mapping, used by the random text tools.
#pragma once

#include <string>
#include <string_view>

namespace kc::http {

// Maps every simplified Chinese character of internal text that has a traditional form of the same
// byte length to that form; everything else is kept. The result has the byte length of the input.
std::string ToTraditionalChinese(std::string_view text);

} // namespace kc::http
