// Tests of the composition steps: category, custom titles, keywords in four modes, goods and author.
#include "articles/article_composer.h"

#include "articles/run_context.h"
#include "articles_test_support.h"
#include "services/keyword_extractor.h"
#include "sites/site_config.h"
#include "text/markers.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <thread>

namespace {

using namespace kc::articles;
using kc::articles::test::CapturedLog;
using kc::articles::test::G;
using kc::articles::test::Gs;
using kc::articles::test::PathOf;
using kc::sites::SiteConfig;

std::vector<std::string> SplitComma(const std::string& text)
{
    std::vector<std::string> items;
    if (text.empty())
        return items;
    size_t start = 0;
    for (size_t comma = text.find(','); comma != std::string::npos; comma = text.find(',', start)) {
        items.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    items.push_back(text.substr(start));
    return items;
}

// Composers made without a seed, one per site of a run, must not all make the same choices.
TEST(ArticleComposer, UnseededComposersDrawApart)
{
    RunContext context;
    std::set<std::vector<uint32_t>> sequences;
    for (int k = 0; k < 8; ++k) {
        ArticleComposer composer(context, nullptr);
        std::vector<uint32_t> drawn;
        for (int i = 0; i < 4; ++i)
            drawn.push_back(composer.Random()());
        sequences.insert(drawn);
    }
    EXPECT_EQ(sequences.size(), 8u);
}

TEST(ChooseCategory, MarkerElseDrawnFromTheListElseNone)
{
    RunContext context;
    ArticleComposer composer(context, nullptr, 1);
    SiteConfig site;
    site.categoryIdList = {3, 5, 9};
    site.categoryIdCount = 3;
    site.categoryBag.Seed(2);

    Article marked;
    marked.categoryMarker = true;
    marked.categoryId = 12;
    composer.ChooseCategory(site, marked);
    EXPECT_EQ(site.categoryId, 12);

    std::multiset<int32_t> drawn;
    for (int k = 0; k < 6; ++k) {
        Article article;
        composer.ChooseCategory(site, article);
        EXPECT_EQ(article.categoryId, site.categoryId);
        drawn.insert(site.categoryId);
    }
    EXPECT_EQ(drawn, (std::multiset<int32_t>{3, 3, 5, 5, 9, 9}));

    SiteConfig none;
    none.categoryId = 4;
    Article article;
    composer.ChooseCategory(none, article);
    EXPECT_EQ(none.categoryId, 0);

    // A count beyond the list gives no category instead of reading past it.
    SiteConfig tooMany;
    tooMany.categoryIdList = {7};
    tooMany.categoryIdCount = 50;
    for (int k = 0; k < 50; ++k) {
        composer.ChooseCategory(tooMany, article);
        EXPECT_TRUE(tooMany.categoryId == 7 || tooMany.categoryId == 0);
    }
}

// A run context with a log and sites whose custom titles come from a list.
struct TitleFixture {
    TitleFixture()
        : context(&stop, log.Log())
        , composer(context, nullptr, 3)
    {
    }
    SiteConfig Site(const std::string& source, bool inOrder, bool deleteUsed, uint32_t seed = 1)
    {
        SiteConfig site;
        site.customTitles = true;
        site.customTitlesSource = source;
        site.customTitlesInOrder = inOrder;
        site.customTitlesDelete = deleteUsed;
        site.customTitlesBag.Seed(seed);
        context.PrepareCustomTitles(site);
        return site;
    }
    std::vector<std::string> TakeAll(SiteConfig& site, int number)
    {
        std::vector<std::string> titles;
        Article article;
        while (composer.ChooseCustomTitle(site, number, article)) {
            EXPECT_EQ(article.title, article.customTitle);
            titles.push_back(article.title);
        }
        return titles;
    }

    std::atomic<bool> stop = false;
    CapturedLog log;
    RunContext context;
    ArticleComposer composer;
};

TEST(ChooseCustomTitle, InOrderWithoutDeletionEndsAfterAsManyAsThereAreTitles)
{
    TitleFixture f;
    SiteConfig site = f.Site(G("一\r\n二\r\n三"), true, false);
    EXPECT_EQ(f.TakeAll(site, 1), Gs({"一", "二", "三"}));
    EXPECT_EQ(f.log.Messages("1"), std::vector<std::string>{G("自定义标题使用完了")});
    EXPECT_EQ(f.context.UnusedCustomTitles(site), G("一\r\n二\r\n三"));
}

TEST(ChooseCustomTitle, AtRandomEachTitleOnce)
{
    TitleFixture f;
    std::string source;
    for (int k = 1; k <= 30; ++k)
        source += std::to_string(k) + "\r\n";
    SiteConfig site = f.Site(source, false, true);
    const auto titles = f.TakeAll(site, 1);
    EXPECT_EQ(titles.size(), 30u);
    EXPECT_EQ(std::set<std::string>(titles.begin(), titles.end()).size(), 30u);
    EXPECT_EQ(f.context.UnusedCustomTitles(site), "");
}

TEST(ChooseCustomTitle, EmptyListEndsAtOnceAndOffLeavesTheTitle)
{
    TitleFixture f;
    SiteConfig site = f.Site("", true, true);
    Article article;
    article.title = "file";
    EXPECT_FALSE(f.composer.ChooseCustomTitle(site, 2, article));
    EXPECT_EQ(f.log.Messages("2"), std::vector<std::string>{G("自定义标题使用完了")});

    SiteConfig off = f.Site("x", true, true);
    off.customTitles = false;
    EXPECT_TRUE(f.composer.ChooseCustomTitle(off, 3, article));
    EXPECT_EQ(article.title, "file");
    EXPECT_EQ(off.customTitleCursor, 0);
}

TEST(ChooseCustomTitle, StopEndsWithoutTheUsedUpLine)
{
    TitleFixture f;
    SiteConfig site = f.Site("a\r\nb", true, true);
    Article article;
    f.stop = true;
    EXPECT_FALSE(f.composer.ChooseCustomTitle(site, 1, article));
    f.stop = false;
    site.stopRequested = true;
    EXPECT_FALSE(f.composer.ChooseCustomTitle(site, 1, article));
    EXPECT_TRUE(f.log.Messages("1").empty());
}

TEST(ChooseCustomTitle, SitesSharingAFileNeverTakeTheSameTitleAndReleasedTitlesReturn)
{
    kc::test::TempDir dir;
    std::string lines;
    for (int k = 1; k <= 200; ++k)
        lines += "t" + std::to_string(k) + "\r\n";
    ASSERT_TRUE(kc::test::WriteFileBytes(dir.File("titles.txt"), lines));
    TitleFixture f;
    std::vector<SiteConfig> sites;
    for (uint32_t k = 0; k < 4; ++k)
        sites.push_back(f.Site(PathOf(dir.File("titles.txt")), k % 2 == 0, true, k));
    ASSERT_EQ(f.context.TitleGroupCount(), 1u);

    std::vector<std::vector<std::string>> taken(sites.size());
    std::vector<std::thread> threads;
    for (size_t k = 0; k < sites.size(); ++k) {
        threads.emplace_back([&, k] {
            ArticleComposer composer(f.context, nullptr, static_cast<uint32_t>(k));
            Article article;
            while (composer.ChooseCustomTitle(sites[k], static_cast<int>(k + 1), article))
                taken[k].push_back(article.title);
        });
    }
    for (auto& thread : threads)
        thread.join();
    std::multiset<std::string> all;
    for (const auto& list : taken)
        all.insert(list.begin(), list.end());
    EXPECT_EQ(all.size(), 200u);
    EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), 200u) << "a title was taken twice";

