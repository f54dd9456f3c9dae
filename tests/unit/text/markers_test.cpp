// Text between markers, apostrophe quoting and list replacement.
#include "text/char_helpers.h"
#include "text/markers.h"
#include "text/text_encoding.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace kc::text;

std::string G(const char* utf8)
{
    return ConvertCharset(utf8, "UTF-8", "GB18030");
}

TEST(ApostrophesToQuote, TurnsPairsIntoDoubleQuotes)
{
    EXPECT_EQ(ApostrophesToQuote("<a href=''x''>"), "<a href=\"x\">");
    EXPECT_EQ(ApostrophesToQuote("it's '''"), "it's \"'");
    EXPECT_EQ(ApostrophesToQuote(""), "");
}

// One walk over a text: the results of successive calls, each starting at the position the last left.
struct WalkCase {
    std::string text;
    std::string start;
    std::string end;
    std::vector<std::string> results; // up to the empty result that ends the walk
    const char* what;
    bool nearest = false;
    int skipStart = 0;
    int skipEnd = 0;
    bool literal = false;
    friend void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.what; }
};

class BetweenMarkersWalk : public ::testing::TestWithParam<WalkCase> { };

TEST_P(BetweenMarkersWalk, ReturnsEachOccurrenceThenExhausts)
{
    const WalkCase& c = GetParam();
    int position = 0;
    int guard = 0;
    for (const std::string& expected : c.results) {
        EXPECT_EQ(
            BetweenMarkers(c.text, c.start, c.end, &position, c.nearest, c.skipStart, c.skipEnd, c.literal, &guard),
            expected);
    }
    EXPECT_EQ(
        BetweenMarkers(c.text, c.start, c.end, &position, c.nearest, c.skipStart, c.skipEnd, c.literal, &guard), "");
    EXPECT_EQ(position, kMarkersExhausted);
    // Exhausted stays exhausted.
    EXPECT_EQ(BetweenMarkers(c.text, c.start, c.end, &position, c.nearest), "");
    EXPECT_EQ(position, kMarkersExhausted);
}

INSTANTIATE_TEST_SUITE_P(Modes, BetweenMarkersWalk,
    ::testing::Values(
        WalkCase{"<title>One</title><TITLE>Two</Title>", "<title>", "</title>", {"One", "Two"}, "two titles, any case"},
        WalkCase{"abc</a>def", "", "</a>", {"abc"}, "empty start marker: from the beginning"},
        WalkCase{"id_12", "_", "", {"12"}, "empty end marker: to the end"},
        WalkCase{"whole text", "", "", {"whole text"}, "both markers empty"},
        WalkCase{"<a href=x>1</a> <a href=\"y\">2</a>", "<a href=''y''>", "</a>", {"2"}, "'' is a quote"},
        WalkCase{
            "<div class=main>body</div>", "<div class=''main''>", "</div>", {"body"}, "second attempt without quotes"},
        WalkCase{
            "<div class=''m''>x</div>", "<div class=''m''>", "</div>", {"x"}, "literal markers", false, 0, 0, true},
        WalkCase{"[12345]", "[", "]", {"234"}, "skipStart and skipEnd", false, 1, 1},
        WalkCase{"[12]", "[", "]", {""}, "skips longer than the text between", false, 2, 1},
        WalkCase{"<td><a>x</a>Name1</a><a>y</a>Name2</a>", ">", "</a>", {"x", "Name1", "y", "Name2"},
            "nearest: last start before each end", true},
        WalkCase{G("中<b>文</b>"), "<b>", "</B>", {G("文")}, "GBK around markers"}));

TEST(BetweenMarkers, PositionsAreOneBasedBytePositions)
{
    const std::string text = "<t>A</t><t>B</t>";
    int position = 0;
    EXPECT_EQ(BetweenMarkers(text, "<t>", "</t>", &position), "A");
    EXPECT_EQ(position, 9); // just past the first "</t>"
    position = 9;
    EXPECT_EQ(BetweenMarkers(text, "<t>", "</t>", &position), "B");
    EXPECT_EQ(position, 17);
    position = 2; // inside the first start marker: the search begins there
    EXPECT_EQ(BetweenMarkers(text, "<t>", "</t>", &position), "B");
    EXPECT_EQ(BetweenMarkers(text, "<t>", "</t>"), "A"); // no position: from the start
}

TEST(BetweenMarkers, MissingEndMarkerExhausts)
{
    int position = 0;
    EXPECT_EQ(BetweenMarkers("<b>open", "<b>", "</b>", &position), "");
    EXPECT_EQ(position, kMarkersExhausted);
}

TEST(BetweenMarkers, NearestGuardRefusesStartAlreadyUsed)
{
    // Both ends pair with the same "<a" before them: the second end is refused and the walk ends.
    const std::string text = "<a>x</b></b>";
    int position = 0;
    int guard = 0;
    EXPECT_EQ(BetweenMarkers(text, "<a>", "</b>", &position, true, 0, 0, false, &guard), "x");
    EXPECT_EQ(guard, 5);
    EXPECT_EQ(BetweenMarkers(text, "<a>", "</b>", &position, true, 0, 0, false, &guard), "");
    EXPECT_EQ(position, kMarkersExhausted);
    EXPECT_EQ(guard, 9);
}

