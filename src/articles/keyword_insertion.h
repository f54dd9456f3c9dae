// Works keywords into an article: at random places of the body, at its end, and into its title.
#pragma once

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace kc::sites {
struct SiteConfig;
} // namespace kc::sites

namespace kc::articles {

class RunContext;

// The placings of a title keyword (the site's titleInsertPlace setting).
enum TitleInsertPlace : int {
    kTitleBefore = 0, // "标题前"
    kTitleAfter = 1, // "标题后"
    kTitleRandom = 2, // "随机位置"
};

// Inserts words at random character positions of text: each item of words once when the list is not empty,
// otherwise word times times (once when times is 0 or less). Positions come from a fresh shuffle bag over the
// characters (a CR LF counts once), so they differ while there are no more insertions than characters, and
// never cut a character. A position inside or right after an ASCII word moves to the nearer space around it,
// and the word then carries a trailing space; with protectTags a position inside an HTML tag moves to the
// nearer edge of the tag (the trailing space dropped). Empty text stays empty.
std::string InsertWords(std::string_view text, const std::vector<std::string>& words, std::string_view word, int times,
    bool protectTags, std::mt19937& random);

// The site's keyword insertion for one article, in order: body keywords (tagKeywords split at "," when it is
// not empty, else drawn from the body keyword list, a new one per insertion with bodyInsertChange), the tail
// ("<br>" and drawn tail items, each followed by a space), and the title keyword (with titleInsertPercent per
// cent chance, before, after or inside the title). List lines are drawn through the context's lists.
void InsertKeywords(const RunContext& context, kc::sites::SiteConfig& site, std::string& title, std::string& body,
    std::string_view tagKeywords, std::mt19937& random);

} // namespace kc::articles
