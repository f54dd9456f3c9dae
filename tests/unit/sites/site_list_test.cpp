// Site records in a settings store: section and key layout, defaults, number forms, appending loads.
#include "sites/site_list.h"

#include "config/config_store.h"
#include "text/text_encoding.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using kc::config::ConfigStore;
using kc::config::OpenMode;
using namespace kc::sites;
using kc::test::ReadFileBytes;
using kc::test::TempDir;
using kc::test::WriteFileBytes;

std::string Gbk(const std::string& utf8)
{
    return kc::text::ConvertCharset(utf8, "UTF-8", "GB18030");
}

// The keys of a site section, in the order the file holds them.
const char* const kSiteKeys[] = {"启用", "用户", "密码", "域名", "编码", "目录", "安全码", "HTTPS", "关键词数据",
    "关键词数1", "关键词数2", "关键词方式", "商品ID数据", "商品ID数1", "商品ID数2", "商品ID方式", "描述摘取数1",
    "描述摘取数2", "作者数据", "置顶", "推荐", "精选", "随机属性", "上传缩略图", "提取缩略图", "图片本地化", "分类数据",
    "分类ID", "分类选择项", "文章目录", "文件编码", "文件过滤", "更新数量", "更新间隔1", "更新间隔2", "更新后删除",
    "首行标题", "段落标签", "伪原创类型", "指定标题", "指定标题数据", "指定标题顺序调用", "指定标题删除", "关键词插入",
    "关键词插入数据", "关键词插入次数1", "关键词插入次数2", "关键词插入换词", "关键词与标签同步", "尾部关键词插入",
    "尾部关键词插入数据", "尾部关键词插入次数1", "尾部关键词插入次数2", "尾部关键词插入换词", "尾部调用文章块",
    "尾部分块符", "标题关键词插入", "标题关键词插入数据", "标题关键词插入概率", "标题关键词插入方式",
    "标题关键词插入间隔"};

SiteConfig SampleSite(int n)
{
    SiteConfig site;
    site.enabled = n % 2 == 1;
    site.user = "admin" + std::to_string(n);
    site.password = "pw";
    site.domain = "shop" + std::to_string(n) + ".example";
    site.siteEncoding = 1;
    site.adminDir = "admin";
    site.securityCode = "code";
    site.keywordsSource = Gbk("词一\r\n词二");
    site.keywordsMin = 2;
    site.keywordsMax = 5;
    site.intervalMin = 0.5f;
    site.intervalMax = 0.03f;
    site.categoryData = std::string("\x01\x00tree", 6);
    site.categoryIds = "3,4";
    site.blockSeparator = "\\n";
    site.titleInsertSeparator = "-";
    site.customTitles = true;
    return site;
}

TEST(SiteLayout, SectionsAndKeysInFileOrder)
{
    TempDir dir;
    const auto file = dir.File("sites.ini");
    SiteList list;
    list.Append(SampleSite(1));
    list.Append(SampleSite(2));
    list.selectedLine = 1;
    ConfigStore store;
    store.Open(file.string(), OpenMode::InMemory);
    ASSERT_TRUE(SaveSites(store, list));
    ASSERT_TRUE(store.Save());

    // Expected lines: the group section, then each site's keys in order (the bytes key lives in a file).
    std::string expected = Gbk("[站点配置]\r\n站点数=2\r\n现行项=1");
    for (int n = 1; n <= 2; ++n) {
        expected += Gbk("\r\n[站点序号_" + std::to_string(n) + "]");
        for (const char* key : kSiteKeys)
            if (std::string(key) != "分类数据")
                expected += "\r\n" + Gbk(key) + "=" + store.GetValue(SiteSection(n), Gbk(key), "<missing>");
    }
    EXPECT_EQ(ReadFileBytes(file), expected);
    EXPECT_EQ(store.GetValue(SiteSection(1), Gbk("启用")), Gbk("真"));
    EXPECT_EQ(store.GetValue(SiteSection(2), Gbk("启用")), Gbk("假"));
    EXPECT_EQ(store.GetValue(SiteSection(1), Gbk("关键词数据")), Gbk("词一┊*┊词二"));
    EXPECT_EQ(store.GetValue(SiteSection(1), Gbk("更新间隔2")), "0.03");
    EXPECT_EQ(store.GetValue(SiteSection(1), Gbk("关键词数1")), "2");
    EXPECT_EQ(ReadFileBytes(dir.Path() / "inibin" / "站点序号_2-分类数据.ibn"), std::string("\x01\x00tree", 6));
}

