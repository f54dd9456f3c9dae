// Keyword extraction by forward longest matching against an indexed word list.
#include "services/keyword_extractor.h"

#include "platform/event_pump.h"
#include "text/native_path.h"
#include "text/tag_shield.h"
#include "text/text_encoding.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace kc::services {

namespace {

// The byte length of the character at pos: a carriage return followed by a line feed is one
// character, a byte of 80 hex or above starts a two-byte character, or a four-byte one when the
// next byte is a digit (GB18030); never past the end of the text.
size_t CharLength(std::string_view text, size_t pos)
{
    const auto byte = static_cast<unsigned char>(text[pos]);
    size_t length = 1;
    if (byte >= 0x80) {
        length = 2;
        if (pos + 1 < text.size()) {
            const auto second = static_cast<unsigned char>(text[pos + 1]);
            if (second >= 0x30 && second <= 0x39)
                length = 4;
        }
    } else if (byte == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') {
        length = 2;
    }
    return std::min(length, text.size() - pos);
}

// The group key of a window of up to eight bytes. Windows that differ only by trailing zero bytes
// share a key; the match test compares whole words, so a shared key costs a comparison, never a
// wrong match.
uint64_t WindowKey(const char* bytes, size_t length)
{
    uint64_t key = 0;
    std::memcpy(&key, bytes, std::min<size_t>(length, sizeof key));
    return key;
}

// Lower-cases ASCII letters only, character by character, so that the trail byte of a two-byte
// character (which may lie in 41–5A hex) is never changed into another character.
std::string LowerAscii(std::string_view text)
{
    std::string lower(text);
    for (size_t pos = 0; pos < lower.size();) {
        const size_t length = CharLength(lower, pos);
        if (length == 1 && lower[pos] >= 'A' && lower[pos] <= 'Z')
            lower[pos] = static_cast<char>(lower[pos] - 'A' + 'a');
        pos += length;
    }
    return lower;
}

// The named references removed from the working text, in the order they are removed; "&amp;" comes
// last so that an escaped reference such as "&amp;lt;" leaves "lt;" rather than nothing.
constexpr std::array<std::string_view, 40> kReferences
    = {"&ndash;", "&mdash;", "&ldquo;", "&rdquo;", "&nbsp;", "&lt;", "&gt;", "&quot;", "&times;", "&divide;",
        "&middot;", "&hellip;", "&lsquo;", "&rsquo;", "&permil;", "&prime;", "&Prime;", "&larr;", "&uarr;", "&rarr;",
        "&darr;", "&radic;", "&prop;", "&infin;", "&ang;", "&and;", "&or;", "&cap;", "&cup;", "&int;", "&there4;",
        "&sim;", "&asymp;", "&ne;", "&equiv;", "&le;", "&ge;", "&oplus;", "&perp;", "&amp;"};

bool StartsWithIgnoringCase(std::string_view text, size_t pos, std::string_view ascii)
{
    if (text.size() - pos < ascii.size())
        return false;
    for (size_t i = 0; i < ascii.size(); ++i) {
        char c = text[pos + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        char r = ascii[i];
        if (r >= 'A' && r <= 'Z')
            r = static_cast<char>(r - 'A' + 'a');
        if (c != r)
            return false;
    }
    return true;
}

// Deletes every occurrence of reference (any case), left to right, each search going on after the
// occurrence just deleted.
void DeleteReference(std::string& text, std::string_view reference)
{
    size_t amp = text.find('&');
    if (amp == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    size_t copied = 0;
    while (amp != std::string::npos) {
        if (StartsWithIgnoringCase(text, amp, reference)) {
            out.append(text, copied, amp - copied);
            copied = amp + reference.size();
            amp = text.find('&', copied);
        } else {
            amp = text.find('&', amp + 1);
        }
    }
    if (copied == 0)
        return;
    out.append(text, copied, std::string::npos);
    text.swap(out);
}

} // namespace

std::string RemoveTagsAndReferences(std::string_view text)
{
    // The tag shield's removal: a tag is a "<" with the first ">" after it and no other "<" or ">"
    // between them; unpaired angle brackets stay in the text.
    text::TagShield shield;
    std::string out = shield.Protect(text, {}, true);
    for (const std::string_view reference : kReferences)
        DeleteReference(out, reference);
    return out;
}

std::vector<std::filesystem::path> WordListCandidates()
{
    std::vector<std::filesystem::path> candidates;
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        candidates.push_back(executable.parent_path() / "data" / "word_list.txt");
    candidates.emplace_back(KC_WORD_LIST_SOURCE_PATH);
    return candidates;
}

bool KeywordExtractor::LoadWordList(std::string_view path)
{
    std::vector<std::string> paths;
    if (!path.empty()) {
        paths.emplace_back(path);
    } else {
        for (const auto& candidate : WordListCandidates())
            paths.push_back(text::InternalPath(candidate));
    }
    for (const auto& candidate : paths) {
        int detected = 0;
        std::string list = text::LoadText(candidate, text::kEncodingGbk, &detected);
        if (list.find_first_not_of(' ') == std::string::npos)
            continue;
        UseWordList(std::move(list));
        if (WordCount() > 0)
            return true;
    }
    return false;
}

void KeywordExtractor::UseWordList(std::string listText)
{
    // Index the words outside the lock; readers only wait for the swap.
    struct Keyed {
        uint64_t key;
        Entry entry;
    };
    std::vector<Keyed> keyed;
    for (size_t pos = 0; pos < listText.size();) {
        if (listText[pos] == ' ') {
            ++pos;
            continue;
        }
        size_t end = listText.find(' ', pos);
        if (end == std::string::npos)
            end = listText.size();
        // A word counts only when a space comes before it, as a search for it in the list demands.
        const std::string_view word(listText.data() + pos, end - pos);
        if (pos > 0 && word.size() <= UINT32_MAX) {
            const size_t first = CharLength(word, 0);
            if (first < word.size()) {
                const size_t window = first + CharLength(word, first);
                keyed.push_back(
                    {WindowKey(word.data(), window), {static_cast<uint32_t>(pos), static_cast<uint32_t>(word.size())}});
            }
        }
        pos = end;
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) { return a.key < b.key; });

    std::vector<Entry> entries;
    entries.reserve(keyed.size());
    std::unordered_map<uint64_t, Range> groups;
    for (size_t i = 0; i < keyed.size(); ++i) {
        entries.push_back(keyed[i].entry);
        auto [group, added] = groups.try_emplace(keyed[i].key, Range{static_cast<uint32_t>(i), 0});
        group->second.end = static_cast<uint32_t>(i + 1);
    }

    std::unique_lock lock(m_mutex);
    m_list = std::move(listText);
    m_entries = std::move(entries);
    m_groups = std::move(groups);
}

size_t KeywordExtractor::WordCount() const
{
    std::shared_lock lock(m_mutex);
    return m_entries.size();
}

std::string KeywordExtractor::Extract(std::string_view text, std::vector<std::string>& words, int count) const
{
    words.clear();
    const std::string working = RemoveTagsAndReferences(text);
    const std::string lower = LowerAscii(working);

    {
        std::shared_lock lock(m_mutex, std::defer_lock);
        if (platform::IsPumpThread()) {
            // The window thread keeps its window alive while a new list is being put in place.
            while (!lock.try_lock()) {
                platform::PumpEvents();
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        } else {
            lock.lock();
        }

        const size_t size = lower.size();
        size_t pos = 0;
        while (pos < size) {
            const size_t first = CharLength(lower, pos);
            const size_t next = pos + first;
            // Every listed word has two characters or more, so none fits at the last character.
            if (next >= size)
                break;
            const size_t window = first + CharLength(lower, next);
            size_t matched = 0;
            const auto group = m_groups.find(WindowKey(lower.data() + pos, window));
            if (group != m_groups.end()) {
                for (uint32_t i = group->second.begin; i < group->second.end; ++i) {
                    const Entry& entry = m_entries[i];
                    if (entry.length >= window && entry.length <= size - pos
                        && std::memcmp(m_list.data() + entry.offset, lower.data() + pos, entry.length) == 0) {
                        matched = entry.length;
                        break;
                    }
                }
            }
            if (matched > 0) {
                words.emplace_back(working, pos, matched);
                pos += matched;
            } else {
                pos = next;
            }
        }
    }
    return TopFrequent(words, count);
}

std::string KeywordExtractor::TopFrequent(const std::vector<std::string>& words, int count)
{
    struct Tally {
        size_t first; // index of the first occurrence
        size_t number;
    };
    std::unordered_map<std::string_view, size_t> indexOf;
    std::vector<Tally> tallies;
    for (size_t i = 0; i < words.size(); ++i) {
        auto [found, added] = indexOf.try_emplace(words[i], tallies.size());
        if (added)
            tallies.push_back({i, 1});
        else
            ++tallies[found->second].number;
    }
    std::sort(tallies.begin(), tallies.end(),
        [](const Tally& a, const Tally& b) { return a.number != b.number ? a.number > b.number : a.first > b.first; });
    const size_t wanted = std::min(tallies.size(), static_cast<size_t>(std::max(count, 1)));
    std::string result;
    for (size_t i = 0; i < wanted; ++i) {
        if (i > 0)
            result += ',';
        result += words[tallies[i].first];
    }
    return result;
}

} // namespace kc::services
