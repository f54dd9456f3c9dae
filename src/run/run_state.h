// The state one update run shares between its controller, its site workers and its publishing steps.
#pragma once

#include "articles/article_composer.h"
#include "articles/article_source.h"
#include "articles/run_context.h"
#include "log/article_address_files.h"
#include "run/run_host.h"
#include "sites/site_list.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kc::config {
class ConfigStore;
} // namespace kc::config

namespace kc::log {
class RunLog;
} // namespace kc::log

namespace kc::services {
class KeywordExtractor;
} // namespace kc::services

namespace kc::run {

// Rewrites an article's title and body in place through an outside service for site n; false (both left as
// they were) when the service failed.
using RewriteFunction = std::function<bool(std::string& title, std::string& body, int site)>;

// Owned by UpdateRun; the site worker and PublishOne reach everything of the run through it. Fields above
// the counters are fixed for the controller's life; the rest is reset by every start.
struct RunState {
    RunState(sites::SiteList& siteList, log::RunLog& runLog, RunHost& runHost)
        : sites(siteList)
        , log(runLog)
        , host(runHost)
    {
    }

    sites::SiteList& sites;
    log::RunLog& log;
    RunHost& host;
    config::ConfigStore* store = nullptr; // workers write through it under the run lock
    const services::KeywordExtractor* extractor = nullptr;
    RewriteFunction rewrite; // none: the rewrite step leaves the article as it is
    std::optional<uint32_t> seed; // every random draw of the run repeats for the same seed (tests)

    std::atomic<bool> stopFlag{false};
    bool independent = true;
    std::atomic<int32_t> activeWorkers{0};
    std::atomic<int32_t> publishedTotal{0};

    // One context per run: its lock is the run lock, created anew for every run.
    std::unique_ptr<articles::RunContext> context;
    std::unique_ptr<articles::ArticleSource> source;
    // One composer per site (index n - 1), used only by the thread that works on that site.
    std::vector<std::unique_ptr<articles::ArticleComposer>> composers;
    log::ArticleAddressFiles addresses;
    // The site labels as they were at the start, so that lines written by workers never read a record the
    // window may be editing.
    std::vector<std::string> labels;

    // Woken whenever a site ends, so that the controller's waits for a free slot end at once.
    std::mutex endedMutex;
    std::condition_variable siteEnded;

    int SiteCount() const { return static_cast<int>(sites.sites.size()); }
    sites::SiteConfig& Site(int n) { return sites.sites[static_cast<size_t>(n - 1)]; }
    articles::ArticleComposer& Composer(int n) { return *composers[static_cast<size_t>(n - 1)]; }
    std::string Label(int n) const
    {
        return n >= 1 && n <= static_cast<int>(labels.size()) ? labels[static_cast<size_t>(n - 1)] : std::string();
    }
};

} // namespace kc::run
