// The demo command: sandbox shops in this process, a demo run directory with sites and sample articles on
// them, and one update run over it.
#include "app/commands.h"

#include "config/config_store.h"
#include "ecshop/sandbox/sandbox_shop.h"
#ifdef KC_HAVE_GUI
#include "gui/main/gui_app.h"
#endif
#include "platform/run_directory.h"
#include "sites/site_list.h"
#include "text/literal.h"
#include "text/native_path.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <pthread.h>
#include <string>
#include <system_error>
#include <vector>

namespace kc::app {

extern const Command kRunCommand;

namespace {

const char* const kDemoHelp
    = "Usage: kestrune-courier demo [--home DIR] [--fresh] [--serve] [--window]\n\n"
      "Starts three sandbox shops on 127.0.0.1 in this process (a GBK shop, a UTF-8 shop and a UTF-8 shop\n"
      "under a deeper administration directory), creates or reuses a demo run directory with one site on\n"
      "each and a folder of sample articles, runs 'kestrune-courier run' on it, and prints where to look.\n\n"
      "Options:\n"
      "  --home DIR   the demo run directory (default: \"demo\" in the run directory)\n"
      "  --fresh      write the demo settings and sample articles anew\n"
      "  --serve      keep the shops running after the run, until Ctrl-C, to look at them in a browser\n"
      "  --window     open the main window on the demo run directory instead of running at once, the\n"
      "               shops serving until it closes (without a display: the run as without it)\n"
      "  --help       show this help\n";

int Fail(const std::string& message)
{
    std::fprintf(stderr, "kestrune-courier demo: %s\n", message.c_str());
    return 2;
}

std::string Printable(const std::string& internal)
{
    return text::ToUtf8(internal);
}

// ---- sample articles, written for this demo ----

struct SampleArticle {
    const char* folder; // under 文章/
    const char* fileName; // UTF-8
    const char* text; // UTF-8
    bool gbk; // stored as GBK bytes
};

const SampleArticle kSamples[] = {
    {"中文", "春季茶园养护要点.txt",
        "开春以后，茶园里最要紧的是松土和施肥。冬天板结的土壤透气差，茶树根系吸收不到养分，新芽自然长得慢。\r\n"
        "松土宜浅不宜深，十厘米左右即可，避免伤到须根。施肥以有机肥为主，沿着树冠外缘开沟埋下，再覆土压实。\r\n"
        "倒春寒来临前，可以用稻草或遮阳网覆盖茶蓬，减少嫩芽受冻。等气温稳定回升，再及时揭开，让茶树透光通风。\r\n",
        true},
    {"中文", "旧书收藏的小知识.txt",
        "收藏旧书，首先看品相。书脊是否完整、内页有无水渍和虫蛀，都会影响一本书的价值。\r\n"
        "其次看版本。初版初印的书往往更受藏家青睐，版权页上的印次和印数值得留意。\r\n"
        "保存时要防潮、防晒、防虫。书架最好离墙放置，梅雨季节可以放几包干燥剂，每隔一段时间翻动通风。\r\n",
        true},
    {"中文", "家用咖啡机清洁指南.txt",
        "咖啡机用久了，水垢和咖啡油脂会慢慢堆积，味道也会变得发苦发涩。\r\n"
        "每天用完后，取下冲煮手柄，倒掉咖啡渣，用清水冲洗滤碗；蒸汽棒用湿布擦净后空喷几秒。\r\n"
        "每个月做一次除垢：按说明书的比例加入除垢剂，让机器完整走一遍出水流程，再用清水反复冲洗两到三次。\r\n",
        false},
    {"中文", "阳台种菜入门.txt",
        "朝南的阳台光照充足，最适合种叶菜和香草。小白菜、生菜、薄荷、紫苏都容易成活。\r\n"
        "花盆深度二十厘米以上为好，底部垫一层陶粒利于排水，再填入疏松的营养土。\r\n"
        "浇水遵循见干见湿的原则，夏天早晚各看一次；每两周追施一次稀释的液体肥，叶子会长得更加油绿。\r\n",
        false},
    {"english", "Packing a carry-on for a week.txt",
        "A week of travel fits into one carry-on bag when every item earns its place.\r\n"
        "Choose clothes in two or three colours that all combine, roll them instead of folding, and wear the "
        "heaviest shoes on the journey.\r\n"
        "Keep liquids in one clear pouch at the top of the bag, so the security check takes seconds instead of "
        "minutes.\r\n",
        false},
    {"english", "Choosing a reading lamp.htm",
        "<html><head><meta charset=\"utf-8\"><title>Choosing a reading lamp</title></head><body>\r\n"
        "<p>A good reading lamp lights the page, not the room. Look for a head that can be angled and a warm "
        "white light of around 3000 kelvin.</p>\r\n"
        "<p>Place the lamp behind the shoulder opposite your writing hand, so that no shadow falls on the "
        "text.</p>\r\n"
        "<p>Dimmable lamps let the same light serve a long evening of reading and a short look at a map.</p>\r\n"
        "</body></html>\r\n",
        false},
    {"english", "Five habits of tidy workshops.txt",
        "Tidy workshops are not born tidy; they keep a few habits.\r\n"
        "Every tool has one home, marked on the wall or in the drawer. Sweeping happens at the end of each job, "
        "not at the end of the month.\r\n"
        "Offcuts are sorted at once: keep, burn or bin. Consumables are restocked the day the last one is "
        "opened.\r\n",
        false},
};

bool WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}

std::filesystem::path ArticlesFolder(const std::filesystem::path& home, const char* folder)
{
    return home / text::NativePath(KC_TEXT("文章")) / folder;
}

bool WriteSamples(const std::filesystem::path& home)
{
    for (const SampleArticle& sample : kSamples) {
        const std::filesystem::path folder = ArticlesFolder(home, sample.folder);
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        const std::string bytes = sample.gbk ? text::FromUtf8(sample.text) : std::string(sample.text);
        if (!WriteFile(folder / sample.fileName, bytes))
            return false;
    }
    return true;
}

bool SamplesPresent(const std::filesystem::path& home)
{
    for (const SampleArticle& sample : kSamples) {
        std::error_code error;
        if (!std::filesystem::exists(ArticlesFolder(home, sample.folder) / sample.fileName, error))
            return false;
    }
    return true;
}

// ---- the shops and their sites ----

struct DemoShop {
    const char* name;
    ecshop::SandboxEncoding encoding;
    const char* adminDir;
    const char* user;
    const char* password;
    int preferredPort;
    std::unique_ptr<ecshop::SandboxShop> shop;
};

std::string Domain(const ecshop::SandboxShop& shop)
{
    return "127.0.0.1:" + std::to_string(shop.Port());
}

bool StartShop(DemoShop& demo)
{
    for (const int port : {demo.preferredPort, 0}) {
        ecshop::SandboxOptions options;
        options.encoding = demo.encoding;
        options.adminDir = demo.adminDir;
        options.user = demo.user;
        options.password = demo.password;
        options.port = port;
        auto shop = std::make_unique<ecshop::SandboxShop>(options);
        if (shop->Start()) {
            demo.shop = std::move(shop);
            return true;
        }
    }
    return false;
}

std::string OrdinaryCategoryIds(const ecshop::SandboxShop& shop)
{
    std::string ids;
    for (const ecshop::SandboxCategory& category : shop.Categories()) {
        if (category.type != ecshop::kCategoryOrdinary)
            continue;
        if (!ids.empty())
            ids += ",";
        ids += std::to_string(category.id);
    }
    return ids;
}

sites::SiteConfig DemoSite(const DemoShop& demo, const std::filesystem::path& home, int index)
{
    sites::SiteConfig site;
    site.enabled = true;
    site.domain = Domain(*demo.shop);
    site.adminDir = demo.adminDir;
    site.user = demo.user;
    site.password = demo.password;
    site.siteEncoding = demo.encoding == ecshop::SandboxEncoding::kGbk ? 1 : 0;
    site.securityCode.clear();
    site.categoryIds = OrdinaryCategoryIds(*demo.shop);
    site.fileFilter = "*.txt|*.htm";
    site.fileEncoding = 0;
    site.intervalMin = 0.2f;
    site.intervalMax = 0.6f;
    site.descMin = 40;
    site.descMax = 80;
    site.goodsMode = 1;
    if (index == 0) {
        // The GBK shop: the Chinese folder, keywords from the built-in extractor, two authors.
        site.articleDir = text::InternalPath(ArticlesFolder(home, "中文"));
        site.keywordsMode = 1;
        site.keywordsMin = 3;
        site.keywordsMax = 5;
        site.authorsSource = KC_TEXT("编辑部\r\n小周");
        site.paragraphTags = true;
        site.recommend = true;
    } else if (index == 1) {
        // The UTF-8 shop shares the Chinese folder: one scan serves both sites.
        site.articleDir = text::InternalPath(ArticlesFolder(home, "中文"));
        site.keywordsMode = 0;
        site.keywordsSource = KC_TEXT("茶园\r\n旧书\r\n咖啡\r\n阳台\r\n生活");
        site.keywordsMin = 1;
        site.keywordsMax = 2;
        site.paragraphTags = true;
        site.randomAttributes = true;
    } else {
        site.articleDir = text::InternalPath(ArticlesFolder(home, "english"));
        site.keywordsMode = 2;
        site.authorsSource = "Demo desk";
        site.paragraphTags = false;
    }
    return site;
}

bool WriteDemoSettings(config::ConfigStore& store, std::vector<DemoShop>& shops, const std::filesystem::path& home)
{
    sites::SiteList list;
    for (size_t i = 0; i < shops.size(); ++i)
        list.Append(DemoSite(shops[i], home, static_cast<int>(i)));
    list.selectedLine = 0;
    if (!sites::SaveSites(store, list))
        return false;
    store.SelectSection(KC_TEXT("基本配置"));
    store.WriteBool(KC_TEXT("单选框先后独立"), true);
    store.WriteBool(KC_TEXT("单选框同步循环"), false);
    store.WriteText(KC_TEXT("编辑框同时站点数"), "2");
    store.WriteText(KC_TEXT("编辑框循环间隔"), "0.01");
    store.WriteBool(KC_TEXT("选择框全局更新数量"), false);
    store.WriteText(KC_TEXT("编辑框全局更新数量"), "0");
    store.WriteBool(KC_TEXT("选择框失败时重复尝试"), true);
    store.WriteBool(KC_TEXT("选择框按读入顺序发布"), false);
    // Every demo shop listens on 127.0.0.1, and access method 1 keeps cookies per host name whatever the
    // port: method 2 keeps each site's session with its own client.
    store.WriteNumber(KC_TEXT("组合框访问方式"), 1);
    store.WriteBool(KC_TEXT("选择框增强提交"), false);
    store.WriteBool(KC_TEXT("选择框完成关机"), false);
    return store.Save();
}

// A reused demo directory keeps its settings; only the shops' addresses change with their ports.
bool PointSitesAtShops(config::ConfigStore& store, const std::vector<DemoShop>& shops)
{
    sites::SiteList list;
    sites::LoadSites(store, list);
    if (list.Count() < shops.size())
        return false;
    for (size_t i = 0; i < shops.size(); ++i)
        list.sites[i].domain = Domain(*shops[i].shop);
    return sites::SaveSites(store, list) && store.Save();
}

std::filesystem::path NewestFile(const std::filesystem::path& folder)
{
    std::filesystem::path newest;
    std::filesystem::file_time_type newestTime{};
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (!entry.is_regular_file(error))
            continue;
        const auto time = entry.last_write_time(error);
        if (newest.empty() || time > newestTime) {
            newest = entry.path();
            newestTime = time;
        }
    }
    return newest;
}

