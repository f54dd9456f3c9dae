// kc_run_bench: a whole update run against the sandbox shop, timed beside a plain libcurl program making
// the same exchanges, and the making of large run directories for the memory measurement.
//
//   kc_run_bench compare [--sites 50] [--articles 20] [--concurrency 10] [--trials 3] [--domain 127.0.0.1:PORT]
//                        [--only curl|client|method2|method1] [--answer-ms N]
//   kc_run_bench exchanges [--sites 2] [--articles 3]
//   kc_run_bench make-home --home DIR --domain 127.0.0.1:PORT [--sites 1000] [--articles 2] [--concurrency 10]
//
// compare also runs the libcurl loop's exchanges through the project's HTTP client (access method 2) instead of
// libcurl itself, which tells the request layer's cost apart from the rest of the engine's.
// compare starts a fresh sandbox shop (in this process) for every measurement, so both sides see the same
// shop; with --domain both use that outside shop (kestrune-courier demo-shop), and the CPU times are then the
// client's alone. exchanges runs each side once over a few sites against a recording sandbox and prints what
// the shop received from each, so that one can see both sides make the same exchanges.
#include "config/config_store.h"
#include "ecshop/login.h"
#include "ecshop/sandbox/sandbox_shop.h"
#include "ecshop/submit_article.h"
#include "http/http_client.h"
#include "log/run_log.h"
#include "platform/run_directory.h"
#include "run/headless_host.h"
#include "run/update_run.h"
#include "sites/site_list.h"
#include "text/literal.h"
#include "text/native_path.h"
#include "text/text_encoding.h"

#include <curl/curl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Settings {
    int sites = 50;
    int articles = 20;
    int concurrency = 10;
    int trials = 3;
    std::string home;
    std::string domain; // make-home: the shop's address; compare: an outside shop instead of one in-process
    std::string only; // compare: one side alone ("curl", "client", "method2", "method1"), for a profiler
    int answerMs = 0; // compare: the in-process shop answers each request after this many milliseconds
};

// What one side of the comparison took: wall time, and the CPU time of this process (the client's alone when
// the shop runs in a process of its own).
struct Measure {
    double wall = 0;
    double cpu = 0;
    int published = 0;
    std::vector<kc::ecshop::SandboxRequest> requests; // what the in-process shop received
};

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// With KC_PERF_CTL_FD (and KC_PERF_ACK_FD) naming the control descriptors of `perf record --control
// fd:CTL,ACK -D -1`, the profiler samples only the timed part of each measurement, not the setting up.
void ProfilerCommand(const char* command)
{
    static const int control = std::getenv("KC_PERF_CTL_FD") ? std::atoi(std::getenv("KC_PERF_CTL_FD")) : -1;
    static const int ack = std::getenv("KC_PERF_ACK_FD") ? std::atoi(std::getenv("KC_PERF_ACK_FD")) : -1;
    if (control < 0)
        return;
    const std::string line = std::string(command) + "\n";
    if (write(control, line.data(), line.size()) < 0)
        return;
    char reply[16];
    if (ack >= 0 && read(ack, reply, sizeof reply) < 0)
        return;
}

// Titles are unique per run, so that one outside shop takes every trial (it refuses a title it has).
std::string ArticleTitle(const std::string& run, int site, int article)
{
    return run + "-site" + std::to_string(site) + "-article" + std::to_string(article);
}

std::string ArticleBody(int site, int article)
{
    std::string body;
    for (int paragraph = 0; paragraph < 6; ++paragraph)
        body += "Paragraph " + std::to_string(paragraph) + " of article " + std::to_string(article) + " for site "
            + std::to_string(site) + ": a few plain sentences that stand for an ordinary article body.\r\n";
    return body;
}

// Folder "articles/siteN" with the site's files.
void WriteArticles(const std::filesystem::path& home, const Settings& settings, const std::string& run)
{
    for (int site = 1; site <= settings.sites; ++site) {
        const std::filesystem::path folder = home / "articles" / ("site" + std::to_string(site));
        std::filesystem::create_directories(folder);
        for (int article = 1; article <= settings.articles; ++article) {
            std::ofstream file(
                folder / (ArticleTitle(run, site, article) + ".txt"), std::ios::binary | std::ios::trunc);
            file << ArticleBody(site, article);
        }
    }
}

