// Keyword insertion into an article's body, tail and title.
#include "articles/keyword_insertion.h"

#include "articles/run_context.h"
#include "articles/text_list.h"
#include "platform/event_pump.h"
#include "sites/random_between.h"
#include "sites/shuffle_bag.h"
#include "sites/site_config.h"
#include "text/char_helpers.h"

#include <algorithm>
#include <cstdint>

namespace kc::articles {

namespace {

// What InsertWords needs to know of each character, and the nearest characters of each kind around every
// position, so that each insertion costs a few look-ups however long the text.
class CharacterMap {
public:
    explicit CharacterMap(std::string_view text)
    {
        for (size_t pos = 0; pos < text.size();) {
            size_t length = text::CharLength(text, pos);
            if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n')
                length = 2;
            m_starts.push_back(pos);
            m_kinds.push_back(length == 1 ? KindOf(text[pos]) : kOther);
            pos += length;
        }
        m_end = text.size();
        const auto count = static_cast<int32_t>(m_kinds.size());
        for (int kind = 0; kind < kKinds; ++kind) {
            m_previous[kind].assign(static_cast<size_t>(count) + 2, 0);
            m_next[kind].assign(static_cast<size_t>(count) + 2, count + 1);
            for (int32_t c = 1; c <= count; ++c)
                m_previous[kind][static_cast<size_t>(c)]
                    = m_kinds[static_cast<size_t>(c - 1)] == kind ? c : m_previous[kind][static_cast<size_t>(c - 1)];
            for (int32_t c = count; c >= 1; --c)
                m_next[kind][static_cast<size_t>(c)]
                    = m_kinds[static_cast<size_t>(c - 1)] == kind ? c : m_next[kind][static_cast<size_t>(c + 1)];
        }
    }

    enum Kind { kLetter, kSpace, kOpen, kClose, kOther, kKinds = kOther };

    int32_t Count() const { return static_cast<int32_t>(m_kinds.size()); }
    // Kind of character c (1-based).
    int KindAt(int32_t c) const { return m_kinds[static_cast<size_t>(c - 1)]; }
    // The last character of a kind at or before c, 0 when none (c from 0 to Count()).
    int32_t LastAtOrBefore(int kind, int32_t c) const { return m_previous[kind][static_cast<size_t>(c)]; }
    // The first character of a kind at or after c, Count() + 1 when none (c from 1 to Count() + 1).
    int32_t FirstAtOrAfter(int kind, int32_t c) const { return m_next[kind][static_cast<size_t>(c)]; }
    // The byte offset just after character c (0: before the first).
    size_t OffsetAfter(int32_t c) const { return c >= Count() ? m_end : m_starts[static_cast<size_t>(c)]; }

private:
    static int KindOf(char c)
    {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
            return kLetter;
        if (c == ' ')
            return kSpace;
        if (c == '<')
            return kOpen;
        if (c == '>')
            return kClose;
        return kOther;
    }