void PrintWhereToLook(
    const std::filesystem::path& home, const std::vector<DemoShop>& shops, const std::vector<size_t>& before)
{
    const auto native = [](const std::filesystem::path& path) { return path.string(); };
    std::printf("\nDemo run directory: %s\n", native(home).c_str());
    const std::filesystem::path logFile = NewestFile(home / text::NativePath(KC_TEXT("日志")));
    if (!logFile.empty())
        std::printf("  log file:           %s\n", native(logFile).c_str());
    std::printf("  article addresses:  %s\n", native(home / text::NativePath(KC_TEXT("文章地址"))).c_str());
    std::error_code error;
    const std::filesystem::path failures = home / text::NativePath(KC_TEXT("更新失败记录"));
    if (std::filesystem::exists(failures, error))
        std::printf("  failure records:    %s\n", native(failures).c_str());
    std::printf("  settings:           %s\n", native(home / "Kestrune Courier.ini").c_str());
    std::printf("\nWhat the sandbox shops received in this run:\n");
    for (size_t i = 0; i < shops.size(); ++i) {
        const DemoShop& demo = shops[i];
        const std::vector<ecshop::SandboxArticle> articles = demo.shop->Articles();
        const size_t received = articles.size() - std::min(before[i], articles.size());
        std::printf("  %s, %s/%s/ (user %s, password %s): %zu article(s)\n", demo.name, demo.shop->ShopUrl().c_str(),
            demo.adminDir, demo.user, demo.password, received);
        for (size_t a = before[i]; a < articles.size(); ++a) {
            const ecshop::SandboxArticle& article = articles[a];
            std::printf("    %s/article.php?id=%d  [category %d] %s\n", demo.shop->ShopUrl().c_str(), article.id,
                article.categoryId, Printable(article.title).c_str());
        }
    }
}

