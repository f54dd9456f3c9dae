// Tests of the run-wide shared lists: the list-file cache, the custom-title groups, the article groups.
#include "articles/run_context.h"

#include "articles_test_support.h"
#include "sites/site_config.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>

namespace {

using namespace kc::articles;
using kc::articles::test::G;
using kc::articles::test::Gs;
using kc::articles::test::PathOf;
using kc::sites::SiteConfig;

// The source field, own lines and cache index of each list, to check LoadListSource on all six alike.
struct ListView {
    ListSource which;
    std::string SiteConfig::*source;
    std::vector<std::string> SiteConfig::*lines;
    int32_t SiteConfig::*count;
    int32_t SiteConfig::*cache;
};

const ListView kLists[] = {
    {ListSource::kKeywords, &SiteConfig::keywordsSource, &SiteConfig::keywords, &SiteConfig::keywordsCount,
        &SiteConfig::keywordsCache},
    {ListSource::kGoods, &SiteConfig::goodsSource, &SiteConfig::goods, &SiteConfig::goodsCount,
        &SiteConfig::goodsCache},
    {ListSource::kAuthors, &SiteConfig::authorsSource, &SiteConfig::authors, &SiteConfig::authorsCount,
        &SiteConfig::authorsCache},
    {ListSource::kBodyKeywords, &SiteConfig::bodyInsertSource, &SiteConfig::bodyInsertWords,
        &SiteConfig::bodyInsertCount, &SiteConfig::bodyInsertCache},
    {ListSource::kTailKeywords, &SiteConfig::tailInsertSource, &SiteConfig::tailInsertWords,
        &SiteConfig::tailInsertCount, &SiteConfig::tailInsertCache},
    {ListSource::kTitleKeywords, &SiteConfig::titleInsertSource, &SiteConfig::titleInsertWords,
        &SiteConfig::titleInsertCount, &SiteConfig::titleInsertCache},
};

TEST(LoadListSource, InlineListsAreTheSitesOwn)
{
    for (const auto& list : kLists) {
        RunContext context;
        SiteConfig site;
        site.*list.source = G("甲\r\n\r\n乙");
        context.LoadListSource(site, list.which);
        EXPECT_EQ(site.*list.lines, Gs({"甲", "", "乙"}));
        EXPECT_EQ(site.*list.count, 3);
        EXPECT_EQ(site.*list.cache, 0);
        EXPECT_EQ(context.ListItem(site, list.which, 1), G("甲"));
        EXPECT_EQ(context.ListItem(site, list.which, 2), "");
        EXPECT_EQ(context.ListItem(site, list.which, 4), "");
        EXPECT_EQ(context.ListFileCount(), 0u);
    }
}

TEST(LoadListSource, SitesNamingOneFileShareOneReading)
{
    kc::test::TempDir dir;
    const auto file = dir.File("keywords.txt");
    ASSERT_TRUE(kc::test::WriteFileBytes(file, G("春\r\n夏\r\n秋")));
    for (const auto& list : kLists) {
        RunContext context;
        SiteConfig first, second;
        first.*list.source = second.*list.source = PathOf(file);
        first.*list.lines = {"stale"};
        context.LoadListSource(first, list.which);
        // The second site takes the cached lines: a change of the file in between is not seen in this run.
        ASSERT_TRUE(kc::test::WriteFileBytes(file, G("冬")));
        context.LoadListSource(second, list.which);
        ASSERT_TRUE(kc::test::WriteFileBytes(file, G("春\r\n夏\r\n秋")));

        EXPECT_EQ(context.ListFileCount(), 1u);
        for (const SiteConfig* site : {&first, &second}) {
            EXPECT_EQ(site->*list.cache, 1);
            EXPECT_EQ(site->*list.count, 3);
            EXPECT_TRUE((site->*list.lines).empty());
            EXPECT_EQ(context.ListItem(*site, list.which, 3), G("秋"));
        }
    }
}

TEST(LoadListSource, UnreadableFileIsAnEmptyListAndPathsAreComparedExactly)
{
    kc::test::TempDir dir;
    ASSERT_TRUE(kc::test::WriteFileBytes(dir.File("a.txt"), "x"));
    RunContext context;
    SiteConfig folderSite, fileSite, otherSpelling;
    folderSite.keywordsSource = PathOf(dir.Path());
    fileSite.keywordsSource = PathOf(dir.File("a.txt"));
    otherSpelling.keywordsSource = PathOf(dir.Path()) + "/./a.txt";
    context.LoadListSource(folderSite, ListSource::kKeywords);
    context.LoadListSource(fileSite, ListSource::kKeywords);
    context.LoadListSource(otherSpelling, ListSource::kKeywords);
    EXPECT_EQ(folderSite.keywordsCount, 0);
    EXPECT_EQ(folderSite.keywordsCache, 1);
    EXPECT_EQ(fileSite.keywordsCache, 2);
    EXPECT_EQ(otherSpelling.keywordsCache, 3);
    EXPECT_EQ(context.ListItem(otherSpelling, ListSource::kKeywords, 1), "x");
}

TEST(DrawListItem, EveryLineOnceBeforeAnyRepeats)
{
    RunContext context;
    SiteConfig site;
    site.goodsSource = "1\r\n2\r\n3\r\n4\r\n5";
    site.goodsBag.Seed(11);
    context.LoadListSource(site, ListSource::kGoods);
    for (int round = 0; round < 3; ++round) {
        std::map<std::string, int> seen;
        for (int k = 0; k < 5; ++k)
            ++seen[context.DrawListItem(site, ListSource::kGoods)];
        EXPECT_EQ(seen, (std::map<std::string, int>{{"1", 1}, {"2", 1}, {"3", 1}, {"4", 1}, {"5", 1}}));
    }
    SiteConfig empty;
    EXPECT_EQ(context.DrawListItem(empty, ListSource::kGoods), "");
}

TEST(LoadListSource, ResetsABagLeftFromALongerList)
{
    RunContext context;
    SiteConfig site;
    site.authorsSource = "a\r\nb\r\nc\r\nd";
    context.LoadListSource(site, ListSource::kAuthors);
    context.DrawListItem(site, ListSource::kAuthors);
    site.authorsSource = "only";
    context.LoadListSource(site, ListSource::kAuthors);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(context.DrawListItem(site, ListSource::kAuthors), "only");
}

TEST(CustomTitleGroups, InlineListsApartFilesShared)
{
    kc::test::TempDir dir;
    ASSERT_TRUE(kc::test::WriteFileBytes(dir.File("titles.txt"), G("标题一\r\n标题二\r\n")));
    RunContext context;
    SiteConfig inlineA, inlineB, fileA, fileB;
    inlineA.customTitlesSource = inlineB.customTitlesSource = G("甲\r\n乙\r\n丙");
    fileA.customTitlesSource = fileB.customTitlesSource = PathOf(dir.File("titles.txt"));
    inlineA.customTitleCursor = 7;
    for (SiteConfig* site : {&inlineA, &inlineB, &fileA, &fileB})
        context.PrepareCustomTitles(*site);

    EXPECT_EQ(context.TitleGroupCount(), 3u);
    EXPECT_EQ(inlineA.titleGroup, 1);
    EXPECT_EQ(inlineB.titleGroup, 2);
    EXPECT_EQ(fileA.titleGroup, 3);
    EXPECT_EQ(fileB.titleGroup, 3);
    EXPECT_EQ(inlineA.customTitlesCount, 3);
    EXPECT_EQ(inlineA.customTitleCursor, 0);
    EXPECT_EQ(fileB.customTitlesCount, 2);
    EXPECT_EQ(context.TitleGroupLines(3), Gs({"标题一", "标题二"}));

    // A title marked through one site of a shared group is marked for the other; inline groups stay apart.
    ASSERT_TRUE(context.SetTitleLine(3, 1, "{#}" + G("标题一")));
    ASSERT_TRUE(context.SetTitleLine(1, 2, "{#}" + G("乙")));
    EXPECT_EQ(context.UnusedCustomTitles(fileB), G("标题二"));
    EXPECT_EQ(context.UnusedCustomTitles(inlineA), G("甲\r\n丙"));
    EXPECT_EQ(context.UnusedCustomTitles(inlineB), G("甲\r\n乙\r\n丙"));
    EXPECT_FALSE(context.SetTitleLine(3, 3, "x"));
    EXPECT_FALSE(context.SetTitleLine(4, 1, "x"));
    EXPECT_EQ(context.TitleLine(3, 0), "");
}

TEST(ArticleGroups, ReferencesAndEmptyingAtTheLastLeave)
{
    RunContext context;
    const int32_t group = context.AddArticleGroup("/a");
    context.FillArticleGroup(group, {"/a/1.txt", "/a/2.txt"});
    EXPECT_EQ(context.JoinArticleGroup(group), 2);
    EXPECT_EQ(context.ArticleGroupAt(group).references, 2);
    EXPECT_EQ(context.FindArticleGroup("/a"), group);
    EXPECT_EQ(context.FindArticleGroup("/a/"), 0);

    ASSERT_TRUE(context.SetArticleUsed(group, 2, true));
    EXPECT_EQ(context.UnusedArticleEntry(group, 1), "/a/1.txt");
    EXPECT_EQ(context.UnusedArticleEntry(group, 2), "");
    EXPECT_FALSE(context.SetArticleUsed(group, 3, true));

    SiteConfig site;
    site.articleGroup = group;
    context.LeaveArticleGroup(site);
    EXPECT_EQ(context.ArticleGroupSize(group), 2);
    context.LeaveArticleGroup(site);
    EXPECT_EQ(context.ArticleGroupSize(group), 0);
    EXPECT_EQ(context.ArticleGroupAt(group).references, 0);
    // Leaving once more keeps the count at 0; the group itself stays for a later site of the folder.
    context.LeaveArticleGroup(site);
    EXPECT_EQ(context.ArticleGroupAt(group).references, 0);
    EXPECT_EQ(context.ArticleGroupCount(), 1u);

    context.Clear();
    EXPECT_EQ(context.ArticleGroupCount(), 0u);
    context.LeaveArticleGroup(site);
}

TEST(RunContext, StopFlagAndGuardHeldAcrossCalls)
{
    std::atomic<bool> stop = false;
    RunContext context(&stop);
    EXPECT_FALSE(context.StopRequested());
    stop = true;
    EXPECT_TRUE(context.StopRequested());
    EXPECT_FALSE(RunContext().StopRequested());

    // While one thread holds the guard, another thread's call waits for it.
    const int32_t group = context.AddArticleGroup("/a");
    std::atomic<bool> joined = false;
    std::thread other;
    {
        const auto guard = context.Lock();
        context.FillArticleGroup(group, {"/a/1.txt"}); // the lock is recursive: calls inside a guard go on
        other = std::thread([&] {
            context.JoinArticleGroup(group);
            joined = true;
        });
        std::this_thread::yield();
        EXPECT_FALSE(joined.load());
        EXPECT_EQ(context.ArticleGroupAt(group).references, 1);
    }
    other.join();
    EXPECT_TRUE(joined.load());
    EXPECT_EQ(context.ArticleGroupAt(group).references, 2);
}

} // namespace
