// The plain keyword extractor and the article generator of keyword_reference.h.
#include "keyword_reference.h"

#include <cstring>
#include <random>

namespace kc::bench {

namespace {

const std::string kPlaceholder(10, '\xFF');

// Tags out, from the end of the text towards its start, each replaced by the placeholder, then every
// placeholder deleted.
std::string RemoveTagsSlowly(std::string text)
{
    size_t close = text.rfind('>');
    while (close != std::string::npos && close > 0) {
        const size_t open = text.rfind('<', close);
        if (open == std::string::npos)
            break;
        // A ">" between them leaves the outer ">" without a tag: go on with the inner one.
        const size_t inner = text.rfind('>', close - 1);
        if (inner != std::string::npos && inner > open) {
            close = inner;
            continue;
        }
        text.replace(open, close - open + 1, kPlaceholder);
        if (open == 0)
            break;
        close = text.rfind('>', open - 1);
    }
    for (size_t at = text.find(kPlaceholder); at != std::string::npos; at = text.find(kPlaceholder, at))
        text.erase(at, kPlaceholder.size());
    return text;
}

std::string LowerBytes(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string DeleteReferencesSlowly(std::string text)
{
    static const char* const references[]
        = {"&ndash;", "&mdash;", "&ldquo;", "&rdquo;", "&nbsp;", "&lt;", "&gt;", "&quot;", "&times;", "&divide;",
            "&middot;", "&hellip;", "&lsquo;", "&rsquo;", "&permil;", "&prime;", "&Prime;", "&larr;", "&uarr;",
            "&rarr;", "&darr;", "&radic;", "&prop;", "&infin;", "&ang;", "&and;", "&or;", "&cap;", "&cup;", "&int;",
            "&there4;", "&sim;", "&asymp;", "&ne;", "&equiv;", "&le;", "&ge;", "&oplus;", "&perp;", "&amp;"};
    for (const char* reference : references) {
        const std::string wanted = LowerBytes(reference);
        // The references are ASCII and begin with "&", which never ends a two-byte character, so a
        // byte-wise lower-case copy finds them where they are.
        size_t at = LowerBytes(text).find(wanted);
        while (at != std::string::npos) {
            text.erase(at, wanted.size());
            at = LowerBytes(text).find(wanted, at);
        }
    }
    return text;
}

} // namespace

std::string ReferenceExtract(
    const std::string& wordList, std::string_view text, std::vector<std::string>& words, int count)
{
    words.clear();
    const std::string working = DeleteReferencesSlowly(RemoveTagsSlowly(std::string(text)));

    // Character bounds, and the lower-case text with only single-byte letters lowered.
    std::vector<size_t> starts, ends;
    std::string lower = working;
    for (size_t pos = 0; pos < lower.size();) {
        const auto byte = static_cast<unsigned char>(lower[pos]);
        size_t length = 1;
        if (byte >= 0x80)
            length = (pos + 1 < lower.size() && lower[pos + 1] >= '0' && lower[pos + 1] <= '9') ? 4 : 2;
        else if (byte == '\r' && pos + 1 < lower.size() && lower[pos + 1] == '\n')
            length = 2;
        else if (byte >= 'A' && byte <= 'Z')
            lower[pos] = static_cast<char>(byte - 'A' + 'a');
        length = std::min(length, lower.size() - pos);
        starts.push_back(pos);
        ends.push_back(pos + length - 1);
        pos += length;
    }

    const size_t characters = starts.size();
    size_t i = 0;
    while (i < characters) {
        const size_t last = i + 1 < characters ? ends[i + 1] : ends[i];
        const std::string window = lower.substr(starts[i], last - starts[i] + 1);
        size_t matched = 0;
        for (size_t at = wordList.find(window); at != std::string::npos; at = wordList.find(window, at + 1)) {
            if (at == 0 || wordList[at - 1] != ' ')
                continue;
            const size_t space = wordList.find(' ', at);
            const std::string_view word
                = std::string_view(wordList).substr(at, space == std::string::npos ? std::string::npos : space - at);
            if (starts[i] + word.size() <= lower.size()
                && std::string_view(lower).substr(starts[i], word.size()) == word) {
                matched = word.size();
                break;
            }
        }
        if (matched > 0) {
            words.push_back(working.substr(starts[i], matched));
            const size_t after = starts[i] + matched;
            while (i < characters && starts[i] < after)
                ++i;
        } else {
            ++i;
        }
    }
    return ReferenceTopFrequent(words, count);
}

std::string ReferenceTopFrequent(std::vector<std::string> words, int count)
{
    std::vector<std::pair<std::string, size_t>> ranking;
    while (!words.empty()) {
        const std::string word = words.front();
        size_t number = 0;
        for (size_t k = 0; k < words.size();) {
            if (words[k] == word) {
                words.erase(words.begin() + static_cast<std::ptrdiff_t>(k));
                ++number;
            } else {
                ++k;
            }
        }
        auto place = ranking.begin();
        while (place != ranking.end() && place->second > number)
            ++place;
        ranking.insert(place, {word, number});
    }
    std::string result;
    for (size_t k = 0; k < ranking.size(); ++k) {
        if (k > 0 && static_cast<int>(k) >= count)
            break;
        if (k > 0)
            result += ',';
        result += ranking[k].first;
    }
    return result;
}

std::string MakeArticle(const std::string& wordList, uint32_t seed, size_t characters)
{
    std::mt19937 random(seed);
    auto below = [&random](size_t n) { return static_cast<size_t>(random() % n); };

    std::vector<std::string> listed;
    for (size_t at = wordList.find_first_not_of(' '); at != std::string::npos;
         at = wordList.find_first_not_of(' ', at)) {
        const size_t space = wordList.find(' ', at);
        listed.push_back(wordList.substr(at, space == std::string::npos ? std::string::npos : space - at));
        at = space;
    }
    if (listed.empty())
        return {};

    // 的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说产种面而方后多定行学法所民得经
    static const char filler[] = "\xB5\xC4\xD2\xBB\xCA\xC7\xD4\xDA\xB2\xBB\xC1\xCB\xD3\xD0\xBA\xCD\xC8\xCB\xD5\xE2"
                                 "\xD6\xD0\xB4\xF3\xCE\xAA\xC9\xCF\xB8\xF6\xB9\xFA\xCE\xD2\xD2\xD4\xD2\xAA\xCB\xFB"
                                 "\xCA\xB1\xC0\xB4\xD3\xC3\xC3\xC7\xC9\xFA\xB5\xBD\xD7\xF7\xB5\xD8\xD3\xDA\xB3\xF6"
                                 "\xBE\xCD\xB7\xD6\xB6\xD4\xB3\xC9\xBB\xE1\xBF\xC9\xD6\xF7\xB7\xA2\xC4\xEA\xB6\xAF"
                                 "\xCD\xAC\xB9\xA4\xD2\xB2\xC4\xDC\xCF\xC2\xB9\xFD\xD7\xD3\xCB\xB5\xB2\xFA\xD6\xD6"
                                 "\xC3\xE6\xB6\xF8\xB7\xBD\xBA\xF3\xB6\xE0\xB6\xA8\xD0\xD0\xD1\xA7\xB7\xA8\xCB\xF9"
                                 "\xC3\xF1\xB5\xC3\xBE\xAD";
    const size_t fillerCharacters = (sizeof filler - 1) / 2;
    // ，。、：“”
    static const char* const punctuation[] = {"\xA3\xAC", "\xA1\xA3", "\xA1\xA2", "\xA3\xBA", "\xA1\xB0", "\xA1\xB1"};
    static const char* const ascii[] = {"PHP", "Win", "WWW", "the", "OK", "Cn", "DOS", "mp3", "Intel", "2024", " "};
    static const char* const markup[] = {"<p>", "</p>", "<br />", "<a href=\"http://www.example.com/\">", "</a>",
        "<img src=\"a.jpg\" alt=\"x\">", "&nbsp;", "&AMP;", "&amp;lt;", "&ldquo;", "&rdquo;", "&hellip;", "&#20013;",
        "\r\n", "a > b", "1 < 2", "<!-- x -->"};
    // Four-byte characters (U+20000, U+3400) and two-byte ones whose second byte is an upper-case
    // letter (丄 镕, as in 朱镕基).
    static const char* const odd[]
        = {"\x95\x32\x82\x36", "\x81\x39\xEE\x39", "\x81\x41", "\xE9\x46", "\xD6\xEC\xE9\x46\xBB\xF9"};

    std::vector<std::string> topic;
    for (int k = 0; k < 12; ++k)
        topic.push_back(listed[below(listed.size())]);

    std::string article = "<p>";
    size_t written = 0;
    while (written < characters) {
        const size_t choice = below(100);
        if (choice < 30) {
            const std::string& word = choice < 12 ? topic[below(topic.size())] : listed[below(listed.size())];
            article += word;
            written += word.size() / 2;
        } else if (choice < 70) {
            const size_t n = 1 + below(4);
            for (size_t k = 0; k < n; ++k)
                article.append(filler + 2 * below(fillerCharacters), 2);
            written += n;
        } else if (choice < 82) {
            article += punctuation[below(std::size(punctuation))];
            written += 1;
        } else if (choice < 90) {
            article += ascii[below(std::size(ascii))];
            written += 3;
        } else if (choice < 99) {
            article += markup[below(std::size(markup))];
            written += 1;
        } else {
            article += odd[below(std::size(odd))];
            written += 1;
        }
    }
    article += "</p>";
    // The title follows the body directly.
    article += topic[0] + topic[1];
    return article;
}

} // namespace kc::bench
