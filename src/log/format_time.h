// Date and time texts of log lines, file names and messages.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace kc::log {

// Template kinds: 0 "#1-#2-#3 #4:#5:#6", 1 "#1-#2-#3", 2 "#4:#5:#6"; any other kind uses customTemplate.
// #1…#6 are year, month, day, hour, minute, second, each at least two digits. A non-empty separator
// replaces every ":" of the template (not for kind -1). The time is local; none given means now.
std::string FormatTime(int kind, std::string_view separator = {},
    std::optional<std::chrono::system_clock::time_point> when = std::nullopt, std::string_view customTemplate = {});

} // namespace kc::log
