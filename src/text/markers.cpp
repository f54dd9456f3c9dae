// Text between markers, apostrophe quoting and list replacement.
#include "text/markers.h"

#include "text/text_search.h"

#include <algorithm>

namespace kc::text {
namespace {

using detail::BoundaryTracker;
using detail::Needle;

// Stand-ins for an empty marker, put around the text so that "from the beginning" and "to the end"
// are ordinary searches.
constexpr std::string_view kHeadMarker = "#Kestrune\xCD\xB7#"; // #Kestrune头#
constexpr std::string_view kTailMarker = "#Kestrune\xCE\xB2#"; // #Kestrune尾#

std::string WithoutQuotes(std::string marker)
{
    marker.erase(std::remove(marker.begin(), marker.end(), '"'), marker.end());
    return marker;
}

std::string ReplaceWithNeedle(std::string_view text, const Needle& needle, std::string_view to, int count)
{
    if (needle.empty() || count == 0)
        return std::string(text);
    BoundaryTracker tracker(text);
    std::string out;
    size_t pos = 0;
    int done = 0;
    for (;;) {
        const size_t found = needle.FindIn(text, pos, tracker);
        if (found == std::string_view::npos)
            break;
        if (out.empty())
            out.reserve(text.size());
        out.append(text.substr(pos, found - pos));
        out.append(to);
        pos = found + needle.size();
        if (count > 0 && ++done >= count)
            break;
    }
    if (pos == 0)
        return std::string(text);
    out.append(text.substr(pos));
    return out;
}

} // namespace

std::string ApostrophesToQuote(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t pos = 0; pos < text.size(); ++pos) {
        if (text[pos] == '\'' && pos + 1 < text.size() && text[pos + 1] == '\'') {
            out.push_back('"');
            ++pos;
        } else {
            out.push_back(text[pos]);
        }
    }
    return out;
}

std::string BetweenMarkers(std::string_view text, std::string_view startMarker, std::string_view endMarker,
    int* position, bool nearest, int skipStart, int skipEnd, bool literal, int* guard)
{
    int localPosition = 0;
    int localGuard = 0;
    int& pos = position ? *position : localPosition;
    int& fence = guard ? *guard : localGuard;
    if (pos == kMarkersExhausted)
        return {};

    std::string start = literal ? std::string(startMarker) : ApostrophesToQuote(startMarker);
    std::string end = literal ? std::string(endMarker) : ApostrophesToQuote(endMarker);
    std::string extended;
    std::string_view subject = text;
    if (start.empty() || end.empty()) {
        extended.reserve(text.size() + kHeadMarker.size() + kTailMarker.size());
        if (start.empty()) {
            start = kHeadMarker;
            extended.append(kHeadMarker);
        }
        extended.append(text);
        if (end.empty()) {
            end = kTailMarker;
            extended.append(kTailMarker);
        }
        subject = extended;
    }

    const int entry = pos;
    BoundaryTracker tracker(subject);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt == 1) {
            // A marker written with quoted attribute values also finds the same text without quotes.
            if (start.find('"') == std::string::npos && end.find('"') == std::string::npos)
                break;
            pos = entry;
            start = WithoutQuotes(start);
            end = WithoutQuotes(end);
        }
        const Needle startNeedle(start, false);
        const Needle endNeedle(end, false);
        const size_t from = pos > 0 ? static_cast<size_t>(pos) - 1 : 0;
        size_t s = std::string_view::npos;
        size_t e = std::string_view::npos;
        if (!nearest) {
            s = startNeedle.FindIn(subject, from, tracker);
            if (s == std::string_view::npos)
                continue;
            e = endNeedle.FindIn(subject, s + start.size(), tracker);
            if (e == std::string_view::npos)
                continue;
        } else {
            e = endNeedle.FindIn(subject, from, tracker);
            if (e == std::string_view::npos)
                continue;
            s = startNeedle.FindLastIn(subject, e, tracker);
            if (s == std::string_view::npos)
                continue;
            // The guard holds the end of the last pair returned, so a start marker before it, already
            // paired, is not taken again.
            const bool fresh = fence < static_cast<int>(s) + 1;
            fence = static_cast<int>(e) + 1;
            if (!fresh)
                continue;
        }
        pos = static_cast<int>(e + end.size()) + 1;
        const long long begin = static_cast<long long>(s + start.size()) + skipStart;
        const long long length
            = static_cast<long long>(e) - static_cast<long long>(s + start.size()) - skipStart - skipEnd;
        if (length <= 0)
            return {};
        const long long from0 = std::max(0LL, begin);
        const long long to0 = std::min(begin + length, static_cast<long long>(subject.size()));
        if (to0 <= from0)
            return {};
        return std::string(subject.substr(static_cast<size_t>(from0), static_cast<size_t>(to0 - from0)));
    }
    pos = kMarkersExhausted;
    return {};
}

std::string ReplaceText(
    std::string_view text, std::string_view from, std::string_view to, bool caseSensitive, int count)
{
    return ReplaceWithNeedle(text, Needle(from, caseSensitive), to, count);
}

size_t FindText(std::string_view text, std::string_view needle, size_t from, bool caseSensitive)
{
    BoundaryTracker tracker(text);
    return Needle(needle, caseSensitive).FindIn(text, from, tracker);
}

std::string MultiReplace(std::string_view text, std::string_view fromList, std::string_view toList, bool caseSensitive,
    bool fillFromFirst, std::string_view separator, int count)
{
    if (separator.empty())
        separator = "|";
    const std::vector<std::string> fromItems = detail::SplitText(fromList, separator);
    std::vector<std::string> toItems = detail::SplitText(toList, separator);
    toItems.resize(fromItems.size());
    if (fillFromFirst && !toItems.empty()) {
        for (std::string& item : toItems) {
            if (item.empty())
                item = toItems.front();
        }
    }
    std::string current(text);
    for (size_t k = 0; k < fromItems.size(); ++k)
        current = ReplaceWithNeedle(current, Needle(fromItems[k], caseSensitive), toItems[k], count);
    return current;
}

} // namespace kc::text