TEST(BetweenMarkers, NeverMatchesInsideACharacter)
{
    // 誥 is D5 61: its trail byte is "a", which must not be taken for the start marker "a".
    const std::string text = "\xD5\x61"
                             "b[a]c";
    EXPECT_EQ(BetweenMarkers(text, "a", "c"), "]");
}

struct ReplaceCase {
    std::string text;
    std::string from;
    std::string to;
    std::string expected;
    const char* what;
    bool caseSensitive = false;
    bool fillFromFirst = false;
    std::string separator = "|";
    int count = -1;
    friend void PrintTo(const ReplaceCase& c, std::ostream* os) { *os << c.what; }
};

class MultiReplaceCases : public ::testing::TestWithParam<ReplaceCase> { };

TEST_P(MultiReplaceCases, ReplacesItemByItem)
{
    const ReplaceCase& c = GetParam();
    EXPECT_EQ(MultiReplace(c.text, c.from, c.to, c.caseSensitive, c.fillFromFirst, c.separator, c.count), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Lists, MultiReplaceCases,
    ::testing::Values(ReplaceCase{"a-b-c", "a|b", "1|2", "1-2-c", "pairs"},
        ReplaceCase{"aXbxc", "x", "_", "a_b_c", "ignores case by default"},
        ReplaceCase{"aXbxc", "x", "_", "aXb_c", "case sensitive", true},
        ReplaceCase{"abc", "a|b|c", "1", "1", "missing to-items delete"},
        ReplaceCase{"abc", "a|b|c", "", "", "empty to-list deletes all"},
        ReplaceCase{"abc", "a|b|c", "9||", "999", "fill from first", false, true},
        ReplaceCase{"abc", "a|b", "b|c", "ccc", "later items see earlier results"},
        ReplaceCase{"a.b.c", "a[fg]b", "x[fg]y", "x.y.c", "other separator", false, false, "[fg]"},
        ReplaceCase{"a.b.c", "a|b", "x|y", "x.y.c", "empty separator means bar", false, false, ""},
        ReplaceCase{"aaaa", "a", "b", "bbaa", "count limits each item", false, false, "|", 2},
        ReplaceCase{"aaaa", "aa", "a", "aa", "no rescan of inserted text"},
        ReplaceCase{"abc", "|b|", "x|y|z", "ayc", "empty from-items are skipped"},
        ReplaceCase{"\xD5\x7C|\xD5\x40@", "\xD5\x7C|@", "X|Y", "X|\xD5\x40Y",
            "no match inside a two-byte character; separator inside a character kept"},
        ReplaceCase{"\xD5\x61"
                    "A",
            "a", "b",
            "\xD5\x61"
            "b",
            "case folding never touches trail bytes"}));

TEST(FindText, StartsOnCharacterBoundaries)
{
    const std::string text = "\xD5\x40@\xD5\x40@";
    EXPECT_EQ(FindText(text, "@"), 2u);
    EXPECT_EQ(FindText(text, "@", 3), 5u);
    EXPECT_EQ(FindText(text, "x"), std::string_view::npos);
    EXPECT_EQ(FindText("AbC", "bc", 0, false), 1u);
}

// Long mixed texts where trail bytes equal the needle's first byte, searched from every kind of start:
// the boundary check may take shortcuts through the markup, but must find what a walk over every
// character from the first byte finds.
TEST(FindText, AgreesWithACharacterWalkOverMixedText)
{
    // Markup bytes, two-byte characters whose trail is "@", "a" or a lead byte, a four-byte character
    // (whose second and fourth bytes are digits), a lead byte left alone before markup, and the needles'
    // letters in both cases.
    const std::vector<std::string> units{"<", " ", "\r\n", "\xD5\x40", "\xD5\x61", "\xD5\xB0", "\xA1\xA1",
        "\x81\x30\x81\x30", "\xB0\xA1", "\x81", "@", "a", "A", "b", "B", "=", "\xE4\x40\xE4"};
    struct Needle {
        std::string text;
        bool caseSensitive;
    };
    const std::vector<Needle> needles{
        {"@", true}, {"a", true}, {"A", false}, {"aB", false}, {"\x81\x30", true}, {"\xB0\xA1", true}};
    std::mt19937 random(20240611);
    for (int round = 0; round < 40; ++round) {
        std::string text;
        const int length = std::uniform_int_distribution<int>(1, 400)(random);
        for (int i = 0; i < length; ++i)
            text += units[std::uniform_int_distribution<size_t>(0, units.size() - 1)(random)];
        std::vector<bool> starts(text.size() + 1, false);
        for (size_t at = 0; at < text.size(); at += CharLength(text, at))
            starts[at] = true;
        const auto matchesAt = [&text](const Needle& needle, size_t at) {
            if (needle.caseSensitive)
                return text.compare(at, needle.text.size(), needle.text) == 0;
            const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c; };
            for (size_t k = 0; k < needle.text.size(); ++k) {
                if (lower(text[at + k]) != lower(needle.text[k]))
                    return false;
            }
            return true;
        };
        for (const Needle& needle : needles) {
            for (size_t from = 0; from <= text.size(); from += 1 + from / 3) {
                size_t expected = std::string_view::npos;
                for (size_t at = from; at + needle.text.size() <= text.size(); ++at) {
                    if (starts[at] && matchesAt(needle, at)) {
                        expected = at;
                        break;
                    }
                }
                ASSERT_EQ(FindText(text, needle.text, from, needle.caseSensitive), expected)
                    << "round " << round << ", needle " << needle.text << ", from " << from;
            }
        }
    }
}

} // namespace
