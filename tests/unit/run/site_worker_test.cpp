// Preparing, re-logging and ending sites: missing settings, failed logins, new logins after ten failures,
// custom titles shared between sites and written back.
#include "run_harness.h"

#include "config/config_store.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace kc::run::testing {
namespace {

struct MissingCase {
    const char* name;
    void (*clear)(sites::SiteConfig&);
};

class MissingSettings : public ::testing::TestWithParam<MissingCase> { };

TEST_P(MissingSettings, SkipTheSiteAndGreyItsLine)
{
    RunHarness h;
    ecshop::SandboxShop& skipped = h.AddShop();
    GetParam().clear(h.AddSite(skipped, h.WriteArticles("a", 2, "alpha")));
    h.AddSite(h.AddShop(), h.WriteArticles("b", 2, "beta"));
    h.Run();

    ASSERT_FALSE(h.Messages(1).empty());
    EXPECT_EQ(h.Messages(1).front(), U("站点配置信息不足，请检查域名、用户名、密码是否正确！将被忽略更新！"));
    EXPECT_EQ(h.CountOf(1, U("开始登录")), 0);
    EXPECT_TRUE(skipped.Requests().empty());
    EXPECT_TRUE(h.host.greyed.count(1));
    EXPECT_EQ(h.Received(1).size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(SiteWorker, MissingSettings,
    ::testing::Values(MissingCase{"Password", [](sites::SiteConfig& s) { s.password.clear(); }},
        MissingCase{"User", [](sites::SiteConfig& s) { s.user.clear(); }},
        MissingCase{"Domain", [](sites::SiteConfig& s) { s.domain.clear(); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SiteWorker, ThreeFailedLoginsSkipTheSiteAndKeepTheAnswer)
{
    RunHarness h;
    ecshop::SandboxShop& shop = h.AddShop();
    h.AddSite(shop, h.WriteArticles("a", 2, "alpha")).password = "wrong";
    h.Run();

    EXPECT_EQ(h.Messages(1),
        (std::vector<std::string>{U("开始登录"), U("登录失败，正在重试.."), U("登录失败，正在重试.."),
            U("登录失败，正在重试.."), U("经过多次重试依然登录失败！将被忽略更新！"),
            U("已停止更新，本次成功更新 0 篇"), U("实际更新 0 篇（设置更新 0 篇，读取文章数 0 篇）")}));
    int signins = 0;
    for (const ecshop::SandboxRequest& request : shop.Requests())
        signins += request.body.find("act=signin") != std::string::npos ? 1 : 0;
    EXPECT_EQ(signins, 3);
    const std::string page = test::ReadFileBytes(h.Dir() / text::NativePath(U("登录失败.htm")));
    EXPECT_NE(page.find(U("您输入的帐号信息不正确")), std::string::npos);
}

struct FailureCase {
    const char* name;
    bool independent;
    int files;
    int failures; // submissions made
    bool secondLogin;
    bool thirdLogin;
    bool usedUp; // "文章使用完了"
};

class TenFailures : public ::testing::TestWithParam<FailureCase> { };

// A category the shop does not have makes every submission fail.
TEST_P(TenFailures, LogInAgainInIndependentModeOnly)
{
    const FailureCase& c = GetParam();
    RunHarness h;
    h.SetOptions([&](RunOptions& o) {
        o.independent = c.independent;
        o.roundInterval = "0";
    });
    h.AddSite(h.AddShop(), h.WriteArticles("a", c.files, "alpha")).categoryIds = "999";
    h.Run();

    EXPECT_EQ(h.InsertPosts(0), c.failures);
    EXPECT_EQ(h.CountStartingWith(1, U("更新失败[分类:999]")), c.failures);
    EXPECT_EQ(h.CountOf(1, U("开始登录(第 2 次尝试)")), c.secondLogin);
    EXPECT_EQ(h.CountOf(1, U("开始登录(第 3 次尝试)")), c.thirdLogin);
    EXPECT_EQ(h.CountOf(1, U("文章使用完了")), c.usedUp);
    EXPECT_EQ(h.CountOf(1, U("开始登录(第 4 次尝试)")), 0);
}

INSTANTIATE_TEST_SUITE_P(SiteWorker, TenFailures,
    ::testing::Values(
        // Three logins of ten failures each; the site ends with one file left.
        FailureCase{"IndependentThirtyOne", true, 31, 30, true, true, false},
        FailureCase{"IndependentTwelve", true, 12, 12, true, false, true},
        FailureCase{"IndependentNine", true, 9, 9, false, false, true},
        // Synchronous rounds only reset the count.
        FailureCase{"SynchronousTwelve", false, 12, 12, false, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

TEST(SiteWorker, CustomTitlesAreSharedAndTheUnusedOnesWrittenBack)
{
    RunHarness h;
    h.SetOptions([](RunOptions& o) { o.concurrentSites = "4"; });
    const std::filesystem::path titleFile = h.Dir() / "titles.txt";
    test::WriteFileBytes(titleFile, "T1\r\nT2\r\nT3\r\nT4\r\nT5\r\n");
    const auto useTitles = [](sites::SiteConfig& site, const std::string& source) {
        site.customTitles = true;
        site.customTitlesDelete = true;
        site.customTitlesSource = source;
    };
    // Sites 1 and 2 name the same file; site 3 has its own inline list; site 4 cannot log in.
    useTitles(h.AddSite(h.AddShop(), h.WriteArticles("a", 2, "alpha")), text::InternalPath(titleFile));
    useTitles(h.AddSite(h.AddShop(), h.WriteArticles("b", 2, "beta")), text::InternalPath(titleFile));
    useTitles(h.AddSite(h.AddShop(), h.WriteArticles("c", 2, "gamma")), "I1\r\nI2\r\nI3");
    sites::SiteConfig& refused = h.AddSite(h.AddShop(), h.WriteArticles("d", 2, "delta"));
    useTitles(refused, "K1\r\nK2");
    refused.password = "wrong";
    h.Run();

    std::vector<std::string> fromFile = h.Received(0);
    const std::vector<std::string> second = h.Received(1);
    fromFile.insert(fromFile.end(), second.begin(), second.end());
    ASSERT_EQ(fromFile.size(), 4u);
    std::sort(fromFile.begin(), fromFile.end());
    EXPECT_EQ(std::adjacent_find(fromFile.begin(), fromFile.end()), fromFile.end()) << "a title used twice";

    // The file keeps the one title nobody used, in its place.
    const std::vector<std::string> left = Lines(test::ReadFileBytes(titleFile));
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(std::count(fromFile.begin(), fromFile.end(), left[0]), 0);

    // The inline list keeps its unused title in the record, the settings key and the host.
    const std::vector<std::string> inlineUsed = h.Received(2);
    ASSERT_EQ(inlineUsed.size(), 2u);
    const std::string inlineLeft = h.sites.sites[2].customTitlesSource;
    EXPECT_EQ(Lines(inlineLeft).size(), 1u);
    EXPECT_EQ(std::count(inlineUsed.begin(), inlineUsed.end(), inlineLeft), 0);
    h.store.SelectSection(sites::SiteSection(3));
    EXPECT_EQ(h.store.ReadText(U("指定标题数据")), inlineLeft);
    EXPECT_EQ(h.host.writtenBack.at(3), inlineLeft);

    // A site that never got to its titles leaves them as they were.
    EXPECT_EQ(h.sites.sites[3].customTitlesSource, "K1\r\nK2");
    EXPECT_EQ(h.host.writtenBack.count(4), 0u);
    EXPECT_EQ(h.host.writtenBack.count(1) + h.host.writtenBack.count(2), 0u) << "file titles are no settings change";
}

} // namespace
} // namespace kc::run::testing
