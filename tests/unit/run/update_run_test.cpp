// The run controller end to end against sandbox shops: both modes, the worker limit, the summary, the stop.
#include "run_harness.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kc::run::testing {
namespace {

std::vector<std::string> Titles(const std::string& prefix, int count)
{
    std::vector<std::string> titles;
    for (int i = 1; i <= count; ++i)
        titles.push_back(prefix + (i < 10 ? "0" : "") + std::to_string(i));
    return titles;
}

std::vector<std::string> Sorted(std::vector<std::string> items)
{
    std::sort(items.begin(), items.end());
    return items;
}

int LinesOf(const std::filesystem::path& file)
{
    const std::string bytes = test::ReadFileBytes(file);
    return static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
}

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        files.push_back(entry.path());
    return files;
}

struct ModeCase {
    const char* name;
    bool independent;
};

class BothModes : public ::testing::TestWithParam<ModeCase> { };

TEST_P(BothModes, PublishEveryArticleAndWriteTheSummary)
{
    RunHarness h;
    h.SetOptions([](RunOptions& o) { o.independent = GetParam().independent; });
    h.AddSite(h.AddShop(), h.WriteArticles("a", 3, "alpha"));
    h.AddSite(h.AddShop(GbkShop()), h.WriteArticles("b", 5, "beta"));
    h.Run();

    EXPECT_EQ(Sorted(h.Received(0)), Titles("alpha", 3));
    EXPECT_EQ(Sorted(h.Received(1)), Titles("beta", 5));
    ASSERT_EQ(h.host.ended.size(), 1u);
    EXPECT_EQ(h.host.ended[0].publishedTotal, 8);
    EXPECT_FALSE(h.host.ended[0].stopped);
    EXPECT_EQ(h.host.started, 1);
    EXPECT_EQ(h.host.settingsSaves, 1);

    const std::vector<std::string> global = h.Messages(0);
    ASSERT_FALSE(global.empty());
    EXPECT_TRUE(global.front().starts_with(U("站群更新开始，当前时间点是：")));
    EXPECT_TRUE(global.back().starts_with(U("总更新了 8 篇文章，更新耗费 "))) << text::ToUtf8(global.back());
    const bool preparationLines = !GetParam().independent;
    EXPECT_EQ(h.CountOf(0, U("正在进行更新前的准备工作(如登录站点、读取待更新文章列表等等)...")), preparationLines);
    EXPECT_EQ(h.CountOf(0, U("更新前的准备工作已就绪")), preparationLines);
    EXPECT_EQ(h.CountOf(0, U("下面是本次更新的站点情况一览表")), 1);
    EXPECT_EQ(h.Messages(1).back(), U("实际更新 3 篇（设置更新 3 篇，读取文章数 3 篇）"));
    EXPECT_EQ(h.Messages(2).back(), U("实际更新 5 篇（设置更新 5 篇，读取文章数 5 篇）"));
    for (int site : {1, 2}) {
        EXPECT_EQ(h.CountOf(site, U("文章使用完了")), 1);
        EXPECT_EQ(h.CountStartingWith(site, U("已停止更新，本次成功更新 ")), 1);
    }

    // The file holds every row; each site's address file one line per article.
    const std::vector<std::filesystem::path> logs = FilesIn(h.Dir() / text::NativePath(U("日志")));
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(LinesOf(logs[0]), static_cast<int>(h.Rows().size()));
    const std::vector<std::filesystem::path> addresses = FilesIn(h.Dir() / text::NativePath(U("文章地址")));
    ASSERT_EQ(addresses.size(), 2u);
    EXPECT_EQ(LinesOf(addresses[0]) + LinesOf(addresses[1]), 8);
    // Every line greyed during the run is enabled again by the summary.
    for (const auto& [site, enabled] : h.host.lineEnabled)
        EXPECT_TRUE(enabled) << site;
}

