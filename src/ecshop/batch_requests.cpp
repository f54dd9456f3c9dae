// The back-end requests of the batch tool: creating a category, deleting articles and categories.
#include "ecshop/batch_requests.h"

#include "ecshop/back_end_address.h"
#include "http/answer_decoding.h"
#include "http/form_codec.h"
#include "http/http_client.h"
#include "sites/site_config.h"
#include "text/literal.h"

#include <algorithm>
#include <chrono>
#include <cstddef>

namespace kc::ecshop {

CategoryLine SplitCategoryLine(std::string_view line)
{
    CategoryLine fields;
    std::string* targets[] = {&fields.name, &fields.keywords, &fields.description};
    size_t start = 0;
    for (std::string* target : targets) {
        if (start > line.size())
            break;
        const size_t bar = line.find('|', start);
        *target = std::string(line.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
        if (bar == std::string_view::npos)
            break;
        start = bar + 1;
    }
    return fields;
}

std::string CreateCategoryBody(std::string_view line, std::string_view parentId, bool showInNav, bool utf8)
{
    const CategoryLine fields = SplitCategoryLine(line);
    std::string body = "cat_name=" + kc::http::UrlEncode(fields.name, utf8, false);
    body += "&parent_id=";
    body += parentId;
    body += "&sort_order=50&show_in_nav=";
    body += showInNav ? "1" : "0";
    body += "&keywords=" + kc::http::UrlEncode(fields.keywords, utf8, false);
    body += "&cat_desc=" + kc::http::UrlEncode(fields.description, utf8, false);
    body += "&act=insert&id=&old_catname=";
    return body;
}

bool IsCategoryCreated(std::string_view answer)
{
    return kc::http::ContainsAllMarkers(answer, KC_TEXT("成功添加"));
}

bool CreateCategory(
    kc::sites::SiteConfig& site, std::string_view parentId, std::string_view line, bool showInNav, std::string* answer)
{
    int encoding = 0;
    const std::string reply = SiteClient(site).Request(BackEndBase(site) + "/articlecat.php",
        CreateCategoryBody(line, parentId, showInNav, UsesUtf8(site)), &encoding);
    if (answer)
        *answer = reply;
    return IsCategoryCreated(reply);
}

std::vector<int> IdRange(int start, int end)
{
    std::vector<int> ids;
    const int step = start < end ? 1 : -1;
    for (long long id = start;; id += step) {
        ids.push_back(static_cast<int>(id));
        if (id == end)
            break;
    }
    return ids;
}

std::vector<std::vector<int>> ArticleIdBatches(const std::vector<int>& ids)
{
    std::vector<std::vector<int>> batches;
    for (size_t i = 0; i < ids.size(); i += kArticleBatchSize) {
        const size_t end = std::min(ids.size(), i + kArticleBatchSize);
        batches.emplace_back(
            ids.begin() + static_cast<std::ptrdiff_t>(i), ids.begin() + static_cast<std::ptrdiff_t>(end));
    }
    return batches;
}

std::int64_t ArticleBatchCount(int start, int end)
{
    const std::int64_t ids = (start < end ? std::int64_t{end} - start : std::int64_t{start} - end) + 1;
    return (ids + kArticleBatchSize - 1) / kArticleBatchSize;
}

std::vector<int> ArticleIdBatchAt(int start, int end, std::int64_t index)
{
    std::vector<int> batch;
    if (index < 0 || index >= ArticleBatchCount(start, end))
        return batch;
    const int step = start < end ? 1 : -1;
    const std::int64_t ids = (start < end ? std::int64_t{end} - start : std::int64_t{start} - end) + 1;
    const std::int64_t first = index * kArticleBatchSize;
    const std::int64_t count = std::min<std::int64_t>(kArticleBatchSize, ids - first);
    for (std::int64_t i = 0; i < count; ++i)
        batch.push_back(static_cast<int>(start + step * (first + i)));
    return batch;
}

std::string DeleteArticlesBody(const std::vector<int>& ids)
{
    std::string body;
    for (const int id : ids)
        body += "&checkboxes%5B%5D=" + std::to_string(id);
    body += "&act=batch&type=button_remove&target_cat=0&btnSubmit=+%E7%A1%AE%E5%AE%9A+";
    return body;
}

std::string DeleteArticleBatch(kc::sites::SiteConfig& site, const std::vector<int>& ids)
{
    int encoding = 0;
    return SiteClient(site).Request(
        BackEndBase(site) + "/article.php?act=batch_remove", DeleteArticlesBody(ids), &encoding);
}

std::string DeleteCategoryUrl(const kc::sites::SiteConfig& site, int id, std::int64_t millis)
{
    return BackEndBase(site) + "/articlecat.php?is_ajax=1&act=remove&id=" + std::to_string(id) + "&"
        + std::to_string(millis) + "205";
}

bool IsCategoryDeleted(std::string_view answer)
{
    return kc::http::ContainsAllMarkers(kc::http::UnescapeScriptText(answer), "\"error\":0");
}

bool DeleteCategory(kc::sites::SiteConfig& site, int id)
{
    int encoding = 0;
    return IsCategoryDeleted(SiteClient(site).Request(DeleteCategoryUrl(site, id, CurrentMillis()), {}, &encoding));
}

std::int64_t CurrentMillis()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace kc::ecshop
