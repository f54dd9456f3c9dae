// Publishing one composed article to a shop through its back end's article form.
#include "ecshop/submit_article.h"

#include "ecshop/back_end_address.h"
#include "ecshop/batch_requests.h"
#include "ecshop/images.h"
#include "http/answer_decoding.h"
#include "http/http_client.h"
#include "log/run_log.h"
#include "sites/random_between.h"
#include "sites/site_config.h"
#include "text/char_helpers.h"
#include "text/html_reader.h"
#include "text/literal.h"
#include "text/markers.h"
#include "text/number_text.h"
#include "text/text_cleaner.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>

namespace kc::ecshop {

namespace {

// One lock for the whole process: a shop links the goods of the next added article, so the link
// requests of one article and its submission must not interleave with another worker's.
std::mutex g_goodsLock;

// Sites of the list may be one and the same shop. An article without goods added there between
// another site's links and its form would take those links, so every submission also holds the lock
// of its shop: alone when it links goods, shared with the other submissions without goods otherwise,
// which thus never wait for each other. Sites of different shops never wait for each other on it.
// Taken after the goods lock.
std::shared_mutex& ShopLock(const kc::sites::SiteConfig& site)
{
    static std::mutex mapMutex;
    static std::map<std::string, std::unique_ptr<std::shared_mutex>> locks;
    std::string key = site.domain + "/" + site.adminDir;
    for (char& c : key)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::lock_guard<std::mutex> lock(mapMutex);
    std::unique_ptr<std::shared_mutex>& entry = locks[key];
    if (!entry)
        entry = std::make_unique<std::shared_mutex>();
    return *entry;
}

// Pieces between commas; an empty text gives none, a comma at the very end no empty last piece.
std::vector<std::string> SplitAtComma(std::string_view text)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start < text.size()) {
        const size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) {
            pieces.emplace_back(text.substr(start));
            return pieces;
        }
        pieces.emplace_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return pieces;
}

void AppendPart(std::string& text, std::string_view name, std::string_view value, bool file = false)
{
    text += "--";
    text += kArticleBoundary;
    text += "\r\nContent-Disposition: form-data; name=\"";
    text += name;
    text += '"';
    if (file)
        text += "; filename=\"\"\r\nContent-Type: application/octet-stream";
    text += "\r\n\r\n";
    text += value;
    text += "\r\n";
}

std::mt19937 FreshRandom()
{
    std::random_device device;
    const auto now = static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::seed_seq seed{device(), device(), now};
    return std::mt19937(seed);
}

// Sends one pass of the form; the answer decides the pass.
bool PostForm(kc::sites::SiteConfig& site, const ArticleForm& form, std::string_view referer, std::string& response)
{
    int encoding = RequestEncodingCode(site);
    response = SiteClient(site).Request(BackEndBase(site) + "/article.php", {}, &encoding, 90,
        ArticleFormBytes(form, UsesUtf8(site)), referer, {}, kArticleContentType, "Upgrade-Insecure-Requests: 1");
    return IsSubmissionAccepted(response);
}

} // namespace

std::string EncodeArticleForm(const ArticleForm& form)
{
    std::string text;
    AppendPart(text, "title", form.title);
    AppendPart(text, "article_cat", std::to_string(form.categoryId));
    AppendPart(text, "article_type", form.top ? "1" : "0");
    AppendPart(text, "is_open", "1");
    AppendPart(text, "is_recommend", form.recommend ? "1" : "0");
    AppendPart(text, "is_index", form.featured ? "1" : "0");
    AppendPart(text, "recommend_file", "", true);
    AppendPart(text, "article_pic", form.picture);
    AppendPart(text, "author", form.author);
    AppendPart(text, "author_email", "");
    AppendPart(text, "keywords", form.keywords);
    AppendPart(text, "description", form.description);
    AppendPart(text, "link_url", "http://");
    AppendPart(text, "file", "", true);
    AppendPart(text, "file_url", "");
    AppendPart(text, "FCKeditor1", form.body);
    AppendPart(text, "cat_id", "0");
    AppendPart(text, "brand_id", "0");
    AppendPart(text, "keyword", "");
    if (form.goodsIds.empty())
        AppendPart(text, "source_select", "");
    for (const std::string& id : form.goodsIds)
        AppendPart(text, "source_select", id);
    AppendPart(text, "act", form.act);
    AppendPart(text, "old_title", form.oldTitle);
    AppendPart(text, "id", form.id);
    text += "--";
    text += kArticleBoundary;
    text += "--\r\n";
    return text;
}

std::string ArticleFormBytes(const ArticleForm& form, bool utf8)
{
    const std::string text = EncodeArticleForm(form);
    return utf8 ? kc::text::ToUtf8(text) : text;
}