TEST(SiteLayout, SaveAndLoadGiveTheSameSettings)
{
    TempDir dir;
    const auto file = dir.File("sites.ini");
    SiteList saved;
    for (int n = 1; n <= 3; ++n)
        saved.Append(SampleSite(n));
    {
        ConfigStore store;
        store.Open(file.string(), OpenMode::InMemory);
        SaveSites(store, saved);
        store.Save();
    }
    ConfigStore store;
    store.Open(file.string(), OpenMode::InMemory);
    SiteList loaded;
    int changes = 0;
    loaded.onChanged = [&changes] { ++changes; };
    EXPECT_EQ(LoadSites(store, loaded), -1);
    EXPECT_EQ(changes, 1);
    ASSERT_EQ(loaded.Count(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const SiteConfig& a = saved.sites[i];
        const SiteConfig& b = loaded.sites[i];
        EXPECT_EQ(b.enabled, a.enabled);
        EXPECT_EQ(b.user, a.user);
        EXPECT_EQ(b.domain, a.domain);
        EXPECT_EQ(b.siteEncoding, a.siteEncoding);
        EXPECT_EQ(b.adminDir, a.adminDir);
        EXPECT_EQ(b.securityCode, a.securityCode);
        EXPECT_EQ(b.keywordsSource, a.keywordsSource);
        EXPECT_EQ(b.keywordsMax, a.keywordsMax);
        EXPECT_EQ(b.intervalMin, 0.5f);
        EXPECT_EQ(b.intervalMax, 0.03f);
        EXPECT_EQ(b.categoryData, a.categoryData);
        EXPECT_EQ(b.categoryIds, a.categoryIds);
        EXPECT_EQ(b.blockSeparator, a.blockSeparator);
        EXPECT_EQ(b.titleInsertSeparator, a.titleInsertSeparator);
        EXPECT_EQ(b.customTitles, a.customTitles);
        EXPECT_EQ(loaded.lines[i].text, a.domain + "(" + a.user + ")");
        EXPECT_EQ(loaded.lines[i].checked, a.enabled);
    }
    // A second load appends: each line has a record of its own.
    LoadSites(store, loaded);
    ASSERT_EQ(loaded.Count(), 6u);
    loaded.sites[3].user = "changed";
    EXPECT_EQ(loaded.sites[0].user, "admin1");
}

TEST(SiteLayout, MissingKeysTakeTheirDefaults)
{
    ConfigStore store;
    SiteList empty;
    EXPECT_EQ(LoadSites(store, empty), 0); // no site group at all
    EXPECT_EQ(empty.Count(), 0u);

    const std::string text = Gbk("[站点配置]\r\n站点数=2\r\n现行项=0\r\n[站点序号_1]\r\n域名=a.example\r\n目录=\r\n"
                                 "关键词数1=2.9\r\n更新数量=-3.7\r\n更新间隔1=0.5\r\n[站点序号_2]\r\n目录=x");
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File("h.ini"), text));
    store.Open(dir.File("h.ini").string(), OpenMode::InMemory);
    SiteList list;
    EXPECT_EQ(LoadSites(store, list), 0);
    ASSERT_EQ(list.Count(), 2u);
    const SiteConfig& site = list.sites[0];
    EXPECT_EQ(site.adminDir, "dede"); // empty
    EXPECT_EQ(list.sites[1].adminDir, "x");
    EXPECT_EQ(site.securityCode, Gbk("安全码"));
    EXPECT_EQ(site.blockSeparator, Gbk("分块符"));
    EXPECT_EQ(site.titleInsertSeparator, Gbk("："));
    EXPECT_EQ(site.keywordsMin, 2);
    EXPECT_EQ(site.articleQuota, -3);
    EXPECT_EQ(site.intervalMin, 0.5f);
    EXPECT_FALSE(site.enabled);
    EXPECT_EQ(list.lines[0].text, "a.example()");
    SiteConfig absent;
    EXPECT_EQ(SiteLabel(absent), "()");
}

