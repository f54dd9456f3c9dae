// The composition steps of a publishing step.
#include "articles/article_composer.h"

#include "articles/keyword_insertion.h"
#include "articles/run_context.h"
#include "sites/site_config.h"

namespace kc::articles {

ArticleComposer::ArticleComposer(RunContext& context, const services::KeywordExtractor* extractor)
    : ArticleComposer(context, extractor, std::random_device{}())
{
}

ArticleComposer::ArticleComposer(RunContext& context, const services::KeywordExtractor* extractor, uint32_t seed)
    : m_context(context)
    , m_extractor(extractor)
    , m_random(seed)
{
}

void ArticleComposer::ChooseCategory(sites::SiteConfig&, Article&) { }

bool ArticleComposer::ChooseCustomTitle(sites::SiteConfig&, int, Article&)
{
    return true;
}

void ArticleComposer::ReleaseCustomTitle(const sites::SiteConfig&, const Article&) { }

void ArticleComposer::ChooseKeywords(sites::SiteConfig&, const Article&) { }

void ArticleComposer::ChooseGoods(sites::SiteConfig&) { }

void ArticleComposer::ChooseAuthor(sites::SiteConfig&) { }

void ArticleComposer::InsertKeywords(
    sites::SiteConfig& site, std::string& title, std::string& body, std::string_view tagKeywords)
{
    articles::InsertKeywords(m_context, site, title, body, tagKeywords, m_random);
}

} // namespace kc::articles