std::string MakeDescription(std::string_view body, int length)
{
    if (length < 1)
        return {};
    const kc::text::TextCleaner cleaner;
    return kc::text::CharLeft(cleaner.RemoveAllWhitespace(cleaner.RemoveUrls(cleaner.StripTags(body))), length);
}

int FindArticleId(std::string_view listPage, std::string_view title)
{
    kc::text::HtmlReader reader;
    const std::string table = reader.FindElement(listPage, "table", "id", "list-table");
    if (table.empty() || title.empty())
        return 0;
    const int rows = reader.FindElements(table, "tr");
    for (int i = 1; i <= rows; ++i) {
        const std::string row = reader.ElementAt(i);
        // The list escapes titles ("&amp;", "&quot;", …); the title was composed unescaped.
        if (kc::text::FindText(row, title) == std::string::npos
            && kc::text::FindText(kc::http::DecodeHtmlEntities(row), title) == std::string::npos)
            continue;
        // The heading row carries words a title may hold ("文章标题") but no article id: look further.
        const int id = kc::text::LeadingInt(reader.GetAttribute(row, "value"));
        if (id >= 1)
            return id;
    }
    return 0;
}

bool IsSubmissionAccepted(std::string_view answer)
{
    return kc::http::MatchAlternatives(answer, KC_TEXT("添加成功|成功编辑"), true);
}

bool SubmitArticle(std::string_view title, std::string& body, kc::sites::SiteConfig& site, int siteIndex,
    std::string& response, const SubmitOptions& options)
{
    // Made only when the caller brings none: even a default engine fills 624 words of state.
    std::optional<std::mt19937> ownRandom;
    if (!options.random)
        ownRandom = FreshRandom();
    std::mt19937& random = options.random ? *options.random : *ownRandom;

    if (site.randomAttributes) {
        site.top = sites::RandomBetween(random, 1, 11) > 5;
        site.recommend = sites::RandomBetween(random, 1, 11) > 5;
        site.featured = sites::RandomBetween(random, 1, 11) > 5;
    }

    ArticleForm form;
    form.title = std::string(title);
    form.categoryId = site.categoryId;
    form.top = site.top;
    form.recommend = site.recommend;
    form.featured = site.featured;
    form.author = site.author;
    form.keywords = site.keywordsChosen;
    form.description = MakeDescription(body, sites::RandomBetween(random, site.descMin, site.descMax));

    if (site.extractThumb || site.uploadThumb) {
        form.picture = FirstImageSource(body);
        if (site.uploadThumb)
            form.picture = UploadImage(form.picture, site);
    }
    if (site.localiseImages)
        LocaliseImages(body, site, siteIndex, title, options.log, options.stopFlag);
    form.body = body;

    form.goodsIds = SplitAtComma(site.goodsChosen);
    std::unique_lock<std::mutex> goodsLock(g_goodsLock, std::defer_lock);
    if (!site.goodsChosen.empty())
        goodsLock.lock();
    std::shared_mutex& shop = ShopLock(site);
    std::unique_lock<std::shared_mutex> shopAlone(shop, std::defer_lock);
    std::shared_lock<std::shared_mutex> shopShared(shop, std::defer_lock);
    if (!site.goodsChosen.empty())
        shopAlone.lock();
    else
        shopShared.lock();
    if (!site.goodsChosen.empty()) {
        for (const std::string& id : form.goodsIds) {
            int encoding = 0;
            SiteClient(site).Request(BackEndBase(site) + "/article.php?is_ajax=1&act=add_link_goods&add_ids=%5B%22" + id
                    + "%22%5D&JSON=%5B0%5D&" + std::to_string(CurrentMillis()) + "255",
                {}, &encoding);
        }
    }

    const std::string base = BackEndBase(site);
    if (!PostForm(site, form, base + "/article.php?act=add", response))
        return false;
    if (!options.enhancedSubmit || !options.enhancedSubmit())
        return true;

    int encoding = 0;
    const std::string list = SiteClient(site).Request(base + "/article.php?act=list", {}, &encoding);
    const int id = FindArticleId(list, title);
    if (id < 1) {
        // The article is in the shop already: failing here would make the caller add it once more.
        if (options.log)
            options.log->LogLine(
                KC_TEXT("增强提交：文章列表中找不到刚添加的文章，未能再次编辑：") + form.title, siteIndex);
        return true;
    }
    form.act = "update";
    form.oldTitle = form.title;
    form.id = std::to_string(id);
    return PostForm(site, form, base + "/article.php?act=edit&id=" + form.id, response);
}

} // namespace kc::ecshop
