// The run controller: start phase, independent workers or synchronous rounds, summary.
#include "run/update_run.h"

#include "config/config_store.h"
#include "config/item_list.h"
#include "ecshop/images.h"
#include "log/format_time.h"
#include "log/run_log.h"
#include "platform/event_pump.h"
#include "run/event_wait.h"
#include "run/publish_one.h"
#include "run/site_worker.h"
#include "sites/site_config.h"
#include "sites/site_list.h"
#include "text/literal.h"

#include <chrono>
#include <cmath>
#include <string>

namespace kc::run {
namespace {

int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Every draw of the site repeats for the same seed.
void SeedBags(sites::SiteConfig& site, uint32_t seed)
{
    sites::ShuffleBag* bags[] = {&site.articleBag, &site.keywordsBag, &site.goodsBag, &site.authorsBag,
        &site.categoryBag, &site.bodyInsertBag, &site.tailInsertBag, &site.titleInsertBag, &site.customTitlesBag};
    uint32_t salt = 0;
    for (sites::ShuffleBag* bag : bags)
        bag->Seed(seed * 131u + ++salt);
}

} // namespace

UpdateRun::UpdateRun(sites::SiteList& sites, log::RunLog& log, RunHost& host, config::ConfigStore* store,
    const services::KeywordExtractor* extractor)
    : m_state(sites, log, host)
{
    m_state.store = store;
    m_state.extractor = extractor;
}

UpdateRun::~UpdateRun()
{
    // Only reached with workers alive when the owner goes away mid-run: they must not outlive the state.
    m_state.stopFlag.store(true);
    for (Worker& worker : m_workers) {
        if (worker.thread.joinable())
            worker.thread.join();
    }
    // The log outlives the controller; its labels must not point into the state that goes away here.
    m_state.log.SetSiteLabels({});
}

// A run over many sites starts a thread for each; joining the finished ones as the run goes keeps their
// stacks from piling up until the end.
void UpdateRun::JoinFinishedWorkers()
{
    std::erase_if(m_workers, [](Worker& worker) {
        if (!worker.done->load())
            return false;
        worker.thread.join();
        return true;
    });
}

void UpdateRun::RequestStop()
{
    if (!m_active.load())
        return;
    m_state.host.RunStopping();
    {
        const std::lock_guard lock(m_state.endedMutex);
        m_state.stopFlag.store(true);
    }
    m_state.siteEnded.notify_all();
}

int64_t UpdateRun::ElapsedMs() const
{
    return NowMs() - m_startMs;
}

void UpdateRun::ToggleRun(bool calledByTimer)
{
    if (m_active.load()) {
        RequestStop();
        return;
    }
    m_active.store(true);
    m_state.host.RunStarted();
    m_state.stopFlag.store(false);
    m_state.publishedTotal.store(0);
    m_startMs = NowMs();
    m_state.independent = m_state.host.Options().independent;

    int stoppedAt = 0;
    StartPhase(stoppedAt);
    if (!m_state.independent && !m_state.stopFlag.load())
        SynchronousRounds();
    WriteSummary();

    m_active.store(false);
    m_state.host.RunEnded(m_summary, calledByTimer);
}

void UpdateRun::ResetSites()
{
    sites::SiteList& list = m_state.sites;
    for (int i = 1; i <= m_state.SiteCount(); ++i) {
        platform::PumpEvents();
        sites::SiteConfig& site = m_state.Site(i);
        const size_t index = static_cast<size_t>(i - 1);
        const bool checked = index < list.lines.size() ? list.lines[index].checked : site.enabled;
        if (!checked)
            m_state.host.SetSiteLineEnabled(i, false);
        site.ended = false;
        site.running = false;
        site.publishedCount = 0;
        sites::SetSiteStopRequested(site, false);
        site.articleGroup = 0;
        // Positions into the previous run's shared lists mean nothing in this one; a count of failures
        // left over from it would send the site to a new login too early.
        site.titleGroup = 0;
        site.keywordsCache = site.goodsCache = site.authorsCache = 0;
        site.bodyInsertCache = site.tailInsertCache = site.titleInsertCache = 0;
        site.consecutiveFailures = 0;
        if (m_state.seed)
            SeedBags(site, *m_state.seed + static_cast<uint32_t>(i));
    }
}

void UpdateRun::StartPhase(int& stoppedAt)
{
    RunState& run = m_state;
    run.labels.clear();
    for (const sites::SiteConfig& site : run.sites.sites)
        run.labels.push_back(sites::SiteLabel(site));
    run.log.SetSiteLabels([&run](int n) { return run.Label(n); });

    run.log.OpenRunLog();
    run.host.SaveSettingsIfChanged();
    run.log.LogLine(KC_TEXT("站群更新开始，当前时间点是：") + log::FormatTime(0));

    // A new context carries a new run lock; the previous run's workers have all been joined.
    run.source.reset();
    run.composers.clear();
    run.context = std::make_unique<articles::RunContext>(&run.stopFlag, &run.log);
    run.source = std::make_unique<articles::ArticleSource>(*run.context);
    for (int i = 1; i <= run.SiteCount(); ++i) {
        run.composers.push_back(run.seed ? std::make_unique<articles::ArticleComposer>(
                                    *run.context, run.extractor, *run.seed * 7919u + static_cast<uint32_t>(i))
                                         : std::make_unique<articles::ArticleComposer>(*run.context, run.extractor));
    }
    if (!run.independent)
        run.log.LogLine(KC_TEXT("正在进行更新前的准备工作(如登录站点、读取待更新文章列表等等)..."));

    ResetSites();

    run.activeWorkers.store(0);
    int j = 1;
    for (; j <= run.SiteCount() && !run.stopFlag.load(); ++j) {
        platform::PumpEvents();
        sites::SiteConfig& site = run.Site(j);
        if (!site.enabled || site.ended)
            continue;
        run.activeWorkers.fetch_add(1);
        site.running = true;
        if (run.independent) {
            auto done = std::make_shared<std::atomic<bool>>(false);
            m_workers.push_back({std::thread([&run, j, done] {
                                     IndependentWorker(run, j);
                                     done->store(true);
                                 }),
                done});
            WaitForFreeSlot();
            JoinFinishedWorkers();
        } else {
            PrepareSite(run, j, 1);
        }
    }
    stoppedAt = j;

    if (run.independent) {
        WaitForAllWorkers();
        for (Worker& worker : m_workers)
            worker.thread.join();
        m_workers.clear();
    }
    if (run.stopFlag.load())
        run.log.LogLine(KC_TEXT("已强制全部停止更新"), stoppedAt);
    else if (!run.independent)
        run.log.LogLine(KC_TEXT("更新前的准备工作已就绪"));
}

// Until fewer workers run than "同时更新站点数" allows (read again at every look), none runs, or the run
// stops. A site's end wakes the wait at once; the limit is looked at again at least every 100 ms, and on
// the window thread events are processed every 10 ms.
void UpdateRun::WaitForFreeSlot()
{
    RunState& run = m_state;
    const auto slice = std::chrono::milliseconds(platform::IsPumpThread() ? 10 : 100);
    for (;;) {
        const int64_t limit = config::TextToInt(run.host.Options().concurrentSites);
        {
            std::unique_lock lock(run.endedMutex);
            const auto freeSlot = [&] {
                const int32_t active = run.activeWorkers.load();
                return run.stopFlag.load() || active == 0 || active < limit;
            };
            if (freeSlot())
                return;
            run.siteEnded.wait_for(lock, slice, freeSlot);
        }
        platform::PumpEvents();
    }
}

void UpdateRun::WaitForAllWorkers()
{
    RunState& run = m_state;
    const auto slice = std::chrono::milliseconds(platform::IsPumpThread() ? 10 : 100);
    for (;;) {
        {
            std::unique_lock lock(run.endedMutex);
            const auto none = [&] { return run.activeWorkers.load() <= 0; };
            if (none())
                return;
            run.siteEnded.wait_for(lock, slice, none);
        }
        platform::PumpEvents();
    }
}

void UpdateRun::SynchronousRounds()
{
    RunState& run = m_state;
    while (run.activeWorkers.load() > 0) {
        for (int n = 1; n <= run.SiteCount(); ++n)
            PublishOne(run, n, true);
        const float seconds = static_cast<float>(config::ParseNumber(run.host.Options().roundInterval));
        WaitWithEvents(static_cast<int>(std::trunc(static_cast<double>(seconds) * 1000.0)), &run.stopFlag);
    }
}

void UpdateRun::WriteSummary()
{
    RunState& run = m_state;
    for (int i = 1; i <= run.SiteCount(); ++i)
        run.host.SetSiteLineEnabled(i, true);
    run.log.LogLine(KC_TEXT("站群更新结束，当前时间点是：") + log::FormatTime(0));
    run.log.LogLine(KC_TEXT("下面是本次更新的站点情况一览表"));
    const RunOptions options = run.host.Options();
    for (int j = 1; j <= run.SiteCount(); ++j) {
        const sites::SiteConfig& site = run.Site(j);
        if (!site.enabled)
            continue;
        const int64_t quota = options.globalQuotaEnabled ? config::TextToInt(options.globalQuota) : site.articleQuota;
        run.log.LogLine(KC_TEXT("实际更新 ") + std::to_string(site.publishedCount) + KC_TEXT(" 篇（设置更新 ")
                + std::to_string(quota > 0 ? quota : site.articleTotal) + KC_TEXT(" 篇，读取文章数 ")
                + std::to_string(site.articleTotal) + KC_TEXT(" 篇）"),
            j);
        platform::PumpEvents();
    }
    m_summary.publishedTotal = run.publishedTotal.load();
    m_summary.duration = ecshop::DurationText(static_cast<double>(ElapsedMs()));
    m_summary.stopped = run.stopFlag.load();
    run.log.LogLine(KC_TEXT("总更新了 ") + std::to_string(m_summary.publishedTotal) + KC_TEXT(" 篇文章，更新耗费 ")
        + m_summary.duration);
    run.context->Clear();
    run.log.CloseRunLog();
    run.addresses.CloseAll();
}

} // namespace kc::run
