// The publishing step end to end: quotas, retries, delete-after on shared folders, address files and
// failure records.
#include "run_harness.h"

#include "log/file_name_cleaning.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace kc::run::testing {
namespace {

struct QuotaCase {
    const char* name;
    int siteQuota;
    bool globalOn;
    const char* global;
    int published; // per site, of 5 articles
    int shownQuota; // "设置更新 N 篇"
};

class Quotas : public ::testing::TestWithParam<QuotaCase> { };

TEST_P(Quotas, EndTheSiteOnceReached)
{
    const QuotaCase& c = GetParam();
    RunHarness h;
    h.SetOptions([&](RunOptions& o) {
        o.globalQuotaEnabled = c.globalOn;
        o.globalQuota = c.global;
    });
    for (const char* name : {"a", "b"})
        h.AddSite(h.AddShop(), h.WriteArticles(name, 5, name)).articleQuota = c.siteQuota;
    h.Run();

    const bool usedUp = c.published == 5;
    for (int site : {1, 2}) {
        EXPECT_EQ(h.Received(static_cast<size_t>(site - 1)).size(), static_cast<size_t>(c.published));
        EXPECT_EQ(h.CountOf(site, U("已停止更新，本次成功更新 ") + std::to_string(c.published) + U(" 篇")), 1);
        EXPECT_EQ(h.CountOf(site, U("文章使用完了")), usedUp);
        EXPECT_EQ(h.Messages(site).back(),
            U("实际更新 ") + std::to_string(c.published) + U(" 篇（设置更新 ") + std::to_string(c.shownQuota)
                + U(" 篇，读取文章数 5 篇）"));
    }
}

INSTANTIATE_TEST_SUITE_P(PublishOne, Quotas,
    ::testing::Values(QuotaCase{"SiteQuota", 3, false, "0", 3, 3}, QuotaCase{"NoQuota", 0, false, "0", 5, 5},
        // The global quota replaces the site's own, even a larger one.
        QuotaCase{"GlobalQuota", 4, true, "2", 2, 2},
        // Checked but 0 (or no number): no limit at all, not the site's quota.
        QuotaCase{"GlobalZero", 3, true, "none", 5, 5}),
    [](const auto& info) { return std::string(info.param.name); });

struct RetryCase {
    const char* name;
    bool retry;
    int posts;
};

class RetryOnFailure : public ::testing::TestWithParam<RetryCase> { };

TEST_P(RetryOnFailure, SubmitsAFailingArticleUpToThreeTimes)
{
    RunHarness h;
    h.SetOptions([](RunOptions& o) { o.retryOnFailure = GetParam().retry; });
    h.AddSite(h.AddShop(), h.WriteArticles("a", 1, "alpha")).categoryIds = "999";
    h.Run();

    EXPECT_EQ(h.InsertPosts(0), GetParam().posts);
    EXPECT_EQ(h.CountOf(1, U("更新失败[分类:999]alpha01")), 1);
}

INSTANTIATE_TEST_SUITE_P(PublishOne, RetryOnFailure,
    ::testing::Values(RetryCase{"Checked", true, 3}, RetryCase{"Unchecked", false, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PublishOne, SitesSharingAFolderWithDeleteAfterNeverPublishAFileTwice)
{
    RunHarness h;
    const std::string folder = h.WriteArticles("shared", 15, "s");
    for (int i = 0; i < 3; ++i)
        h.AddSite(h.AddShop(), folder).deleteAfter = true;
    h.Run();

    std::vector<std::string> all;
    for (size_t shop = 0; shop < 3; ++shop) {
        const auto titles = h.Received(shop);
        all.insert(all.end(), titles.begin(), titles.end());
    }
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all.size(), 15u);
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end()) << "a file published twice";
    EXPECT_TRUE(std::filesystem::is_empty(text::NativePath(folder)));
    EXPECT_EQ(h.host.ended.at(0).publishedTotal, 15);
}

// In rounds the failing site's pick is back in the pool before the other site picks: every file reaches
// the shop that accepts it, none is deleted before it was published.
TEST(PublishOne, AFailedFileReturnsToTheSharedPool)
{
    RunHarness h;
    h.SetOptions([](RunOptions& o) {
        o.independent = false;
        o.publishInReadOrder = true;
        o.roundInterval = "0";
    });
    const std::string folder = h.WriteArticles("shared", 4, "s");
    sites::SiteConfig& refused = h.AddSite(h.AddShop(), folder);
    refused.deleteAfter = true;
    refused.categoryIds = "999";
    h.AddSite(h.AddShop(), folder).deleteAfter = true;
    h.Run();

    EXPECT_TRUE(h.Received(0).empty());
    EXPECT_EQ(h.Received(1), (std::vector<std::string>{"s01", "s02", "s03", "s04"}));
    EXPECT_EQ(h.CountStartingWith(1, U("更新失败")), 4);
    EXPECT_TRUE(std::filesystem::is_empty(text::NativePath(folder)));
}

TEST(PublishOne, RecordsAddressesAndFailuresUnderCleanedNames)
{
    RunHarness h;
    ecshop::SandboxShop& good = h.AddShop();
    h.AddSite(good, h.WriteArticles("a", 2, "alpha"));
    const std::filesystem::path badFolder = h.Dir() / "b";
    std::filesystem::create_directories(badFolder);
    test::WriteFileBytes(badFolder / "a:b?c.txt", "A body that the shop refuses.\r\n");
    h.AddSite(h.AddShop(), text::InternalPath(badFolder)).categoryIds = "999";
    h.Run();

    // One address file for the good site, its addresses in publishing order.
    std::vector<std::filesystem::path> addressFiles;
    for (const auto& entry : std::filesystem::directory_iterator(h.Dir() / text::NativePath(U("文章地址"))))
        addressFiles.push_back(entry.path());
    ASSERT_EQ(addressFiles.size(), 1u);
    const std::string cleanedLabel = log::CleanFileName(h.labels[0]);
    EXPECT_TRUE(text::InternalPath(addressFiles[0].filename()).starts_with(cleanedLabel + " "));
    std::string expected;
    for (const ecshop::SandboxArticle& article : good.Articles()) {
        if (article.id > static_cast<int>(h.seeded[0]))
            expected += good.ShopUrl() + "/article.php?id=" + std::to_string(article.id) + "\r\n";
    }
    EXPECT_EQ(test::ReadFileBytes(addressFiles[0]), expected);

    // The refused article: its own record, the last-failure page and the name of the site in the settings.
    const std::filesystem::path record = h.Dir() / text::NativePath(U("更新失败记录"))
        / text::NativePath(log::CleanFileName(h.labels[1]) + U("a：b？c") + ".html");
    const std::string page = test::ReadFileBytes(record);
    EXPECT_NE(page.find(U("没有选择文章分类")), std::string::npos);
    EXPECT_EQ(test::ReadFileBytes(h.Dir() / text::NativePath(U("更新失败.htm"))), page);
    h.store.SelectSection(U("失败信息"));
    EXPECT_EQ(h.store.ReadText(U("更新失败的域名用户")), h.labels[1]);
}

struct RewriteCase {
    const char* name;
    bool serviceWorks;
    bool skipOnFailure;
    const char* received; // what the shop gets as title, "" for nothing
};

class Rewrite : public ::testing::TestWithParam<RewriteCase> { };

TEST_P(Rewrite, SkipsTheArticleOnlyWhenTheServiceFailsAndSkippingIsOn)
{
    const RewriteCase& c = GetParam();
    RunHarness h;
    h.SetOptions([&](RunOptions& o) { o.skipOnRewriteFailure = c.skipOnFailure; });
    h.run->SetRewriter([&](std::string& title, std::string& body, int) {
        if (!c.serviceWorks)
            return false;
        title = "new " + title;
        body = "new " + body;
        return true;
    });
    sites::SiteConfig& site = h.AddSite(h.AddShop(), h.WriteArticles("a", 1, "alpha"));
    site.rewriteType = 1;
    site.deleteAfter = true;
    h.Run();

    const bool skipped = std::string(c.received).empty();
    EXPECT_EQ(h.Received(0), skipped ? std::vector<std::string>{} : std::vector<std::string>{c.received});
    EXPECT_EQ(h.CountOf(1, U("跳过更新：alpha01")), skipped);
    EXPECT_EQ(h.CountStartingWith(1, U("跳过原因：5118智能原创字数超出")), skipped);
    // A skipped file stays where it was: marked for this run, not deleted.
    EXPECT_EQ(std::filesystem::exists(h.Dir() / "a" / "alpha01.txt"), skipped);
}

INSTANTIATE_TEST_SUITE_P(PublishOne, Rewrite,
    ::testing::Values(RewriteCase{"Rewritten", true, true, "new alpha01"},
        RewriteCase{"FailedAndSkipped", false, true, ""},
        // Without the skip the article goes out as it was.
        RewriteCase{"FailedNotSkipped", false, false, "alpha01"}),
    [](const auto& info) { return std::string(info.param.name); });

// Two sites of one shop, one linking goods: the shop links the goods to the next article it adds, so
// an article of the other site must never come in between. Submissions without goods still overlap.
TEST(PublishOne, GoodsLinksStayWithTheirArticleOnASharedShop)
{
    RunHarness h;
    ecshop::SandboxShop& shop = h.AddShop();
    sites::SiteConfig& withGoods = h.AddSite(shop, h.WriteArticles("g", 15, "goods"));
    withGoods.goodsMode = 0;
    withGoods.goodsSource = "3\r\n5";
    withGoods.goodsMin = withGoods.goodsMax = 1;
    h.AddSite(shop, h.WriteArticles("p", 15, "plain"));
    h.AddSite(shop, h.WriteArticles("q", 15, "quiet"));
    h.Run();

    int withLinks = 0;
    for (const ecshop::SandboxArticle& article : shop.Articles()) {
        if (article.id <= static_cast<int>(h.seeded[0]))
            continue;
        if (article.title.starts_with("goods")) {
            EXPECT_EQ(article.linkedGoods.size(), 1u) << article.title;
            ++withLinks;
        } else {
            EXPECT_TRUE(article.linkedGoods.empty()) << article.title << " took another site's goods";
        }
    }
    EXPECT_EQ(withLinks, 15);
    EXPECT_EQ(h.host.ended.at(0).publishedTotal, 45);
}

} // namespace
} // namespace kc::run::testing