INSTANTIATE_TEST_SUITE_P(UpdateRun, BothModes,
    ::testing::Values(ModeCase{"Independent", true}, ModeCase{"Synchronous", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UpdateRun, SynchronousRoundsTakeOneArticlePerSiteEachRound)
{
    RunHarness h;
    h.SetOptions([](RunOptions& o) {
        o.independent = false;
        o.roundInterval = "0";
    });
    h.AddSite(h.AddShop(), h.WriteArticles("a", 3, "alpha"));
    h.AddSite(h.AddShop(), h.WriteArticles("b", 5, "beta"));
    h.Run();

    std::vector<int> order;
    for (const Row& row : h.Rows()) {
        if (row.message.starts_with(U("已成功更新 ")))
            order.push_back(row.site);
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2, 1, 2, 1, 2, 2, 2}));
}

struct LimitCase {
    const char* concurrentSites;
    int most; // sites at work at once, at most
};

class WorkerLimit : public ::testing::TestWithParam<LimitCase> { };

// A site is at work from its first line ("开始登录") to its last ("已停止更新…"), which comes before the
// controller may start the next one.
TEST_P(WorkerLimit, NoMoreSitesAtOnceThanAllowed)
{
    RunHarness h;
    h.SetOptions([](RunOptions& o) { o.concurrentSites = GetParam().concurrentSites; });
    for (int i = 0; i < 5; ++i) {
        sites::SiteConfig& site = h.AddSite(h.AddShop(), h.WriteArticles("f" + std::to_string(i), 2, "t"));
        site.intervalMin = 0.01f;
        site.intervalMax = 0.02f;
    }
    h.Run();

    int atWork = 0;
    int most = 0;
    int ended = 0;
    for (const Row& row : h.Rows()) {
        if (row.message == U("开始登录"))
            most = std::max(most, ++atWork);
        else if (row.message.starts_with(U("已停止更新，本次成功更新 "))) {
            --atWork;
            ++ended;
        }
    }
    EXPECT_LE(most, GetParam().most);
    EXPECT_EQ(ended, 5);
    EXPECT_EQ(h.host.ended.at(0).publishedTotal, 10);
}

INSTANTIATE_TEST_SUITE_P(UpdateRun, WorkerLimit,
    ::testing::Values(LimitCase{"2", 2}, LimitCase{"1", 1},
        // No number reads as 0: a new worker starts only when none is at work.
        LimitCase{"0", 1}, LimitCase{"many", 1}));

TEST(UpdateRun, NoEnabledSiteGivesAnEmptySummary)
{
    RunHarness h;
    sites::SiteConfig& site = h.AddSite(h.AddShop(), h.WriteArticles("a", 2, "alpha"));
    site.enabled = false;
    h.sites.lines[0].checked = false;
    h.Run();

    const std::vector<std::string> global = h.Messages(0);
    ASSERT_EQ(global.size(), 4u);
    EXPECT_TRUE(global[1].starts_with(U("站群更新结束，当前时间点是：")));
    EXPECT_EQ(global[3].substr(0, U("总更新了 0 篇文章").size()), U("总更新了 0 篇文章"));
    EXPECT_TRUE(h.Messages(1).empty());
    EXPECT_TRUE(h.Received(0).empty());
    // Greyed for the run, enabled again by the summary.
    EXPECT_EQ(h.host.greyed, std::set<int>{1});
    EXPECT_TRUE(h.host.lineEnabled.at(1));
}

class StopDuringRun : public ::testing::TestWithParam<ModeCase> { };

