// The publishing step: every stage from picking a file to the wait before the next one.
#include "run/publish_one.h"

#include "config/item_list.h"
#include "ecshop/submit_article.h"
#include "log/failure_record.h"
#include "log/run_log.h"
#include "run/article_address.h"
#include "run/event_wait.h"
#include "run/run_state.h"
#include "run/site_worker.h"
#include "sites/random_between.h"
#include "sites/site_config.h"
#include "text/literal.h"
#include "text/native_path.h"

#include <cmath>
#include <filesystem>
#include <string>
#include <system_error>

namespace kc::run {
namespace {

constexpr int kSubmitAttempts = 3;
constexpr int kRetryPauseMs = 100;
constexpr int kFailuresBeforeLogin = 10;

// Seconds as the settings hold them (single precision) to whole milliseconds, truncated.
int ToMilliseconds(float seconds)
{
    return static_cast<int>(std::trunc(static_cast<double>(seconds) * 1000.0));
}

std::string CategoryPart(const sites::SiteConfig& site)
{
    return KC_TEXT("[分类:") + std::to_string(site.categoryId) + "]";
}

void RecordAddress(RunState& run, const sites::SiteConfig& site, int n, const std::string& answer)
{
    const std::string address = ArticleAddressFromAnswer(answer, site.domain, site.useHttps);
    if (!address.empty())
        run.addresses.Append(run.Label(n), address);
}

void Succeeded(RunState& run, sites::SiteConfig& site, int n, const articles::Article& article,
    const std::string& title, const std::string& answer)
{
    RecordAddress(run, site, n, answer);
    site.publishedCount += 1;
    site.consecutiveFailures = 0;
    run.publishedTotal.fetch_add(1);
    run.log.LogLine(
        KC_TEXT("已成功更新 ") + std::to_string(site.publishedCount) + KC_TEXT(" 篇文章") + CategoryPart(site) + title,
        n);
    if (site.deleteAfter) {
        std::error_code ignored;
        std::filesystem::remove(text::NativePath(article.path), ignored);
    }
    const RunOptions options = run.host.Options();
    const int64_t limit = options.globalQuotaEnabled ? config::TextToInt(options.globalQuota) : site.articleQuota;
    if (limit >= 1 && site.publishedCount >= limit)
        EndSite(run, n);
}

// False when this was the tenth failure in a row.
bool Failed(RunState& run, sites::SiteConfig& site, int n, const articles::Article& article, const std::string& title,
    const std::string& answer)
{
    run.log.LogLine(KC_TEXT("更新失败") + CategoryPart(site) + title, n);
    {
        // One step for the other sites: the record, and the file and title back in the shared pools.
        const articles::RunContext::Guard guard = run.context->Lock();
        log::WriteFailureRecord(run.Label(n), title, answer, run.store);
        if (site.deleteAfter)
            run.source->MarkUnused(site, article.pick);
        run.Composer(n).ReleaseCustomTitle(site, article);
    }
    site.consecutiveFailures += 1;
    if (site.consecutiveFailures >= kFailuresBeforeLogin) {
        site.consecutiveFailures = 0;
        return false;
    }
    return true;
}

} // namespace

bool PublishOne(RunState& run, int n, bool synchronous)
{
    sites::SiteConfig& site = run.Site(n);
    if (!site.enabled || site.ended)
        return true;
    articles::ArticleComposer& composer = run.Composer(n);

    // PickArticle marks the entry used in the same step when the site deletes published files.
    std::optional<articles::Article> picked = run.source->PickArticle(site, n, run.host.Options().publishInReadOrder);
    if (!picked) {
        EndSite(run, n);
        return true;
    }
    articles::Article& article = *picked;

    articles::ArticleSource::ReadArticleTitle(article);
    composer.ChooseCategory(site, article);
    if (!composer.ChooseCustomTitle(site, n, article)) {
        EndSite(run, n);
        return true;
    }
    if (article.title.empty())
        article.title = KC_TEXT("未命名标题");
    if (!articles::ArticleSource::ReadArticleBody(site, article)) {
        run.log.LogLine(KC_TEXT("文章内容为空：") + article.path, n);
        return true;
    }
    articles::ArticleSource::FinishArticleBody(site, article);
    composer.ChooseKeywords(site, article);
    composer.ChooseGoods(site);
    composer.ChooseAuthor(site);

    std::string title = article.title;
    std::string body = article.body;
    if (site.rewriteType == 1 && run.rewrite && !run.rewrite(title, body, n)
        && run.host.Options().skipOnRewriteFailure) {
        run.log.LogLine(KC_TEXT("跳过更新：") + title, n);
        run.log.LogLine(
            KC_TEXT("跳过原因：5118智能原创字数超出，导致失败，并且没有启用截断或保留功能，又启用了失败跳过更新。"), n);
        return true;
    }
    composer.InsertKeywords(site, title, body, site.bodyInsertFromTags ? site.keywordsChosen : std::string());

    ecshop::SubmitOptions submitOptions;
    submitOptions.enhancedSubmit = [&run] { return run.host.Options().enhancedSubmit; };
    submitOptions.log = &run.log;
    submitOptions.stopFlag = &run.stopFlag;
    submitOptions.random = &composer.Random();
    std::string answer;
    bool accepted = false;
    for (int attempt = 1; attempt <= kSubmitAttempts; ++attempt) {
        answer.clear();
        accepted = ecshop::SubmitArticle(title, body, site, n, answer, submitOptions);
        if (accepted || attempt == kSubmitAttempts)
            break;
        if (run.stopFlag.load() || site.ended || !run.host.Options().retryOnFailure)
            break;
        WaitWithEvents(kRetryPauseMs, &run.stopFlag);
    }

    if (accepted)
        Succeeded(run, site, n, article, title, answer);
    else if (!Failed(run, site, n, article, title, answer))
        return false;

    // After the site's last article nothing follows that the wait could space out.
    if (!synchronous && !site.ended) {
        const int wait = sites::RandomBetween(
            composer.Random(), ToMilliseconds(site.intervalMin), ToMilliseconds(site.intervalMax));
        WaitWithEvents(wait, &run.stopFlag);
    }
    return true;
}

} // namespace kc::run