    // A failed submission puts its title back, for the write-back and for other sites.
    SiteConfig later = f.Site(PathOf(dir.File("titles.txt")), true, true);
    Article article;
    article.customTitle = "t7";
    article.customTitlePick = 7;
    f.composer.ReleaseCustomTitle(later, article);
    EXPECT_EQ(f.context.UnusedCustomTitles(later), "t7");
    EXPECT_EQ(f.TakeAll(later, 9), std::vector<std::string>{"t7"});

    // Without deletion nothing is marked, so there is nothing to put back.
    later.customTitlesDelete = false;
    f.composer.ReleaseCustomTitle(later, article);
    EXPECT_EQ(f.context.TitleLine(1, 7), "{#}t7");
}

TEST(ChooseCustomTitle, TitlesMarkedInTheListAreSkipped)
{
    TitleFixture f;
    SiteConfig site = f.Site("{#}a\r\nb\r\n{#}c", true, false);
    EXPECT_EQ(f.TakeAll(site, 1), std::vector<std::string>{"b"});
}

// A site with an inline keyword list and its keyword settings.
SiteConfig KeywordSite(RunContext& context, const std::string& list, int mode, int low, int high)
{
    SiteConfig site;
    site.keywordsSource = list;
    site.keywordsMode = mode;
    site.keywordsMin = low;
    site.keywordsMax = high;
    site.keywordsBag.Seed(4);
    context.LoadListSource(site, ListSource::kKeywords);
    return site;
}

