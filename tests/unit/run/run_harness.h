// A whole update run against sandbox shops on loopback: the shops, the sites, a recording host, the log rows.
#pragma once

#include "config/config_store.h"
#include "ecshop/sandbox/sandbox_shop.h"
#include "http/http_client.h"
#include "log/run_log.h"
#include "platform/event_pump.h"
#include "platform/run_directory.h"
#include "run/run_host.h"
#include "run/update_run.h"
#include "sites/site_list.h"
#include "support/temp_dir.h"
#include "text/literal.h"
#include "text/native_path.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kc::run::testing {

inline std::string U(std::string_view utf8)
{
    return text::FromUtf8(utf8);
}

inline ecshop::SandboxOptions GbkShop()
{
    ecshop::SandboxOptions options;
    options.encoding = ecshop::SandboxEncoding::kGbk;
    return options;
}

// Records what the engine tells its host; options can be changed while the run goes.
class RecordingHost : public RunHost {
public:
    RunOptions Options() const override
    {
        const std::lock_guard lock(m_mutex);
        return m_options;
    }
    void SetOptions(const RunOptions& options)
    {
        const std::lock_guard lock(m_mutex);
        m_options = options;
    }
    void RunStarted() override { ++started; }
    void SaveSettingsIfChanged() override { ++settingsSaves; }
    void RunStopping() override { ++stopping; }
    void SetSiteLineEnabled(int site, bool enabled) override
    {
        const std::lock_guard lock(m_mutex);
        if (!enabled)
            greyed.insert(site);
        lineEnabled[site] = enabled;
    }
    void SetStopButtonEnabled(bool) override { }
    void CustomTitlesWrittenBack(int site, const std::string& titles) override
    {
        const std::lock_guard lock(m_mutex);
        writtenBack[site] = titles;
    }
    void RunEnded(const RunSummary& summary, bool calledByTimer) override
    {
        const std::lock_guard lock(m_mutex);
        ended.push_back(summary);
        endedByTimer = calledByTimer;
    }

    std::atomic<int> started{0};
    std::atomic<int> settingsSaves{0};
    std::atomic<int> stopping{0};
    // Read after the run has ended.
    std::set<int> greyed;
    std::map<int, bool> lineEnabled;
    std::map<int, std::string> writtenBack;
    std::vector<RunSummary> ended;
    bool endedByTimer = false;

private:
    mutable std::mutex m_mutex;
    RunOptions m_options;
};

// One row of the log with the number of the site it names (0 global, -1 a label of no site).
struct Row {
    int site;
    std::string message;
};

class RunHarness {
public:
    RunHarness()
    {
        platform::SetRunDirectory(m_dir.Path());
        // Every sandbox listens on 127.0.0.1; access method 2 keeps each site's session apart (method 1 keeps
        // cookies per host name, whatever the port).
        http::SetAccessMethodProvider([] { return 1; });
        store.Open(text::InternalPath(m_dir.Path() / "Kestrune Courier.ini"), config::OpenMode::InMemory);
        log.SetView({[] {},
            [this](const log::LogRow& row) {
                Row entry{-1, row.message};
                if (row.site == U("全局"))
                    entry.site = 0;
                for (size_t i = 0; i < labels.size(); ++i) {
                    if (row.site == labels[i])
                        entry.site = static_cast<int>(i) + 1;
                }
                {
                    const std::lock_guard lock(m_rowsMutex);
                    m_rows.push_back(entry);
                }
                if (onRow)
                    onRow(entry);
            }});
        RunOptions options;
        options.concurrentSites = "10";
        host.SetOptions(options);
        run = std::make_unique<UpdateRun>(sites, log, host, &store);
        run->SetRandomSeed(7);
    }
    ~RunHarness()
    {
        run.reset();
        platform::SetEventPump({});
        http::SetAccessMethodProvider({});
        platform::SetRunDirectory({});
    }
    RunHarness(const RunHarness&) = delete;
    RunHarness& operator=(const RunHarness&) = delete;

    const std::filesystem::path& Dir() const { return m_dir.Path(); }

