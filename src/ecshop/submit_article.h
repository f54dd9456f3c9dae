// Publishing one composed article to a shop through its back end's article form.
#pragma once

#include <atomic>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace kc::sites {
struct SiteConfig;
} // namespace kc::sites

namespace kc::log {
class RunLog;
} // namespace kc::log

namespace kc::ecshop {

inline constexpr std::string_view kArticleBoundary = "----WebKitFormBoundarynQgcxEjRQzYWytVW";
inline constexpr std::string_view kArticleContentType
    = "multipart/form-data; boundary=----WebKitFormBoundarynQgcxEjRQzYWytVW";

// The values of the article form. act is "insert" for a new article, "update" for the edit that
// follows it, which also names the article (id) and its title (oldTitle).
struct ArticleForm {
    std::string title;
    int categoryId = 0;
    bool top = false;
    bool recommend = false;
    bool featured = false;
    std::string picture; // the cover picture address
    std::string author;
    std::string keywords; // separated by ","
    std::string description;
    std::string body;
    std::vector<std::string> goodsIds; // one source_select part each; none sends one empty part
    std::string act = "insert";
    std::string oldTitle;
    std::string id;
};

// The multipart text of the form (internal text), its fields in the order the back end's own form sends.
std::string EncodeArticleForm(const ArticleForm& form);
// The bytes sent: the multipart text as it stands for a GBK site, converted to UTF-8 for a UTF-8 site.
std::string ArticleFormBytes(const ArticleForm& form, bool utf8);

// The description: the body without tags, web addresses and white space, cut to its first length
// characters; empty when length is below 1.
std::string MakeDescription(std::string_view body, int length);

// The id of the article titled title in an article list page: the first row of the table "list-table"
// whose HTML, as it stands or with its character references decoded, holds the title (exact case) and
// whose first "value" attribute is an id of at least 1. 0 when no row qualifies.
int FindArticleId(std::string_view listPage, std::string_view title);

// True when a submission answer says the article was added or edited.
bool IsSubmissionAccepted(std::string_view answer);

// What the caller adds besides the article: where the article goes out from and what it may be told.
struct SubmitOptions {
    // Read once pass 1 succeeded: true submits the article a second time as an edit ("增强提交").
    std::function<bool()> enhancedSubmit;
    kc::log::RunLog* log = nullptr; // the image steps' lines and the missed edit go here when given
    const std::atomic<bool>* stopFlag = nullptr; // the run's stop flag, read by the image localisation
    std::mt19937* random = nullptr; // the random source; none: a generator seeded anew for the call
};

// Submits the article to the site (whose client holds a back-end session). Draws the random
// attributes into the site record when randomAttributes is set, builds the description, the cover
// picture and the localised body (body receives it), links the related goods under the process-wide
// goods lock, and posts the form. response receives the answer of the last request that decides the
// result. Returns true when the shop accepted the article.
bool SubmitArticle(std::string_view title, std::string& body, kc::sites::SiteConfig& site, int siteIndex,
    std::string& response, const SubmitOptions& options = {});

} // namespace kc::ecshop
