// Article groups, the pick of the next file and the reading of an article file.
#include "articles/article_source.h"

#include "articles/run_context.h"
#include "sites/site_config.h"

namespace kc::articles {

void ArticleSource::ReadArticleList(sites::SiteConfig&) { }

void ArticleSource::ScanFolder(std::string_view, std::string_view, std::vector<std::string>& out, bool clear)
{
    if (clear)
        out.clear();
}

std::optional<Article> ArticleSource::PickArticle(sites::SiteConfig&, int, bool)
{
    return std::nullopt;
}

void ArticleSource::MarkUsed(const sites::SiteConfig& site, int32_t pick)
{
    m_context.SetArticleUsed(site.articleGroup, pick, true);
}

void ArticleSource::MarkUnused(const sites::SiteConfig& site, int32_t pick)
{
    m_context.SetArticleUsed(site.articleGroup, pick, false);
}

void ArticleSource::ReadArticleTitle(Article&) { }

bool ArticleSource::ReadArticleBody(const sites::SiteConfig&, Article&)
{
    return false;
}

void ArticleSource::FinishArticleBody(const sites::SiteConfig&, Article&) { }

Article ArticleSource::ReadArticle(const sites::SiteConfig&, std::string_view path)
{
    Article article;
    article.path = std::string(path);
    return article;
}

} // namespace kc::articles