kc::sites::SiteConfig BenchSite(const std::filesystem::path& home, const std::string& domain, int site, int category)
{
    kc::sites::SiteConfig config;
    config.enabled = true;
    config.domain = domain;
    config.adminDir = "admin";
    config.user = "admin";
    config.password = "admin123";
    config.securityCode.clear();
    config.siteEncoding = 0;
    config.articleDir = kc::text::InternalPath(home / "articles" / ("site" + std::to_string(site)));
    config.fileFilter = "*.txt";
    config.categoryIds = std::to_string(category);
    config.goodsMode = 1;
    config.keywordsMode = 3;
    return config;
}

// The sandbox's first ordinary category ("新闻资讯").
constexpr int kCategory = 4;

// The form a loop side submits for one article: what the engine makes of that article's file.
kc::ecshop::ArticleForm LoopForm(const std::string& run, int site, int article)
{
    kc::ecshop::ArticleForm form;
    form.title = ArticleTitle(run, site, article);
    form.categoryId = kCategory;
    form.author = "admin";
    form.body = ArticleBody(site, article);
    return form;
}

// The shop of one measurement: a fresh sandbox in this process, or the outside one.
class BenchShop {
public:
    explicit BenchShop(const Settings& settings)
    {
        if (!settings.domain.empty()) {
            m_domain = settings.domain;
            return;
        }
        kc::ecshop::SandboxOptions options;
        // A back end's own time per answer, as a PHP shop spends it, modelled by a delay on every request.
        if (settings.answerMs > 0) {
            options.faults.delayShare = 1;
            options.faults.delayMs = settings.answerMs;
        }
        m_shop = std::make_unique<kc::ecshop::SandboxShop>(options);
        m_shop->Start();
        m_domain = "127.0.0.1:" + std::to_string(m_shop->Port());
    }
    const std::string& Domain() const { return m_domain; }
    std::string AdminUrl() const { return "http://" + m_domain + "/admin"; }
    // What the in-process shop received (nothing for an outside shop).
    std::vector<kc::ecshop::SandboxRequest> Requests() const
    {
        return m_shop ? m_shop->Requests() : std::vector<kc::ecshop::SandboxRequest>{};
    }

private:
    std::unique_ptr<kc::ecshop::SandboxShop> m_shop;
    std::string m_domain;
};

// ---- the engine ----

Measure EngineRun(const Settings& settings, int accessMethodIndex, const std::string& run)
{
    const std::filesystem::path home = std::filesystem::temp_directory_path() / ("kc-run-bench-" + run);
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home);
    WriteArticles(home, settings, run);
    kc::platform::SetRunDirectory(home);

    BenchShop shop(settings);
    kc::sites::SiteList list;
    for (int site = 1; site <= settings.sites; ++site)
        list.Append(BenchSite(home, shop.Domain(), site, kCategory));
    kc::run::RunOptions options;
    options.concurrentSites = std::to_string(settings.concurrency);
    options.accessMethod = accessMethodIndex;
    kc::run::HeadlessHost host(options, nullptr);
    kc::http::SetAccessMethodProvider([accessMethodIndex] { return accessMethodIndex; });
    kc::log::RunLog log;
    kc::run::UpdateRun update(list, log, host);

    Measure measure;
    ProfilerCommand("enable");
    const double cpu = ProcessCpuSeconds();
    const auto start = Clock::now();
    update.ToggleRun(false);
    measure.wall = std::chrono::duration<double>(Clock::now() - start).count();
    measure.cpu = ProcessCpuSeconds() - cpu;
    ProfilerCommand("disable");
    measure.published = update.LastSummary().publishedTotal;
    measure.requests = shop.Requests();
    kc::http::SetAccessMethodProvider({});
    std::filesystem::remove_all(home);
    return measure;
}

// ---- the plain libcurl program ----