TEST(ChooseKeywords, FromTheListWithinTheBoundsEveryLineBeforeRepeats)
{
    struct RangeCase {
        int low;
        int high;
        int expectedLow;
        int expectedHigh;
    };
    const RangeCase cases[] = {{2, 5, 2, 5}, {5, 2, 2, 5}, {-3, 2, 0, 2}, {0, 0, 0, 0}, {3, 3, 3, 3}};
    for (const auto& c : cases) {
        RunContext context;
        ArticleComposer composer(context, nullptr, 8);
        SiteConfig site = KeywordSite(context, "a\r\nb\r\nc", kKeywordsFromList, c.low, c.high);
        std::set<size_t> counts;
        std::vector<std::string> sequence;
        for (int k = 0; k < 60; ++k) {
            composer.ChooseKeywords(site, Article{});
            const auto items = SplitComma(site.keywordsChosen);
            ASSERT_GE(static_cast<int>(items.size()), c.expectedLow) << c.low << ".." << c.high;
            ASSERT_LE(static_cast<int>(items.size()), c.expectedHigh) << c.low << ".." << c.high;
            counts.insert(items.size());
            sequence.insert(sequence.end(), items.begin(), items.end());
        }
        EXPECT_EQ(counts.size(), static_cast<size_t>(c.expectedHigh - c.expectedLow + 1)) << c.low << ".." << c.high;
        // Each run of three draws holds every line once.
        for (size_t start = 0; start + 3 <= sequence.size(); start += 3)
            EXPECT_EQ(std::set<std::string>(
                          sequence.begin() + static_cast<long>(start), sequence.begin() + static_cast<long>(start + 3)),
                (std::set<std::string>{"a", "b", "c"}));
    }
}

TEST(ChooseKeywords, ModesTitleNoneAndEmptyList)
{
    RunContext context;
    ArticleComposer composer(context, nullptr, 8);
    Article article;
    article.title = G("标题,带逗号");
    const struct {
        int mode;
        std::string list;
        std::string expected;
    } cases[] = {
        {kKeywordsFromList, "", ""},
        {kKeywordsTitle, "a\r\nb", G("标题,带逗号")},
        {kKeywordsNone, "a\r\nb", ""},
        {kKeywordsBuiltIn, "a", ""}, // no extractor
        {7, "a", ""},
    };
    for (const auto& c : cases) {
        SiteConfig site = KeywordSite(context, c.list, c.mode, 2, 2);
        site.keywordsChosen = "stale";
        composer.ChooseKeywords(site, article);
        EXPECT_EQ(site.keywordsChosen, c.expected) << c.mode;
    }
}

TEST(ChooseKeywords, BuiltInTakesBodyThenTitleAndFiveWhenTheCountIsZero)
{
    kc::services::KeywordExtractor extractor;
    extractor.UseWordList(G(" 中国 美国 英国 法国 德国 日本 "));
    RunContext context;
    ArticleComposer composer(context, &extractor, 8);
    Article article;
    article.body = G("<p>中国英国法国德国日本</p>");
    article.title = G("美国");
    const struct {
        int low;
        int high;
        std::string expected;
    } cases[] = {
        // Equal counts rank the later first occurrence first, so the title's word leads: it came last.
        {1, 1, G("美国")},
        {2, 2, G("美国,日本")},
        {0, 0, G("美国,日本,德国,法国,英国")},
        {-4, -1, G("美国,日本,德国,法国,英国")},
    };
    for (const auto& c : cases) {
        SiteConfig site = KeywordSite(context, "", kKeywordsBuiltIn, c.low, c.high);
        composer.ChooseKeywords(site, article);
        EXPECT_EQ(site.keywordsChosen, c.expected) << c.low << ".." << c.high;
    }
}

TEST(ChooseGoods, DrawnWithinTheBoundsUnlessOffOrEmpty)
{
    RunContext context;
    ArticleComposer composer(context, nullptr, 8);
    const struct {
        int mode;
        std::string list;
        size_t expectedCount;
    } cases[] = {{0, "11\r\n12\r\n13", 2}, {kGoodsModeNone, "11\r\n12\r\n13", 0}, {0, "", 0}};
    for (const auto& c : cases) {
        SiteConfig site;
        site.goodsSource = c.list;
        site.goodsMode = c.mode;
        site.goodsMin = site.goodsMax = 2;
        context.LoadListSource(site, ListSource::kGoods);
        site.goodsChosen = "stale";
        composer.ChooseGoods(site);
        const auto ids = SplitComma(site.goodsChosen);
        EXPECT_EQ(ids.size(), c.expectedCount) << c.mode << " " << c.list;
        if (ids.size() == 2) {
            EXPECT_NE(ids[0], ids[1]);
        }
    }
}

TEST(ChooseAuthor, DrawnLineOrAdmin)
{
    RunContext context;
    ArticleComposer composer(context, nullptr, 8);
    const struct {
        std::string list;
        std::set<std::string> expected;
    } cases[] = {{"", {"admin"}}, {G("张三\r\n李四"), {G("张三"), G("李四")}}, {"\r\n", {""}}};
    for (const auto& c : cases) {
        SiteConfig site;
        site.authorsSource = c.list;
        context.LoadListSource(site, ListSource::kAuthors);
        std::set<std::string> seen;
        for (int k = 0; k < 4; ++k) {
            composer.ChooseAuthor(site);
            seen.insert(site.author);
        }
        EXPECT_EQ(seen, c.expected) << c.list;
    }
}

} // namespace
