// Preparing, running and ending one site of an update run.
#include "run/site_worker.h"

#include "articles/article_blocks.h"
#include "articles/text_list.h"
#include "config/atomic_file.h"
#include "config/config_store.h"
#include "config/item_list.h"
#include "ecshop/back_end_address.h"
#include "ecshop/login.h"
#include "http/http_client.h"
#include "log/run_log.h"
#include "platform/event_pump.h"
#include "run/publish_one.h"
#include "run/run_state.h"
#include "sites/site_config.h"
#include "text/literal.h"
#include "text/native_path.h"

#include <string>

namespace kc::run {
namespace {

using articles::ListSource;

int32_t QuotaOf(const RunOptions& options, const sites::SiteConfig& site)
{
    return options.globalQuotaEnabled ? static_cast<int32_t>(config::TextToInt(options.globalQuota))
                                      : site.articleQuota;
}

// The site's lists, read while the run lock is held so that sites sharing a folder or a file see one list.
void ReadSharedLists(RunState& run, sites::SiteConfig& site, int n)
{
    articles::RunContext& context = *run.context;
    const articles::RunContext::Guard guard = context.Lock();
    run.source->ReadArticleList(site);
    context.LoadListSource(site, ListSource::kKeywords);
    context.LoadListSource(site, ListSource::kGoods);
    context.LoadListSource(site, ListSource::kAuthors);
    if (site.bodyInsert)
        context.LoadListSource(site, ListSource::kBodyKeywords);
    if (site.tailInsert) {
        if (site.tailBlocks) {
            const int blocks = articles::LoadArticleBlocks(site);
            run.log.LogLine(KC_TEXT("尾部插入，读取文章块 ") + std::to_string(blocks) + KC_TEXT(" 个"), n);
        } else {
            context.LoadListSource(site, ListSource::kTailKeywords);
        }
        site.tailInsertBag.Reset();
    }
    if (site.titleInsert)
        context.LoadListSource(site, ListSource::kTitleKeywords);
    if (site.customTitles)
        context.PrepareCustomTitles(site);
}

void ReadCategoryIds(sites::SiteConfig& site)
{
    site.categoryIdList.clear();
    for (const std::string_view piece : config::SplitText(site.categoryIds, ","))
        site.categoryIdList.push_back(static_cast<int32_t>(config::TextToInt(piece)));
    site.categoryIdCount = static_cast<int32_t>(site.categoryIdList.size());
    site.categoryBag.Reset();
}

// The unused titles go back where they came from: the title file, or the site's inline list and its
// settings key.
void WriteBackCustomTitles(RunState& run, sites::SiteConfig& site, int n)
{
    const articles::RunContext::Guard guard = run.context->Lock();
    const std::string titles = run.context->UnusedCustomTitles(site);
    if (articles::NamesExistingPath(site.customTitlesSource)) {
        // Replaced as a whole, so a crash mid-write never leaves the user with half a title list.
        config::WriteFileAtomically(text::NativePath(site.customTitlesSource), titles);
        return;
    }
    site.customTitlesSource = titles;
    if (run.store != nullptr) {
        run.store->SelectSection(sites::SiteSection(n));
        run.store->WriteText(KC_TEXT("指定标题数据"), titles);
    }
    run.host.CustomTitlesWrittenBack(n, titles);
}

} // namespace

bool PrepareSite(RunState& run, int n, int attempt)
{
    sites::SiteConfig& site = run.Site(n);
    ecshop::SiteClient(site).Reset();
    if (site.domain.empty() || site.user.empty() || site.password.empty()) {
        run.log.LogLine(KC_TEXT("站点配置信息不足，请检查域名、用户名、密码是否正确！将被忽略更新！"), n);
        EndSite(run, n);
        return false;
    }
    std::string line = KC_TEXT("开始登录");
    if (attempt >= 2)
        line += KC_TEXT("(第 ") + std::to_string(attempt) + KC_TEXT(" 次尝试)");
    run.log.LogLine(line, n);

    bool loggedIn = false;
    for (int attempts = 0; attempts < 3; ++attempts) {
        platform::PumpEvents();
        if (ecshop::Login(site)) {
            loggedIn = true;
            break;
        }
        run.log.LogLine(KC_TEXT("登录失败，正在重试.."), n);
        if (site.ended || run.stopFlag.load())
            break;
    }
    if (!loggedIn) {
        run.log.LogLine(KC_TEXT("经过多次重试依然登录失败！将被忽略更新！"), n);
        EndSite(run, n);
        return false;
    }
    run.log.LogLine(KC_TEXT("登录成功！"), n);
    if (site.ended)
        return false;
    if (run.stopFlag.load()) {
        EndSite(run, n);
        return false;
    }
    if (attempt >= 2)
        return true;

    ReadSharedLists(run, site, n);
    ReadCategoryIds(site);
    const int32_t quota = QuotaOf(run.host.Options(), site);
    if (site.articleTotal > 0) {
        std::string found = KC_TEXT("读取文章列表成功，总共 ") + std::to_string(site.articleTotal)
            + KC_TEXT(" 篇文章！当前本站点更新");
        found += quota > 0 ? " " + std::to_string(quota) + KC_TEXT(" 篇") : KC_TEXT("读取到的所有文章");
        run.log.LogLine(found, n);
    } else {
        run.log.LogLine(KC_TEXT("读不到文章，请检查文章目录或文件过滤是否正确！当前的文件过滤为“") + site.fileFilter
                + KC_TEXT("”，文章目录为“") + site.articleDir + KC_TEXT("”"),
            n);
    }
    return true;
}

void IndependentWorker(RunState& run, int n)
{
    sites::SiteConfig& site = run.Site(n);
    for (int attempt = 1; attempt <= 3; ++attempt) {
        PrepareSite(run, n, attempt);
        bool loginAgain = false;
        while (!site.ended) {
            platform::PumpEvents();
            if (!PublishOne(run, n, false)) {
                loginAgain = true;
                break;
            }
        }
        if (site.ended || run.stopFlag.load() || !loginAgain)
            break;
    }
    EndSite(run, n);
}

void EndSite(RunState& run, int n)
{
    sites::SiteConfig& site = run.Site(n);
    if (site.ended)
        return;
    site.ended = true;
    run.host.SetSiteLineEnabled(n, false);
    run.host.SetStopButtonEnabled(false);
    if (site.articleGroup >= 1)
        run.context->LeaveArticleGroup(site);
    // A site that never prepared its titles (a failed login, missing settings) has none to write back:
    // writing would empty the user's list.
    if (site.customTitles && site.customTitlesDelete && site.titleGroup >= 1)
        WriteBackCustomTitles(run, site, n);
    if (site.running) {
        // The line comes before the count goes down: once the count reaches 0 the controller writes the
        // summary and closes the log, and this line must be in the file before that.
        run.log.LogLine(KC_TEXT("已停止更新，本次成功更新 ") + std::to_string(site.publishedCount) + KC_TEXT(" 篇"), n);
        {
            const std::lock_guard lock(run.endedMutex);
            run.activeWorkers.fetch_sub(1);
        }
        run.siteEnded.notify_all();
    }
}

} // namespace kc::run