    ecshop::SandboxShop& AddShop(ecshop::SandboxOptions options = {})
    {
        options.seed = static_cast<uint32_t>(shops.size() + 11);
        shops.push_back(std::make_unique<ecshop::SandboxShop>(options));
        ecshop::SandboxShop& shop = *shops.back();
        if (!shop.Start())
            throw std::runtime_error("sandbox shop did not start");
        seeded.push_back(shop.Articles().size());
        return shop;
    }

    // A site on the shop publishing from folder (internal text), in the shop's first ordinary category.
    sites::SiteConfig& AddSite(const ecshop::SandboxShop& shop, const std::string& folder)
    {
        sites::SiteConfig site;
        site.enabled = true;
        site.domain = "127.0.0.1:" + std::to_string(shop.Port());
        site.adminDir = shop.Options().adminDir;
        site.user = shop.Options().user;
        site.password = shop.Options().password;
        site.securityCode.clear();
        site.siteEncoding = shop.Options().encoding == ecshop::SandboxEncoding::kGbk ? 1 : 0;
        site.articleDir = folder;
        site.fileFilter = "*.txt";
        site.goodsMode = 1;
        for (const ecshop::SandboxCategory& category : shop.Categories()) {
            if (category.type == ecshop::kCategoryOrdinary) {
                site.categoryIds = std::to_string(category.id);
                break;
            }
        }
        sites.Append(site);
        return sites.sites.back();
    }

    // count articles "<prefix>NN.txt" in a folder under the run directory; returns the folder (internal text).
    std::string WriteArticles(const std::string& name, int count, const std::string& prefix)
    {
        const std::filesystem::path folder = m_dir.Path() / name;
        std::filesystem::create_directories(folder);
        for (int i = 1; i <= count; ++i) {
            const std::string title = prefix + (i < 10 ? "0" : "") + std::to_string(i);
            test::WriteFileBytes(folder / (title + ".txt"), "The body of " + title + ".\r\nA second line.\r\n");
        }
        return text::InternalPath(folder);
    }

    void SetOptions(const std::function<void(RunOptions&)>& change)
    {
        RunOptions options = host.Options();
        change(options);
        host.SetOptions(options);
    }

    // The labels rows are matched against are those of the records as the test left them.
    void Run()
    {
        labels.clear();
        for (const sites::SiteConfig& site : sites.sites)
            labels.push_back(sites::SiteLabel(site));
        run->ToggleRun(false);
    }

    std::vector<Row> Rows() const
    {
        const std::lock_guard lock(m_rowsMutex);
        return m_rows;
    }
    // The messages of one site (0: global lines), in order.
    std::vector<std::string> Messages(int site) const
    {
        std::vector<std::string> out;
        for (const Row& row : Rows()) {
            if (row.site == site)
                out.push_back(row.message);
        }
        return out;
    }
    int CountOf(int site, const std::string& message) const
    {
        const auto messages = Messages(site);
        return static_cast<int>(std::count(messages.begin(), messages.end(), message));
    }
    int CountStartingWith(int site, const std::string& prefix) const
    {
        int count = 0;
        for (const std::string& message : Messages(site))
            count += message.starts_with(prefix) ? 1 : 0;
        return count;
    }

    // The titles a shop received from the run (the articles it was seeded with left out), in id order.
    std::vector<std::string> Received(size_t shop) const
    {
        std::vector<std::string> titles;
        const auto articles = shops[shop]->Articles();
        for (size_t i = seeded[shop]; i < articles.size(); ++i)
            titles.push_back(articles[i].title);
        return titles;
    }

    // POSTs of new articles that reached a shop.
    int InsertPosts(size_t shop) const
    {
        int count = 0;
        for (const ecshop::SandboxRequest& request : shops[shop]->Requests()) {
            if (request.method == "POST" && request.target.find("article.php") != std::string::npos
                && request.body.find("insert") != std::string::npos)
                ++count;
        }
        return count;
    }

    sites::SiteList sites;
    log::RunLog log;
    RecordingHost host;
    config::ConfigStore store;
    std::vector<std::unique_ptr<ecshop::SandboxShop>> shops;
    std::vector<size_t> seeded;
    std::vector<std::string> labels;
    std::function<void(const Row&)> onRow; // called on the writing thread, under the log's lock
    std::unique_ptr<UpdateRun> run;

private:
    test::TempDir m_dir;
    mutable std::mutex m_rowsMutex;
    std::vector<Row> m_rows;
};

} // namespace kc::run::testing