size_t Collect(char* data, size_t size, size_t count, void* out)
{
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

// One easy handle per site, kept for its login and its articles, with its own cookie engine: what a
// hand-written client would do.
int CurlSite(const std::string& adminUrl, const std::string& run, int site, int articles, const std::string& accepted)
{
    CURL* curl = curl_easy_init();
    std::string answer;
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
    // The sandbox answers one request per connection; a handle that tried to reuse a closed one would
    // lose a round trip finding out.
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 120L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, std::string(kc::http::kDefaultUserAgent).c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);

    const std::string loginUrl = adminUrl + "/privilege.php";
    const std::string loginBody = kc::ecshop::LoginBody("admin", "admin123", "", true);
    curl_easy_setopt(curl, CURLOPT_URL, loginUrl.c_str());
    curl_easy_setopt(curl, CURLOPT_REFERER, loginUrl.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, loginBody.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(loginBody.size()));
    curl_easy_perform(curl);

    const std::string articleUrl = adminUrl + "/article.php";
    curl_slist* headers
        = curl_slist_append(nullptr, ("Content-Type: " + std::string(kc::ecshop::kArticleContentType)).c_str());
    // No "Expect: 100-continue" round trip before each body, as the project's client does.
    headers = curl_slist_append(headers, "Expect:");
    int published = 0;
    for (int article = 1; article <= articles; ++article) {
        const std::string bytes = kc::ecshop::ArticleFormBytes(LoopForm(run, site, article), true);
        answer.clear();
        curl_easy_setopt(curl, CURLOPT_URL, articleUrl.c_str());
        curl_easy_setopt(curl, CURLOPT_REFERER, (articleUrl + "?act=add").c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, bytes.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(bytes.size()));
        curl_easy_setopt(curl, CURLOPT_TIMEOUT, 90L);
        if (curl_easy_perform(curl) == CURLE_OK && answer.find(accepted) != std::string::npos)
            ++published;
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return published;
}

// The loop's exchanges through the project's HTTP client: one client (one cookie session) per site, the login
// and the submissions with the arguments the engine's login and submission use, answers decoded as the
// engine decodes them.
int ClientSite(const std::string& adminUrl, const std::string& run, int site, int articles)
{
    kc::http::HttpClient client;
    const std::string loginUrl = adminUrl + "/privilege.php";
    int encoding = kc::text::kEncodingUtf8;
    client.Request(loginUrl, kc::ecshop::LoginBody("admin", "admin123", "", true), &encoding);
    const std::string articleUrl = adminUrl + "/article.php";
    const std::string referer = articleUrl + "?act=add";
    int published = 0;
    for (int article = 1; article <= articles; ++article) {
        encoding = kc::text::kEncodingUtf8;
        const std::string answer = client.Request(articleUrl, {}, &encoding, 90,
            kc::ecshop::ArticleFormBytes(LoopForm(run, site, article), true), referer, {},
            kc::ecshop::kArticleContentType, "Upgrade-Insecure-Requests: 1");
        if (kc::ecshop::IsSubmissionAccepted(answer))
            ++published;
    }
    return published;
}

// The sites of one loop side, settings.concurrency at once, each on a thread that takes the next site when its
// last one is done.
template <typename SiteFunction> Measure LoopRun(const Settings& settings, const SiteFunction& runSite)
{
    BenchShop shop(settings);
    std::atomic<int> next{1};
    std::atomic<int> total{0};
    Measure measure;
    ProfilerCommand("enable");
    const double cpu = ProcessCpuSeconds();
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < settings.concurrency; ++t) {
        threads.emplace_back([&] {
            for (int site = next++; site <= settings.sites; site = next++)
                total += runSite(shop.AdminUrl(), site);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    measure.wall = std::chrono::duration<double>(Clock::now() - start).count();
    measure.cpu = ProcessCpuSeconds() - cpu;
    ProfilerCommand("disable");
    measure.published = total.load();
    measure.requests = shop.Requests();
    return measure;
}

Measure CurlRun(const Settings& settings, const std::string& run)
{
    const std::string accepted = kc::text::ToUtf8(KC_TEXT("添加成功"));
    return LoopRun(settings, [&](const std::string& adminUrl, int site) {
        return CurlSite(adminUrl, run, site, settings.articles, accepted);
    });
}

Measure ClientRun(const Settings& settings, const std::string& run)
{
    kc::http::SetAccessMethodProvider([] { return 1; });
    Measure measure = LoopRun(settings,
        [&](const std::string& adminUrl, int site) { return ClientSite(adminUrl, run, site, settings.articles); });
    kc::http::SetAccessMethodProvider({});
    return measure;
}

void Print(int trial, const char* side, const Measure& m)
{
    std::printf("  trial %d  %-28s wall %.3f s  cpu %.3f s  (%d published)\n", trial, side, m.wall, m.cpu, m.published);
}

// The trials of one side. Runs this short are easily disturbed by anything else on the machine, so both
// the best and the median trial are shown.
struct Series {
    const char* name;
    std::vector<Measure> trials;

    static double Median(std::vector<double> values)
    {
        if (values.empty())
            return 0;
        std::sort(values.begin(), values.end());
        const size_t middle = values.size() / 2;
        return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    }
    double Best(double Measure::*field) const
    {
        double best = 1e9;
        for (const Measure& m : trials)
            best = std::min(best, m.*field);
        return best;
    }
    double Median(double Measure::*field) const
    {
        std::vector<double> values;
        for (const Measure& m : trials)
            values.push_back(m.*field);
        return Median(values);
    }
};

int Compare(const Settings& settings)
{
    std::printf("%d sites x %d articles, %d sites at once, intervals 0, %s\n", settings.sites, settings.articles,
        settings.concurrency,
        settings.domain.empty() ? "a fresh sandbox shop in this process per measurement"
                                : ("the shop at " + settings.domain + " (cpu: the client alone)").c_str());
    if (settings.answerMs > 0)
        std::printf("the shop takes %d ms over every answer\n", settings.answerMs);
    const int expected = settings.sites * settings.articles;
    Series curl{"libcurl loop", {}};
    Series client{"loop on the HTTP client", {}};
    Series method2{"engine, access method 2", {}};
    Series method1{"engine, access method 1", {}};
    const auto wanted = [&settings](const char* side) { return settings.only.empty() || settings.only == side; };
    bool complete = true;
    const std::string stamp = std::to_string(std::chrono::system_clock::now().time_since_epoch().count() % 1000000);
    for (int trial = 1; trial <= settings.trials; ++trial) {
        const std::string run = "r" + stamp + "t" + std::to_string(trial);
        const auto measure = [&](Series& series, const Measure& m) {
            Print(trial, series.name, m);
            series.trials.push_back(m);
            complete = complete && m.published == expected;
        };
        if (wanted("curl"))
            measure(curl, CurlRun(settings, run + "c"));
        if (wanted("client"))
            measure(client, ClientRun(settings, run + "h"));
        if (wanted("method2"))
            measure(method2, EngineRun(settings, 1, run + "e"));
        if (wanted("method1"))
            measure(method1, EngineRun(settings, 0, run + "f"));
    }
    for (const Series* series : {&curl, &client, &method2, &method1}) {
        if (series->trials.empty())
            continue;
        std::printf("%-24s wall best %.3f s, median %.3f s; cpu best %.3f s, median %.3f s", series->name,
            series->Best(&Measure::wall), series->Median(&Measure::wall), series->Best(&Measure::cpu),
            series->Median(&Measure::cpu));
        if (series != &curl && !curl.trials.empty())
            std::printf("; ratio to libcurl: best %.3f, median %.3f",
                series->Best(&Measure::wall) / curl.Best(&Measure::wall),
                series->Median(&Measure::wall) / curl.Median(&Measure::wall));
        std::printf("\n");
    }
    if (!complete)
        std::printf("warning: a run did not publish all %d articles\n", expected);
    return complete ? 0 : 1;
}

// One line per kind of request the shop received (method, path, the header names in order) with how many
// there were and their mean body size.
void PrintExchanges(const char* side, const Measure& m)
{
    std::printf("%s: %zu requests, %d published\n", side, m.requests.size(), m.published);
    struct Shape {
        std::string text;
        int count = 0;
        size_t bodyBytes = 0;
    };
    std::vector<Shape> shapes;
    for (const kc::ecshop::SandboxRequest& request : m.requests) {
        std::string text = request.method + " " + request.target.substr(0, request.target.find('?')) + " [";
        bool first = true;
        for (const auto& [name, value] : request.headers) {
            // The server's own notes about the connection, not headers the client sent.
            if (name == "LOCAL_ADDR" || name == "LOCAL_PORT" || name == "REMOTE_ADDR" || name == "REMOTE_PORT")
                continue;
            text += (first ? "" : ", ") + name;
            first = false;
        }
        text += "]";
        auto it = std::find_if(shapes.begin(), shapes.end(), [&](const Shape& s) { return s.text == text; });
        if (it == shapes.end())
            it = shapes.insert(shapes.end(), Shape{text});
        ++it->count;
        it->bodyBytes += request.body.size();
    }
    for (const Shape& shape : shapes)
        std::printf("  %4d x %s, body %zu bytes\n", shape.count, shape.text.c_str(), shape.bodyBytes / shape.count);
}

int Exchanges(Settings settings)
{
    if (settings.domain.size()) {
        std::fputs("exchanges records the requests at a sandbox shop of its own: no --domain\n", stderr);
        return 2;
    }
    const std::string run = "x" + std::to_string(std::chrono::system_clock::now().time_since_epoch().count() % 1000000);
    PrintExchanges("libcurl loop", CurlRun(settings, run + "c"));
    PrintExchanges("loop on the HTTP client", ClientRun(settings, run + "h"));
    PrintExchanges("engine, access method 2", EngineRun(settings, 1, run + "e"));
    PrintExchanges("engine, access method 1", EngineRun(settings, 0, run + "f"));
    return 0;
}

// A run directory of many sites on one shop (for `kestrune-courier run --home DIR`).
int MakeHome(const Settings& settings)
{
    if (settings.home.empty() || settings.domain.empty()) {
        std::fputs("make-home needs --home DIR and --domain 127.0.0.1:PORT\n", stderr);
        return 2;
    }
    const std::filesystem::path home = std::filesystem::absolute(settings.home);
    std::filesystem::create_directories(home);
    WriteArticles(home, settings, "m");
    kc::sites::SiteList list;
    for (int site = 1; site <= settings.sites; ++site)
        list.Append(BenchSite(home, settings.domain, site, kCategory));
    kc::config::ConfigStore store;
    store.Open(kc::text::InternalPath(home / "Kestrune Courier.ini"), kc::config::OpenMode::InMemory);
    kc::sites::SaveSites(store, list);
    store.SelectSection(KC_TEXT("基本配置"));
    store.WriteText(KC_TEXT("编辑框同时站点数"), std::to_string(settings.concurrency));
    store.WriteNumber(KC_TEXT("组合框访问方式"), 1);
    return store.Save() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(
            "usage: kc_run_bench compare|exchanges|make-home [options] (see the source's first lines)\n", stderr);
        return 2;
    }
    const std::string mode = argv[1];
    Settings settings;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--sites")
            settings.sites = std::atoi(value.c_str());
        else if (name == "--articles")
            settings.articles = std::atoi(value.c_str());
        else if (name == "--concurrency")
            settings.concurrency = std::atoi(value.c_str());
        else if (name == "--trials")
            settings.trials = std::atoi(value.c_str());
        else if (name == "--home")
            settings.home = value;
        else if (name == "--domain")
            settings.domain = value;
        else if (name == "--answer-ms")
            settings.answerMs = std::atoi(value.c_str());
        else if (name == "--only" && (value == "curl" || value == "client" || value == "method2" || value == "method1"))
            settings.only = value;
        else {
            std::fprintf(stderr, "unknown option %s\n", name.c_str());
            return 2;
        }
    }
    if (settings.answerMs > 0 && !settings.domain.empty()) {
        std::fprintf(
            stderr, "--answer-ms sets the in-process shop's answer time; an outside shop (--domain) has its own\n");
        return 2;
    }
    kc::http::InitHttp();
    if (mode == "compare")
        return Compare(settings);
    if (mode == "make-home")
        return MakeHome(settings);
    if (mode == "exchanges") {
        if (argc == 2) {
            settings.sites = 2;
            settings.articles = 3;
        }
        return Exchanges(settings);
    }
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
}