    std::vector<size_t> m_starts;
    std::vector<int> m_kinds;
    size_t m_end = 0;
    std::vector<int32_t> m_previous[kKinds];
    std::vector<int32_t> m_next[kKinds];
};

} // namespace

std::string InsertWords(std::string_view text, const std::vector<std::string>& words, std::string_view word, int times,
    bool protectTags, std::mt19937& random)
{
    const CharacterMap map(text);
    const int32_t count = map.Count();
    if (count == 0)
        return {};
    const size_t insertions = words.empty() ? static_cast<size_t>(std::max(times, 1)) : words.size();

    struct Insertion {
        int32_t after; // the word goes right after this character (0: before the first)
        std::string word;
    };
    std::vector<Insertion> placed;
    placed.reserve(insertions);
    sites::ShuffleBag positions(static_cast<uint32_t>(random()));
    for (size_t i = 0; i < insertions; ++i) {
        platform::PumpEvents();
        int32_t l = positions.Draw(1, count);
        std::string inserted(words.empty() ? word : std::string_view(words[i]));

        // Next to an ASCII word the keyword goes to the nearer space around it (the one after on a tie),
        // and keeps a space of its own.
        const int kind = map.KindAt(l);
        if (kind == CharacterMap::kLetter || kind == CharacterMap::kSpace) {
            if (kind == CharacterMap::kLetter) {
                const int32_t before = map.LastAtOrBefore(CharacterMap::kSpace, l - 1);
                const int32_t after = map.FirstAtOrAfter(CharacterMap::kSpace, l + 1);
                const bool hasBefore = before > 0;
                const bool hasAfter = after <= count;
                if (hasBefore && hasAfter)
                    l = (l - before < after - l) ? before : after;
                else if (hasAfter)
                    l = after;
                else if (hasBefore)
                    l = before;
            }
            inserted += ' ';
        }

        // Inside a tag the keyword moves to the nearer edge of the tag, as it is.
        if (protectTags) {
            const int32_t lastOpen = map.LastAtOrBefore(CharacterMap::kOpen, l);
            const int32_t lastClose = map.LastAtOrBefore(CharacterMap::kClose, l);
            const int32_t nextClose = map.FirstAtOrAfter(CharacterMap::kClose, l + 1);
            const int32_t nextOpen = map.FirstAtOrAfter(CharacterMap::kOpen, l + 1);
            if (lastOpen > 0 && nextClose <= count && lastClose < lastOpen && nextClose < nextOpen) {
                l = (l - lastOpen < nextClose - l) ? lastOpen - 1 : nextClose;
                inserted.assign(words.empty() ? word : std::string_view(words[i]));
            }
        }
        placed.push_back({l, std::move(inserted)});
    }

    // Each word stays with the position it was placed at: a word that took a space for an English
    // neighbour must not land somewhere else, glued to a word.
    std::stable_sort(
        placed.begin(), placed.end(), [](const Insertion& a, const Insertion& b) { return a.after < b.after; });
    size_t extra = 0;
    for (const auto& insertion : placed)
        extra += insertion.word.size();
    std::string result;
    result.reserve(text.size() + extra);
    size_t copied = 0;
    for (const auto& insertion : placed) {
        const size_t cut = map.OffsetAfter(insertion.after);
        result.append(text.substr(copied, cut - copied));
        result.append(insertion.word);
        copied = cut;
    }
    result.append(text.substr(copied));
    return result;
}

void InsertKeywords(const RunContext& context, sites::SiteConfig& site, std::string& title, std::string& body,
    std::string_view tagKeywords, std::mt19937& random)
{
    if (site.bodyInsert && (site.bodyInsertCount != 0 || !tagKeywords.empty())) {
        if (!tagKeywords.empty()) {
            body = InsertWords(body, SplitAt(tagKeywords, ","), {}, 0, true, random);
        } else {
            // No insertion is asked for when the count comes out 0.
            const int n = sites::RandomBetween(random, site.bodyInsertMin, site.bodyInsertMax);
            if (n >= 1 && site.bodyInsertChange) {
                std::vector<std::string> drawn;
                for (int k = 0; k < n; ++k)
                    drawn.push_back(context.DrawListItem(site, ListSource::kBodyKeywords));
                body = InsertWords(body, drawn, {}, 0, true, random);
            } else if (n >= 1) {
                body = InsertWords(body, {}, context.DrawListItem(site, ListSource::kBodyKeywords), n, true, random);
            }
        }
    }

    if (site.tailInsert && site.tailInsertCount != 0) {
        const int n = sites::RandomBetween(random, site.tailInsertMin, site.tailInsertMax);
        std::string item;
        std::string collected;
        for (int k = 0; k < n; ++k) {
            if (k == 0 || site.tailInsertChange)
                item = context.DrawListItem(site, ListSource::kTailKeywords);
            collected += item + ' ';
        }
        const int m = sites::RandomBetween(random, site.tailInsertMin, site.tailInsertMax);
        std::string tail;
        if (site.tailInsertChange) {
            tail = std::move(collected);
        } else {
            for (int k = 0; k < m; ++k)
                tail += item + ' ';
        }
        body += "<br>" + tail;
    }

    if (site.titleInsert && site.titleInsertCount != 0) {
        const int r = sites::RandomBetween(random, 1, 100);
        if (site.titleInsertPercent >= r) {
            const std::string keyword = context.DrawListItem(site, ListSource::kTitleKeywords);
            switch (site.titleInsertPlace) {
            case kTitleBefore:
                title = keyword + site.titleInsertSeparator + title;
                break;
            case kTitleAfter:
                title = title + site.titleInsertSeparator + keyword;
                break;
            case kTitleRandom:
                title = InsertWords(title, {}, keyword, 1, false, random);
                break;
            default:
                break;
            }
        }
    }
}

} // namespace kc::articles
