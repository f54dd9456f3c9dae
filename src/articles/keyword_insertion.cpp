// Keyword insertion into an article's body, tail and title.
#include "articles/keyword_insertion.h"

#include "articles/run_context.h"
#include "sites/site_config.h"

namespace kc::articles {

std::string InsertWords(
    std::string_view text, const std::vector<std::string>&, std::string_view, int, bool, std::mt19937&)
{
    return std::string(text);
}

void InsertKeywords(const RunContext&, sites::SiteConfig&, std::string&, std::string&, std::string_view, std::mt19937&)
{
}

} // namespace kc::articles