// The second press arrives the way the window delivers it: from an event processed inside the run's waits.
TEST_P(StopDuringRun, EndsEverySiteWithTheSummary)
{
    RunHarness h;
    h.SetOptions([](RunOptions& o) {
        o.independent = GetParam().independent;
        o.roundInterval = "0.02";
    });
    for (const char* name : {"a", "b"}) {
        sites::SiteConfig& site = h.AddSite(h.AddShop(), h.WriteArticles(name, 12, name));
        site.intervalMin = 0.02f;
        site.intervalMax = 0.03f;
    }
    std::atomic<int> successes{0};
    h.onRow = [&](const Row& row) {
        if (row.message.starts_with(U("已成功更新 ")))
            ++successes;
    };
    bool pressed = false;
    platform::SetEventPump([&] {
        if (!pressed && successes.load() >= 2) {
            pressed = true;
            h.run->ToggleRun(false);
        }
    });
    h.Run();

    ASSERT_TRUE(pressed);
    EXPECT_EQ(h.host.stopping, 1);
    ASSERT_EQ(h.host.ended.size(), 1u);
    EXPECT_TRUE(h.host.ended[0].stopped);
    EXPECT_TRUE(h.run->StopFlag().load());
    EXPECT_FALSE(h.run->IsRunActive());
    EXPECT_GE(h.host.ended[0].publishedTotal, 2);
    EXPECT_LT(h.host.ended[0].publishedTotal, 24);
    for (int site : {1, 2})
        EXPECT_EQ(h.CountStartingWith(site, U("已停止更新，本次成功更新 ")), 1) << site;
    // The stop line follows the start phase only when the stop came during it: always in independent mode,
    // where the phase waits for every worker; never once synchronous rounds have begun.
    int stopLines = 0;
    for (const Row& row : h.Rows())
        stopLines += row.message == U("已强制全部停止更新") ? 1 : 0;
    EXPECT_EQ(stopLines, GetParam().independent ? 1 : 0);
    EXPECT_TRUE(h.Messages(0).back().starts_with(U("总更新了 ")));
}

INSTANTIATE_TEST_SUITE_P(UpdateRun, StopDuringRun,
    ::testing::Values(ModeCase{"Independent", true}, ModeCase{"Synchronous", false}),
    [](const auto& info) { return std::string(info.param.name); });

// The stop button of one site line, pressed while that site's worker publishes: the window thread sets the
// site's flag with no lock in common with the worker, which reads it at its next pick. That site ends
// early; the others publish everything.
TEST(UpdateRun, OneSiteStoppedFromTheWindowEndsAloneInIndependentMode)
{
    RunHarness h;
    sites::SiteConfig& first = h.AddSite(h.AddShop(), h.WriteArticles("a", 40, "alpha"));
    first.intervalMin = 0.01f;
    first.intervalMax = 0.02f;
    h.AddSite(h.AddShop(), h.WriteArticles("b", 4, "beta"));
    std::atomic<int> firstPublished{0};
    h.onRow = [&](const Row& row) {
        if (row.site == 1 && row.message.starts_with(U("已成功更新 ")))
            ++firstPublished;
    };
    bool pressed = false;
    platform::SetEventPump([&] {
        if (!pressed && firstPublished.load() >= 2) {
            pressed = true;
            sites::SetSiteStopRequested(h.sites.sites[0], true);
        }
    });
    h.Run();

    ASSERT_TRUE(pressed);
    const int published = static_cast<int>(h.Received(0).size());
    EXPECT_GE(published, 2);
    EXPECT_LT(published, 40) << "the site went on after its stop";
    EXPECT_EQ(h.CountOf(1, U("已停止更新，本次成功更新 ") + std::to_string(published) + U(" 篇")), 1);
    EXPECT_EQ(Sorted(h.Received(1)), Titles("beta", 4));
    ASSERT_EQ(h.host.ended.size(), 1u);
    EXPECT_FALSE(h.host.ended[0].stopped);
    EXPECT_EQ(h.host.ended[0].publishedTotal, published + 4);
}

TEST(UpdateRun, StopBeforeAnySiteStartsLogsTheStopAtTheNextSite)
{
    RunHarness h;
    h.AddSite(h.AddShop(), h.WriteArticles("a", 2, "alpha"));
    // The first events processed by the run, while it resets the site lines, carry the second press.
    bool pressed = false;
    platform::SetEventPump([&] {
        if (!pressed && h.run->IsRunActive()) {
            pressed = true;
            h.run->ToggleRun(false);
        }
    });
    h.Run();

    EXPECT_TRUE(h.Received(0).empty());
    // The loop stopped at site 1, before starting it: the line names site 1, which never started.
    EXPECT_EQ(h.Messages(1).front(), U("已强制全部停止更新"));
    EXPECT_EQ(h.CountOf(1, U("开始登录")), 0);
    EXPECT_EQ(h.host.ended.at(0).publishedTotal, 0);
}

} // namespace
} // namespace kc::run::testing
