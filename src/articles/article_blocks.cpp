// Reading the article blocks of the tail insertion.
#include "articles/article_blocks.h"

#include "sites/site_config.h"

namespace kc::articles {

std::string BlockSeparator(std::string_view setting)
{
    return std::string(setting);
}

int LoadArticleBlocks(sites::SiteConfig&)
{
    return 0;
}

} // namespace kc::articles