TEST(SiteLayout, ShorterListLeavesLaterSectionsAndForeignLines)
{
    // A hand-written file with a foreign section, a comment line and an unknown key, kept byte for byte.
    const std::string head = Gbk("; kept\r\n[基本配置]\r\n选择框完成关机=真\r\n");
    const std::string tail = Gbk("\r\n[外调接口]\r\nkey=v==x\r\n[站点序号_4]\r\n用户=d\r\n[站点序号_5]\r\n用户=e");
    TempDir dir;
    const auto file = dir.File("f.ini");
    SiteList five;
    for (int n = 1; n <= 5; ++n)
        five.Append(SampleSite(n));
    {
        ConfigStore store;
        store.Open(file.string(), OpenMode::InMemory);
        SaveSites(store, five);
        store.Save();
    }
    const std::string sites = ReadFileBytes(file);
    const std::string firstThree = sites.substr(0, sites.find(Gbk("\r\n[站点序号_4]")));
    ASSERT_TRUE(WriteFileBytes(file, head + firstThree.substr(0) + tail));

    ConfigStore store;
    store.Open(file.string(), OpenMode::InMemory);
    SiteList loaded;
    LoadSites(store, loaded);
    ASSERT_EQ(loaded.Count(), 5u);
    loaded.sites.resize(3);
    loaded.lines.resize(3);
    SaveSites(store, loaded);
    const std::string expected = head + firstThree.substr(0, firstThree.find(Gbk("站点数=5"))) + Gbk("站点数=3")
        + firstThree.substr(firstThree.find(Gbk("站点数=5")) + Gbk("站点数=5").size()) + tail;
    EXPECT_EQ(store.Image(), expected);
    EXPECT_EQ(store.GetValue(SiteSection(5), Gbk("用户")), "e");
}

TEST(SiteLayout, HeldOpenExportWritesTheFileOnce)
{
    TempDir dir;
    const auto file = dir.File("export.ini");
    SiteList list;
    for (int n = 1; n <= 3; ++n)
        list.Append(SampleSite(n));
    ConfigStore store;
    ASSERT_TRUE(store.Open(file.string(), OpenMode::HeldOpen));
    ASSERT_TRUE(SaveSites(store, list));
    EXPECT_EQ(ReadFileBytes(file), store.Image());
    for (int n = 1; n <= 3; ++n)
        EXPECT_TRUE(
            std::filesystem::exists(dir.Path() / "inibin" / ("站点序号_" + std::to_string(n) + "-分类数据.ibn")));
}

TEST(SiteConfigCopy, CopiesOwnDataAndSharesTheSession)
{
    SiteConfig site = SampleSite(1);
    site.keywords = {"a", "b"};
    site.articleBag.Draw(1, 10);
    SiteConfig copy = site;
    copy.keywords.push_back("c");
    copy.user = "other";
    copy.articleBag.Reset();
    EXPECT_EQ(site.keywords.size(), 2u);
    EXPECT_EQ(site.user, "admin1");
    EXPECT_EQ(site.articleBag.Remaining(), 9u);
    EXPECT_EQ(copy.http, site.http);
}

TEST(ShuffleBag, HandsOutEachValueOnceThenRefills)
{
    ShuffleBag bag(42);
    for (int round = 0; round < 3; ++round) {
        std::multiset<int32_t> drawn;
        for (int i = 0; i < 6; ++i)
            drawn.insert(bag.Draw(5, 10));
        EXPECT_EQ(drawn, (std::multiset<int32_t>{5, 6, 7, 8, 9, 10}));
        EXPECT_EQ(bag.Remaining(), 0u);
    }
    // A changed range waits until the pool has run empty.
    bag.Draw(1, 3);
    EXPECT_GE(bag.Draw(100, 200), 1);
    bag.Reset();
    EXPECT_GE(bag.Draw(100, 200), 100);
    // Bounds in either order; one value.
    ShuffleBag reversed(1);
    std::multiset<int32_t> drawn;
    for (int i = 0; i < 3; ++i)
        drawn.insert(reversed.Draw(3, 1));
    EXPECT_EQ(drawn, (std::multiset<int32_t>{1, 2, 3}));
    EXPECT_EQ(reversed.Draw(7, 7), 7);
    // The same seed gives the same order.
    ShuffleBag a(9), b(9);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(a.Draw(0, 50), b.Draw(0, 50));
}

} // namespace
