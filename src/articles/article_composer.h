// Decides what goes with an article besides its text: category, custom title, keywords, goods, author.
#pragma once

#include "articles/article.h"

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace kc::sites {
struct SiteConfig;
} // namespace kc::sites

namespace kc::services {
class KeywordExtractor;
} // namespace kc::services

namespace kc::articles {

class RunContext;

// The keyword modes of a site (its keywordsMode setting).
enum KeywordsMode : int32_t {
    kKeywordsFromList = 0, // "随机词组"
    kKeywordsBuiltIn = 1, // "内置提词"
    kKeywordsTitle = 2, // "使用标题"
    kKeywordsNone = 3, // "留空内容"
};

// The goods mode that turns related goods off ("不使用").
inline constexpr int32_t kGoodsModeNone = 1;

// The composition steps of a publishing step, called in this order: ChooseCategory, ChooseCustomTitle,
// (body reading), ChooseKeywords, ChooseGoods, ChooseAuthor, then InsertKeywords. Random counts follow the
// random-bounds convention (sites::RandomBetween) and come from the composer's own generator; list lines come
// from the site's bags. A composer belongs to one thread at a time: give each site worker its own.
class ArticleComposer {
public:
    // extractor: the process-wide keyword extractor for the built-in keyword mode (none: that mode gives no
    // keywords). The generator is seeded from the system's random source.
    ArticleComposer(RunContext& context, const kc::services::KeywordExtractor* extractor);
    // The same with a seeded generator, so that the counts repeat (tests).
    ArticleComposer(RunContext& context, const kc::services::KeywordExtractor* extractor, uint32_t seed);

    // site.categoryId: the file name's marker when the article has one, else a category of categoryIdList
    // drawn from categoryBag, else 0. The article's categoryId follows.
    void ChooseCategory(kc::sites::SiteConfig& site, Article& article);

    // With customTitles set: the next title of the site's title group (in order or at random) that is not
    // marked used becomes the article's title and its customTitle; with customTitlesDelete it is marked used
    // in the same hold of the run lock, so two sites sharing the group never take the same title. Every try
    // counts against customTitlesCount. Returns false when the titles are used up (logging "自定义标题使用完了")
    // or the run or the site is stopped: the caller ends the site and stops composing. True otherwise (also
    // when customTitles is off).
    bool ChooseCustomTitle(kc::sites::SiteConfig& site, int siteNumber, Article& article);

    // After a failed submission: with customTitles and customTitlesDelete, the article's custom title is no
    // longer marked used.
    void ReleaseCustomTitle(const kc::sites::SiteConfig& site, const Article& article);

    // site.keywordsChosen by keywordsMode: drawn list lines joined by ","; the built-in extraction of
    // body + title (spaces turned into ","); the title; or nothing.
    void ChooseKeywords(kc::sites::SiteConfig& site, const Article& article);

    // site.goodsChosen: drawn goods lines joined by ",", none in goods mode "不使用" or with an empty list.
    void ChooseGoods(kc::sites::SiteConfig& site);

    // site.author: a drawn author line, "admin" when the list is empty.
    void ChooseAuthor(kc::sites::SiteConfig& site);

    // Keyword insertion into the article's title and body (keyword_insertion.h) with the composer's generator.
    void InsertKeywords(
        kc::sites::SiteConfig& site, std::string& title, std::string& body, std::string_view tagKeywords);

    std::mt19937& Random() { return m_random; }

private:
    RunContext& m_context;
    const kc::services::KeywordExtractor* m_extractor;
    std::mt19937 m_random;
};

} // namespace kc::articles