void ServeUntilStopped()
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::printf("\nThe shops keep running; press Ctrl-C to stop them.\n");
    std::fflush(stdout);
    int received = 0;
    sigwait(&stopSignals, &received);
    pthread_sigmask(SIG_UNBLOCK, &stopSignals, nullptr);
}

int RunDemo(const std::vector<std::string>& args)
{
    std::filesystem::path home;
    bool fresh = false;
    bool serve = false;
    bool window = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kDemoHelp, stdout);
            return 0;
        }
        if (arg == "--fresh") {
            fresh = true;
        } else if (arg == "--serve") {
            serve = true;
        } else if (arg == "--window") {
            window = true;
        } else if (arg == "--home") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return Fail("--home needs a directory");
            home = std::filesystem::absolute(args[++i]);
        } else {
            return Fail("unknown option '" + arg + "' (try --help)");
        }
    }
    if (home.empty())
        home = platform::RunDirectory() / "demo";
    std::error_code error;
    std::filesystem::create_directories(home, error);
    if (!std::filesystem::is_directory(home, error))
        return Fail("cannot create the demo directory '" + home.string() + "'");

    // Blocked before the shops' threads exist, so that the run's watcher alone takes the stop signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &stopSignals, &previous);

    std::vector<DemoShop> shops;
    shops.push_back({"GBK shop", ecshop::SandboxEncoding::kGbk, "admin", "admin", "admin123", 18081, nullptr});
    shops.push_back({"UTF-8 shop", ecshop::SandboxEncoding::kUtf8, "admin", "admin", "admin123", 18082, nullptr});
    shops.push_back({"UTF-8 shop, deeper admin", ecshop::SandboxEncoding::kUtf8, "shop/admin", "editor", "demo-pass",
        18083, nullptr});
    for (DemoShop& demo : shops) {
        if (!StartShop(demo)) {
            pthread_sigmask(SIG_SETMASK, &previous, nullptr);
            return Fail("cannot start a sandbox shop on 127.0.0.1");
        }
    }

    const std::filesystem::path settingsPath = home / "Kestrune Courier.ini";
    const bool reuse = !fresh && std::filesystem::exists(settingsPath, error);
    if (!reuse || !SamplesPresent(home)) {
        if (!WriteSamples(home)) {
            pthread_sigmask(SIG_SETMASK, &previous, nullptr);
            return Fail("cannot write the sample articles under '" + home.string() + "'");
        }
    }
    {
        config::ConfigStore store;
        store.Open(text::InternalPath(settingsPath), config::OpenMode::InMemory);
        const bool written = reuse ? PointSitesAtShops(store, shops) : false;
        if (!written && !WriteDemoSettings(store, shops, home)) {
            pthread_sigmask(SIG_SETMASK, &previous, nullptr);
            return Fail("cannot write the demo settings '" + settingsPath.string() + "'");
        }
    }
    std::printf("%s demo run directory %s; shops on %s, %s and %s\n\n", reuse ? "Reusing the" : "Created the",
        home.string().c_str(), shops[0].shop->ShopUrl().c_str(), shops[1].shop->ShopUrl().c_str(),
        shops[2].shop->ShopUrl().c_str());
    std::fflush(stdout);

    std::vector<size_t> before;
    for (const DemoShop& demo : shops)
        before.push_back(demo.shop->Articles().size());
#ifdef KC_HAVE_GUI
    if (window && gui::DisplayAvailable()) {
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        platform::SetRunDirectory(home);
        const int status = gui::RunGui();
        for (DemoShop& demo : shops)
            demo.shop->Stop();
        return status;
    }
#endif
    if (window)
        std::puts("No display to open the window on: running the demo without it.\n");
    const int status = kRunCommand.run({"--home", home.string()});
    PrintWhereToLook(home, shops, before);
    std::fflush(stdout);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (serve && status == 0)
        ServeUntilStopped();
    for (DemoShop& demo : shops)
        demo.shop->Stop();
    return status;
}

} // namespace

extern const Command kDemoCommand
    = {"demo", "a demo run on sandbox shops started in this process (start here)", RunDemo};

} // namespace kc::app
