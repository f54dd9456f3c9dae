// Tests of keyword insertion: word placing (positions, English words, tags) and the body, tail and title steps.
#include "articles/keyword_insertion.h"

#include "articles/run_context.h"
#include "articles_test_support.h"
#include "sites/site_config.h"
#include "text/char_helpers.h"
#include "text/markers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

using namespace kc::articles;
using kc::articles::test::G;
using kc::articles::test::Gs;
using kc::articles::test::PathOf;
using kc::sites::SiteConfig;

// With as many insertions as characters every position is drawn once, so the result no longer depends on the
// draws: each case shows exactly where every position ends up.
struct EveryPositionCase {
    const char* name;
    std::string text; // UTF-8
    bool protectTags;
    std::string expected; // UTF-8, with the word "K"
};

class InsertWordsEveryPosition : public testing::TestWithParam<EveryPositionCase> { };

TEST_P(InsertWordsEveryPosition, MovesEachPositionWhereItBelongs)
{
    const auto& c = GetParam();
    const std::string text = G(c.text);
    const int characters = kc::text::CharCount(text, 1);
    for (uint32_t seed : {1u, 2u, 3u}) {
        std::mt19937 random(seed);
        EXPECT_EQ(InsertWords(text, {}, "K", characters, c.protectTags, random), G(c.expected)) << "seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, InsertWordsEveryPosition,
    testing::Values(
        // A CR LF is one character and a four-byte character is never cut.
        EveryPositionCase{"AfterEveryCharacter", "中\r\n𠀀文", true, "中K\r\nK𠀀K文K"},
        // Inside a tag a position goes to the nearer edge, to the end on a tie; "<" itself is inside, ">" is not.
        EveryPositionCase{"TagEdges", "中<1234567>文", true, "中KKKKK<1234567>KKKKK文K"},
        EveryPositionCase{"TagsUnprotected", "中<12>文", false, "中K<K1K2K>K文K"},
        // Inside or after an English word a position goes to the nearer space (the later one on a tie) and the
        // word takes a space.
        EveryPositionCase{"EnglishWord", "hello world", true, "hello K K K K K K K K K K K world"},
        EveryPositionCase{"NearerSpaceLaterOnATie", "a bcd e", true, "a K K K bcd K K K K e"},
        EveryPositionCase{"UpperCaseIsEnglishToo", "AB CD", true, "AB K K K K K CD"},
        EveryPositionCase{"EnglishWithoutAnySpaceKeepsItsPosition", "ab", true, "aK bK "},
        // A space found inside a tag moves out of it again, without the space.
        EveryPositionCase{"EnglishInsideATag", "中<a b>文", true, "中KK<a b>KKKK文K"},
        EveryPositionCase{"EnglishInsideAnUnprotectedTag", "中<a b>文", false, "中K<Ka K K K b>K文K"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InsertWords, DistinctPositionsInOrderNeverInsideACharacter)
{
    const std::string text = G("春眠不觉晓处处闻啼鸟夜");
    const std::vector<std::string> words{"[1]", "[2]", "[3]"};
    std::set<std::string> results;
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        std::mt19937 random(seed);
        const std::string result = InsertWords(text, words, "ignored", 9, true, random);
        results.insert(result);
        // Each word once; taking them out gives the text back, so no character was cut.
        std::string rest = result;
        for (const auto& word : words) {
            const size_t at = rest.find(word);
            ASSERT_NE(at, std::string::npos) << result;
            rest.erase(at, word.size());
            ASSERT_EQ(rest.find(word), std::string::npos) << result;
        }
        ASSERT_EQ(rest, text);
        // Distinct positions: two words never meet, and none goes before the first character.
        ASSERT_EQ(result.find("]["), std::string::npos) << result;
        ASSERT_NE(result.front(), '[');
    }
    EXPECT_GT(results.size(), 50u);
}

TEST(InsertWords, CountsOfInsertions)
{
    std::mt19937 random(1);
    const struct {
        std::vector<std::string> words;
        std::string word;
        int times;
        size_t expected;
    } cases[] = {
        {{}, "K", 0, 1},
        {{}, "K", -2, 1},
        {{}, "K", 3, 3},
        {{"K", "K"}, "X", 5, 2},
        // More insertions than characters: the positions repeat, every word still goes in.
        {{}, "K", 7, 7},
    };
    for (const auto& c : cases) {
        const std::string result = InsertWords(G("中文"), c.words, c.word, c.times, true, random);
        EXPECT_EQ(static_cast<size_t>(std::count(result.begin(), result.end(), 'K')), c.expected) << c.times;
        EXPECT_EQ(result.find('X'), std::string::npos);
    }
    EXPECT_EQ(InsertWords("", {}, "K", 3, true, random), "");
    EXPECT_EQ(InsertWords(G("中文"), {}, "", 3, true, random), G("中文"));
}

// A site whose lists are inline texts, loaded as the preparation does.
struct InsertFixture {
    SiteConfig site;
    RunContext context;
    std::mt19937 random{5};

    void Load()
    {
        context.LoadListSource(site, ListSource::kBodyKeywords);
        context.LoadListSource(site, ListSource::kTailKeywords);
        context.LoadListSource(site, ListSource::kTitleKeywords);
    }
};

TEST(InsertKeywords, BodyKeywords)
{
    const std::string body = G("第一段正文内容很长很长很长很长");
    const struct {
        const char* name;
        bool bodyInsert;
        std::string list;
        bool change;
        int low, high;
        std::string tagKeywords;
        std::multiset<std::string> inserted;
    } cases[] = {
        {"TagKeywordsEachOnce", true, "", false, 3, 3, G("甲,乙"), {G("甲"), G("乙")}},
        {"TagKeywordsBeforeTheList", true, G("丙"), false, 3, 3, G("甲"), {G("甲")}},
        {"SameKeywordNTimes", true, G("丙"), false, 3, 3, "", {G("丙"), G("丙"), G("丙")}},
        {"NewKeywordEachTime", true, G("丙\r\n丁\r\n戊"), true, 3, 3, "", {G("丙"), G("丁"), G("戊")}},
        {"CountZeroInsertsNothing", true, G("丙"), true, 0, 0, "", {}},
        {"EmptyListInsertsNothing", true, "", false, 3, 3, "", {}},
        {"Off", false, G("丙"), false, 3, 3, G("甲"), {}},
    };
    for (const auto& c : cases) {
        InsertFixture f;
        f.site.bodyInsert = c.bodyInsert;
        f.site.bodyInsertSource = c.list;
        f.site.bodyInsertChange = c.change;
        f.site.bodyInsertMin = c.low;
        f.site.bodyInsertMax = c.high;
        f.Load();
        std::string title = "T";
        std::string result = body;
        InsertKeywords(f.context, f.site, title, result, c.tagKeywords, f.random);
        // The inserted keywords are the characters that were not in the body.
        std::multiset<std::string> inserted;
        for (const std::string& candidate : {G("甲"), G("乙"), G("丙"), G("丁"), G("戊")})
            for (size_t at = kc::text::FindText(result, candidate); at != std::string::npos;
                 at = kc::text::FindText(result, candidate, at + 1))
                inserted.insert(candidate);
        EXPECT_EQ(inserted, c.inserted) << c.name;
        EXPECT_EQ(result.size(), body.size() + 2 * c.inserted.size()) << c.name;
        EXPECT_EQ(title, "T") << c.name;
    }
}

TEST(InsertKeywords, Tail)
{
    const struct {
        const char* name;
        std::string list;
        bool change;
        int low, high;
        std::set<std::string> expected; // the possible tails
    } cases[] = {
        {"OneItemRepeated", "X", false, 3, 3, {"<br>X X X "}},
        {"NewItemEachTime", "a\r\nb", true, 2, 2, {"<br>a b ", "<br>b a "}},
        {"CountZeroStillBreaks", "X", true, 0, 0, {"<br>"}},
        {"EmptyListNothing", "", false, 3, 3, {""}},
    };
    for (const auto& c : cases) {
        InsertFixture f;
        f.site.tailInsert = true;
        f.site.tailInsertSource = c.list;
        f.site.tailInsertChange = c.change;
        f.site.tailInsertMin = c.low;
        f.site.tailInsertMax = c.high;
        f.Load();
        std::string title = "T";
        std::string body = "B";
        InsertKeywords(f.context, f.site, title, body, {}, f.random);
        EXPECT_TRUE(c.expected.count(body.substr(1))) << c.name << ": " << body;
    }
}

TEST(InsertKeywords, TitlePlacesAndChance)
{
    const struct {
        const char* name;
        int place;
        int percent;
        std::string expected; // UTF-8; empty: K somewhere inside
    } cases[] = {
        {"Before", kTitleBefore, 100, "K：标题"},
        {"After", kTitleAfter, 100, "标题：K"},
        {"Never", kTitleAfter, 0, "标题"},
        {"UnknownPlace", 9, 100, "标题"},
        {"Random", kTitleRandom, 100, ""},
    };
    for (const auto& c : cases) {
        for (int trial = 0; trial < 20; ++trial) {
            InsertFixture f;
            f.random.seed(static_cast<uint32_t>(trial));
            f.site.titleInsert = true;
            f.site.titleInsertSource = "K";
            f.site.titleInsertPlace = c.place;
            f.site.titleInsertPercent = c.percent;
            f.site.titleInsertSeparator = G("：");
            f.Load();
            std::string title = G("标题");
            std::string body = "B";
            InsertKeywords(f.context, f.site, title, body, {}, f.random);
            if (c.expected.empty()) {
                EXPECT_TRUE(title == G("标K题") || title == G("标题K")) << c.name;
            } else {
                EXPECT_EQ(title, G(c.expected)) << c.name;
            }
            EXPECT_EQ(body, "B");
        }
    }
}

TEST(InsertKeywords, ListsFromSharedFilesAndAChanceBetween)
{
    kc::test::TempDir dir;
    ASSERT_TRUE(kc::test::WriteFileBytes(dir.File("title.txt"), "K1\r\nK2"));
    InsertFixture f;
    f.site.titleInsert = true;
    f.site.titleInsertSource = PathOf(dir.File("title.txt"));
    f.site.titleInsertPlace = kTitleAfter;
    f.site.titleInsertPercent = 50;
    f.Load();
    ASSERT_EQ(f.site.titleInsertCache, 1);
    int inserted = 0;
    std::set<std::string> titles;
    for (int k = 0; k < 200; ++k) {
        std::string title = "T";
        std::string body;
        InsertKeywords(f.context, f.site, title, body, {}, f.random);
        titles.insert(title);
        inserted += title != "T";
    }
    EXPECT_EQ(titles, (std::set<std::string>{"T", "TK1", "TK2"}));
    // Seeded: about half of the titles get a keyword.
    EXPECT_GT(inserted, 60);
    EXPECT_LT(inserted, 140);
}

} // namespace
