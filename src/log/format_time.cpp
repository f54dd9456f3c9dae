// Formatting of local date and time by the "#1"…"#6" templates.
#include "log/format_time.h"

#include <ctime>

namespace kc::log {
namespace {

std::string TwoDigits(int value)
{
    std::string text = std::to_string(value);
    return text.size() == 1 ? "0" + text : text;
}

void AppendTwoDigits(std::string& text, int value)
{
    if (value >= 0 && value < 10)
        text += '0';
    text += std::to_string(value);
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// The local fields of a second, worked out once per second and thread: a log line per article asks for
// the time, and the zone conversion takes the process's zone lock each time.
std::tm LocalFields(std::time_t seconds)
{
    struct Cached {
        std::time_t seconds = -1;
        std::tm local{};
        bool valid = false;
    };
    thread_local Cached cached;
    // The zone is read once, behind a guard every thread passes: the first conversions of several
    // threads at once would otherwise each set up the zone inside the C library.
    static const bool zoneRead = (tzset(), true);
    (void)zoneRead;
    if (!cached.valid || cached.seconds != seconds) {
        cached.valid = localtime_r(&seconds, &cached.local) != nullptr;
        cached.seconds = seconds;
        if (!cached.valid)
            cached.local = std::tm{};
    }
    return cached.local;
}

} // namespace

std::string FormatTime(int kind, std::string_view separator, std::optional<std::chrono::system_clock::time_point> when,
    std::string_view customTemplate)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when.value_or(std::chrono::system_clock::now()));
    const std::tm local = LocalFields(seconds);

    // The fixed templates are written straight from the fields: every log line asks for the time. A
    // separator holding "#" would itself be replaced by the general way below, so it takes that way.
    if ((kind == 0 || kind == 1 || kind == 2) && separator.find('#') == std::string_view::npos) {
        const std::string_view colon = separator.empty() ? std::string_view(":") : separator;
        std::string fixed;
        fixed.reserve(20 + 2 * colon.size());
        if (kind != 2) {
            AppendTwoDigits(fixed, local.tm_year + 1900);
            fixed += '-';
            AppendTwoDigits(fixed, local.tm_mon + 1);
            fixed += '-';
            AppendTwoDigits(fixed, local.tm_mday);
        }
        if (kind == 0)
            fixed += ' ';
        if (kind != 1) {
            AppendTwoDigits(fixed, local.tm_hour);
            fixed += colon;
            AppendTwoDigits(fixed, local.tm_min);
            fixed += colon;
            AppendTwoDigits(fixed, local.tm_sec);
        }
        return fixed;
    }

    std::string text;
    switch (kind) {
    case 0:
        text = "#1-#2-#3 #4:#5:#6";
        break;
    case 1:
        text = "#1-#2-#3";
        break;
    case 2:
        text = "#4:#5:#6";
        break;
    default:
        text = customTemplate;
        break;
    }
    if (!separator.empty() && kind != -1)
        ReplaceAll(text, ":", separator);
    const int parts[6]
        = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
    for (int i = 0; i < 6; ++i)
        ReplaceAll(text, "#" + std::to_string(i + 1), TwoDigits(parts[i]));
    return text;
}

} // namespace kc::log
