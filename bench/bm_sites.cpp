// Saving and loading a large site group through the settings store, as start-up and the settings save do.
#include "config/config_store.h"
#include "sites/site_list.h"
#include "text/literal.h"
#include "text/native_path.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

using kc::config::ConfigStore;
using kc::config::OpenMode;
using kc::sites::SiteConfig;
using kc::sites::SiteList;

// A folder of its own for one benchmark run, removed with everything in it afterwards.
class BenchFolder {
public:
    BenchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kc-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~BenchFolder()
    {
        std::error_code error;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, error);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;
    std::string Settings() const { return kc::text::InternalPath(m_path / "Kestrune Courier.ini"); }
    bool Ok() const { return !m_path.empty(); }

private:
    std::filesystem::path m_path;
};

// A site as users keep them: Chinese keyword, author and title lists, a Chinese article folder, a category
// tree of a few dozen entries and every option set to something other than its default.
SiteConfig MakeSite(int n)
{
    const std::string number = std::to_string(n);
    SiteConfig site;
    site.enabled = n % 3 != 0;
    site.user = "admin" + number;
    site.password = "Pw#" + number + "x9";
    site.domain = "www.shop" + number + ".example.com";
    site.siteEncoding = n % 2;
    site.adminDir = "admin_" + number;
    site.securityCode = KC_TEXT("安全码") + number;
    site.useHttps = n % 2 == 0;
    site.keywordsSource = KC_TEXT("连衣裙\r\n女装 夏季新款\r\n雪纺衫\r\n半身裙 高腰\r\n牛仔裤\r\n休闲鞋 透气");
    site.keywordsMin = 2;
    site.keywordsMax = 5;
    site.keywordsMode = 1;
    site.goodsSource = "101\r\n102\r\n103\r\n" + number;
    site.goodsMin = 1;
    site.goodsMax = 3;
    site.descMin = 60;
    site.descMax = 120;
    site.authorsSource = KC_TEXT("小编\r\n店长\r\n客服小王");
    site.top = n % 5 == 0;
    site.recommend = true;
    site.featured = n % 7 == 0;
    site.randomAttributes = true;
    site.uploadThumb = true;
    site.extractThumb = true;
    site.localiseImages = n % 2 == 1;
    for (int c = 1; c <= 40; ++c)
        site.categoryData += std::to_string(c) + "|" + std::to_string(c / 8) + "|" + KC_TEXT("分类") + std::to_string(c)
            + KC_TEXT("资讯") + "\r\n";
    site.categoryIds = "3,5,8," + std::to_string(10 + n % 20);
    site.categorySelected = 4;
    site.articleDir = KC_TEXT("D:\\文章库\\女装\\第") + number + KC_TEXT("组");
    site.fileEncoding = 1;
    site.fileFilter = "*.txt|*.htm";
    site.intervalMin = 0.5f;
    site.intervalMax = 3.25f;
    site.articleQuota = 50;
    site.deleteAfter = true;
    site.firstLineTitle = true;
    site.paragraphTags = true;
    site.rewriteType = n % 2;
    site.customTitles = n % 4 == 0;
    site.customTitlesSource = KC_TEXT("夏季连衣裙怎么搭配\r\n显瘦半身裙推荐\r\n牛仔裤选购指南");
    site.customTitlesInOrder = true;
    site.customTitlesDelete = false;
    site.bodyInsert = true;
    site.bodyInsertSource = KC_TEXT("女装\r\n时尚\r\n搭配技巧");
    site.bodyInsertMin = 1;
    site.bodyInsertMax = 4;
    site.bodyInsertChange = true;
    site.bodyInsertFromTags = n % 2 == 0;
    site.tailInsert = true;
    site.tailInsertSource = KC_TEXT("D:\\文章块\\尾部.txt");
    site.tailInsertMin = 1;
    site.tailInsertMax = 2;
    site.tailInsertChange = false;
    site.tailBlocks = true;
    site.blockSeparator = KC_TEXT("分块符");
    site.titleInsert = true;
    site.titleInsertSource = KC_TEXT("官方旗舰店\r\n正品保证");
    site.titleInsertPercent = 30;
    site.titleInsertPlace = 2;
    site.titleInsertSeparator = KC_TEXT("：");
    return site;
}

SiteList MakeList(int count)
{
    SiteList list;
    for (int n = 1; n <= count; ++n)
        list.Append(MakeSite(n));
    list.selectedLine = 0;
    return list;
}

// The settings save of a loaded group after the user changed one site: SaveSites over the sections already in
// the store, then the whole file written out.
void BM_SaveSites(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    BenchFolder folder;
    SiteList list = MakeList(count);
    ConfigStore store;
    if (!folder.Ok() || !store.Open(folder.Settings(), OpenMode::InMemory) || !kc::sites::SaveSites(store, list)
        || !store.Save()) {
        state.SkipWithError("cannot prepare the settings file");
        return;
    }
    int round = 0;
    for (auto _ : state) {
        list.sites[static_cast<size_t>(round++ % count)].articleQuota += 1;
        const bool ok = kc::sites::SaveSites(store, list) && store.Save();
        benchmark::DoNotOptimize(ok);
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SaveSites)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

// The first save of a group into an empty file and folder (an export, or the save after a large import): every
// section and key is new and every category byte file is written.
void BM_SaveSitesNew(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const SiteList list = MakeList(count);
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = std::make_unique<BenchFolder>();
        state.ResumeTiming();
        ConfigStore store;
        const bool ok
            = store.Open(folder->Settings(), OpenMode::InMemory) && kc::sites::SaveSites(store, list) && store.Save();
        benchmark::DoNotOptimize(ok);
        state.PauseTiming();
        folder.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_SaveSitesNew)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

// Start-up: the settings file opened and the whole group loaded into a fresh list.
void BM_LoadSites(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    BenchFolder folder;
    {
        const SiteList list = MakeList(count);
        ConfigStore store;
        if (!folder.Ok() || !store.Open(folder.Settings(), OpenMode::InMemory) || !kc::sites::SaveSites(store, list)
            || !store.Save()) {
            state.SkipWithError("cannot prepare the settings file");
            return;
        }
    }
    for (auto _ : state) {
        ConfigStore store;
        store.Open(folder.Settings(), OpenMode::InMemory);
        SiteList list;
        kc::sites::LoadSites(store, list);
        if (list.Count() != static_cast<size_t>(count))
            state.SkipWithError("the group did not load whole");
        benchmark::DoNotOptimize(list.sites.data());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_LoadSites)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace
