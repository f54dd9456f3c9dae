// The back-end requests of the batch tool: creating a category, deleting articles and categories.
//
// The batch tool window walks the sites, logs each in and drives these; each call is one request on the
// site's logged-in client (encoding decided by the answer's headers, default time-out).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kc::sites {
struct SiteConfig;
} // namespace kc::sites

namespace kc::ecshop {

// Article ids deleted by one request.
inline constexpr int kArticleBatchSize = 100;

// A category line "name|keywords|description": exactly three fields, missing ones empty, more dropped.
struct CategoryLine {
    std::string name;
    std::string keywords;
    std::string description;
};
CategoryLine SplitCategoryLine(std::string_view line);

// The form that creates a category under parentId (decimal text) from a category line.
std::string CreateCategoryBody(std::string_view line, std::string_view parentId, bool showInNav, bool utf8);
// True when the answer to a creation says "成功添加".
bool IsCategoryCreated(std::string_view answer);
// Creates one category on the site; answer (optional) receives the back end's answer.
bool CreateCategory(kc::sites::SiteConfig& site, std::string_view parentId, std::string_view line, bool showInNav,
    std::string* answer = nullptr);

// The ids from start to end, both included, counting down when start is not below end. Holds every
// id: for ranges known to be small.
std::vector<int> IdRange(int start, int end);
// ids cut into batches of kArticleBatchSize in order, the last one holding the rest.
std::vector<std::vector<int>> ArticleIdBatches(const std::vector<int>& ids);
// The same batches of the range start..end made one at a time, since a typed range may hold billions
// of ids: how many there are, and batch index (from 0), empty past the last.
std::int64_t ArticleBatchCount(int start, int end);
std::vector<int> ArticleIdBatchAt(int start, int end, std::int64_t index);
// The form that deletes a batch of articles.
std::string DeleteArticlesBody(const std::vector<int>& ids);
// Sends one batch deletion and returns the answer, which tells nothing reliable: a sent batch counts.
std::string DeleteArticleBatch(kc::sites::SiteConfig& site, const std::vector<int>& ids);

// The address that removes category id; millis is the current time in milliseconds since 1970.
std::string DeleteCategoryUrl(const kc::sites::SiteConfig& site, int id, std::int64_t millis);
// True when the answer (script escapes decoded here) holds the member "error":0.
bool IsCategoryDeleted(std::string_view answer);
// Removes one category from the site.
bool DeleteCategory(kc::sites::SiteConfig& site, int id);

// The current time in milliseconds since 1970, as the back end's cache-busting request suffixes use it.
std::int64_t CurrentMillis();

} // namespace kc::ecshop
