// The composition steps of a publishing step.
#include "articles/article_composer.h"

#include "articles/keyword_insertion.h"
#include "articles/run_context.h"
#include "services/keyword_extractor.h"
#include "sites/random_between.h"
#include "sites/site_config.h"
#include "text/literal.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

namespace kc::articles {

namespace {

// A seed for a composer given none. A std::random_device costs tens of microseconds in some virtual machines,
// and a run makes a composer per site before the first site starts: one device draw per process, spread
// over the composers by a SplitMix64 step.
uint32_t FreshSeed()
{
    static const uint64_t base = [] {
        std::random_device device;
        const auto now = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        return (static_cast<uint64_t>(device()) << 32 | device()) ^ now;
    }();
    static std::atomic<uint64_t> count{0};
    uint64_t z = base + 0x9E3779B97F4A7C15ULL * (count.fetch_add(1) + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return static_cast<uint32_t>(z ^ (z >> 31));
}

// n lines drawn from a list, joined by ",".
std::string DrawJoined(const RunContext& context, sites::SiteConfig& site, ListSource which, int n)
{
    std::string joined;
    for (int k = 0; k < n; ++k) {
        const std::string item = context.DrawListItem(site, which);
        if (!joined.empty())
            joined += ',';
        joined += item;
    }
    return joined;
}

} // namespace

ArticleComposer::ArticleComposer(RunContext& context, const services::KeywordExtractor* extractor)
    : ArticleComposer(context, extractor, FreshSeed())
{
}

ArticleComposer::ArticleComposer(RunContext& context, const services::KeywordExtractor* extractor, uint32_t seed)
    : m_context(context)
    , m_extractor(extractor)
    , m_random(seed)
{
}

void ArticleComposer::ChooseCategory(sites::SiteConfig& site, Article& article)
{
    if (!article.categoryMarker) {
        const auto count = static_cast<int32_t>(site.categoryIdList.size());
        if (site.categoryIdCount > 0 && count > 0) {
            // The bag runs over the count the preparation set; an entry beyond the list (a count changed
            // by hand) gives no category rather than a read past the list.
            const int32_t pick = site.categoryBag.Draw(1, site.categoryIdCount);
            article.categoryId = pick <= count ? site.categoryIdList[static_cast<size_t>(pick - 1)] : 0;
        } else {
            article.categoryId = 0;
        }
    }
    site.categoryId = article.categoryId;
}

bool ArticleComposer::ChooseCustomTitle(sites::SiteConfig& site, int siteNumber, Article& article)
{
    if (!site.customTitles)
        return true;
    for (;;) {
        ++site.customTitleCursor;
        if (site.customTitleCursor > site.customTitlesCount || m_context.StopRequested()
            || sites::SiteStopRequested(site)) {
            if (site.customTitleCursor > site.customTitlesCount)
                m_context.LogLine(KC_TEXT("自定义标题使用完了"), siteNumber);
            return false;
        }
        const int32_t pick
            = site.customTitlesInOrder ? site.customTitleCursor : site.customTitlesBag.Draw(1, site.customTitlesCount);
        // The look and the mark are one step, so no other site of the group takes the same title.
        const RunContext::Guard guard(m_context);
        std::string candidate = m_context.TitleLine(site.titleGroup, pick);
        if (candidate.starts_with(RunContext::kUsedTitleMark))
            continue;
        if (site.customTitlesDelete)
            m_context.SetTitleLine(site.titleGroup, pick, std::string(RunContext::kUsedTitleMark) + candidate);
        article.title = candidate;
        article.customTitle = std::move(candidate);
        article.customTitlePick = pick;
        return true;
    }
}

void ArticleComposer::ReleaseCustomTitle(const sites::SiteConfig& site, const Article& article)
{
    if (site.customTitles && site.customTitlesDelete && article.customTitlePick > 0)
        m_context.SetTitleLine(site.titleGroup, article.customTitlePick, article.customTitle);
}

void ArticleComposer::ChooseKeywords(sites::SiteConfig& site, const Article& article)
{
    site.keywordsChosen.clear();
    switch (site.keywordsMode) {
    case kKeywordsFromList:
        if (site.keywordsCount > 0)
            site.keywordsChosen = DrawJoined(m_context, site, ListSource::kKeywords,
                sites::RandomBetween(m_random, site.keywordsMin, site.keywordsMax));
        break;
    case kKeywordsBuiltIn: {
        const int n = sites::RandomBetween(m_random, site.keywordsMin, site.keywordsMax);
        if (m_extractor == nullptr)
            break;
        std::vector<std::string> words;
        std::string keywords = m_extractor->Extract(article.body + article.title, words, n > 0 ? n : 5);
        for (char& c : keywords)
            if (c == ' ')
                c = ',';
        site.keywordsChosen = std::move(keywords);
        break;
    }
    case kKeywordsTitle:
        site.keywordsChosen = article.title;
        break;
    default:
        break;
    }
}

void ArticleComposer::ChooseGoods(sites::SiteConfig& site)
{
    site.goodsChosen.clear();
    if (site.goodsMode != kGoodsModeNone && site.goodsCount > 0)
        site.goodsChosen = DrawJoined(
            m_context, site, ListSource::kGoods, sites::RandomBetween(m_random, site.goodsMin, site.goodsMax));
}

void ArticleComposer::ChooseAuthor(sites::SiteConfig& site)
{
    site.author = site.authorsCount > 0 ? m_context.DrawListItem(site, ListSource::kAuthors) : std::string("admin");
}

void ArticleComposer::InsertKeywords(
    sites::SiteConfig& site, std::string& title, std::string& body, std::string_view tagKeywords)
{
    articles::InsertKeywords(m_context, site, title, body, tagKeywords, m_random);
}

} // namespace kc::articles
