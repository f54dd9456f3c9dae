// Turns a site's article folder into articles: the shared file list, the pick of the next file, its reading.
#pragma once

#include "articles/article.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kc::sites {
struct SiteConfig;
} // namespace kc::sites

namespace kc::articles {

class RunContext;

// Operations over the run context's article groups. One ArticleSource may serve every thread: it holds no
// state of its own, and each call takes the run lock where it touches a shared list.
class ArticleSource {
public:
    explicit ArticleSource(RunContext& context)
        : m_context(context)
    {
    }

    // Reads the site's article list: resets articleBag and articleCursor, joins the group of the same
    // articleDir text (a second site with another filter shares the first one's list) or scans the folder
    // into a new group, or into that group again when its list was emptied. Sets articleTotal and
    // articleGroup.
    void ReadArticleList(kc::sites::SiteConfig& site);

    // The files of folder matching filter ("|"-separated patterns with * and ?, letters in either case;
    // empty means every file), appended to out (emptied first when clear is set). One folder level, files
    // only; patterns in turn, names within a pattern in name order; a file matched by two patterns is listed
    // twice. Entries are folder + separator + name. A folder that cannot be read adds nothing.
    static void ScanFolder(
        std::string_view folder, std::string_view filter, std::vector<std::string>& out, bool clear = true);

    // The site's next article file: in list order when inReadOrder, else at random through articleBag,
    // skipping entries marked used and files that no longer exist. Every try counts against articleTotal.
    // With the site's deleteAfter set the entry is marked used in the same hold of the run lock, so no other
    // site sharing the group can pick it too (a later MarkUsed changes nothing). Returns the article with
    // path and pick set, and the file's bytes read (fileBytes, for ReadArticleBody); none when the list is used up
    // (logging "文章使用完了" for a site that had files), or the run or the site is stopped: the caller then ends the
    // site.
    std::optional<Article> PickArticle(kc::sites::SiteConfig& site, int siteNumber, bool inReadOrder);

    // Marks entry pick of the site's group used / unused again.
    void MarkUsed(const kc::sites::SiteConfig& site, int32_t pick);
    void MarkUnused(const kc::sites::SiteConfig& site, int32_t pick);

    // The title from article.path's file name (without folder and last extension) and its category marker:
    // "[#12#]Spring sale" gives categoryId 12, categoryMarker and the title "Spring sale"; an empty marker
    // leaves the whole name as the title.
    static void ReadArticleTitle(Article& article);
    // The body of article.path (or of the bytes the pick read from it) read with the site's fileEncoding: its style
    // element (when any) followed by the content of its body element (when it has one, else the whole text), as
    // written. False when the body comes out empty (the file is missing, unreadable or holds no text).
    static bool ReadArticleBody(const kc::sites::SiteConfig& site, Article& article);
    // The site's shaping of the body: with firstLineTitle the first line that is not empty without its tags
    // becomes firstLine and the title, and the body starts after it; with paragraphTags every non-empty line
    // becomes "<p>" + line + "</p>" + CR LF.
    static void FinishArticleBody(const kc::sites::SiteConfig& site, Article& article);
    // The three above in order, for readers outside a run (pick 0); an empty body when it could not be read.
    static Article ReadArticle(const kc::sites::SiteConfig& site, std::string_view path);

private:
    RunContext& m_context;
};

} // namespace kc::articles
