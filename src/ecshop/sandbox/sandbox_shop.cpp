// The sandbox shop's server: routing, sessions, the back end's answers, the front end and the faults.
#include "ecshop/sandbox/sandbox_shop.h"

#include "ecshop/sandbox/sandbox_codec.h"
#include "ecshop/sandbox/sandbox_pages.h"
#include "text/literal.h"
#include "text/number_text.h"
#include "text/text_encoding.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include <sys/socket.h>

namespace kc::ecshop {

namespace {

const char* const kSessionCookie = "ECSCP_ID";
const char* const kUploadConnector = "/includes/fckeditor/editor/filemanager/connectors/php/upload.php";
const char* const kUploadFolder = "/images/upload/Image/";
// Where the pre-routing step keeps a multipart request's real content type (see Impl::Start).
const char* const kOriginalContentType = "X-Kc-Sandbox-Content-Type";
constexpr int kArticlesPerPage = 15;
constexpr int kGoodsCount = 20;

// Bytes of the GB18030 character starting at i (1, 2 or 4).
size_t CharLength(std::string_view text, size_t i)
{
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x81 || c > 0xFE || i + 1 >= text.size())
        return 1;
    const auto second = static_cast<unsigned char>(text[i + 1]);
    if (second >= 0x30 && second <= 0x39)
        return std::min<size_t>(4, text.size() - i);
    return 2;
}

std::string LowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// The editor connector's file-name cleaning: the base name only, without \ / | : ? * " < > and control
// characters, and every dot but the last turned into "_" so "a.php.jpg" cannot pass as a script.
// Walks whole characters: GBK trail bytes may equal "\" or "|".
std::string CleanUploadName(std::string_view name)
{
    std::string out;
    for (size_t i = 0; i < name.size();) {
        const size_t length = CharLength(name, i);
        const char c = name[i];
        if (length == 1) {
            if (c == '/' || c == '\\') {
                out.clear();
            } else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F && c != '|' && c != ':' && c != '?'
                && c != '*' && c != '"' && c != '<' && c != '>') {
                out += c;
            }
        } else {
            out.append(name.substr(i, length));
        }
        i += length;
    }
    size_t lastDot = std::string::npos;
    for (size_t i = 0; i < out.size(); i += CharLength(out, i)) {
        if (out[i] == '.')
            lastDot = i;
    }
    for (size_t i = 0; i < out.size(); i += CharLength(out, i)) {
        if (out[i] == '.' && i != lastDot)
            out[i] = '_';
    }
    return out;
}

std::string ImageContentType(std::string_view fileName)
{
    const std::string lower = LowerAscii(fileName);
    const size_t dot = lower.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : lower.substr(dot + 1);
    if (ext == "png")
        return "image/png";
    if (ext == "gif")
        return "image/gif";
    if (ext == "bmp")
        return "image/bmp";
    return "image/jpeg";
}

// Text for a double-quoted script string.
std::string ScriptString(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const size_t length = CharLength(text, i);
        if (length == 1 && (text[i] == '"' || text[i] == '\\'))
            out += '\\';
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

// A dotted IPv4 address of the loopback network 127.0.0.0/8.
bool IsLoopbackAddress(std::string_view host)
{
    int parts = 0;
    size_t i = 0;
    while (i <= host.size()) {
        const size_t dot = std::min(host.find('.', i), host.size());
        const std::string_view piece = host.substr(i, dot - i);
        if (piece.empty() || piece.size() > 3 || piece.find_first_not_of("0123456789") != std::string_view::npos
            || kc::text::LeadingInt(piece) > 255)
            return false;
        if (parts == 0 && piece != "127")
            return false;
        ++parts;
        i = dot + 1;
    }
    return parts == 4;
}

// One request, decoded once, before any lock is taken.
struct Call {
    const httplib::Request& request;
    httplib::Response& response;
    std::string path; // percent-decoded bytes
    std::vector<SandboxFormField> query; // decoded, values in internal text
    std::vector<SandboxFormField>
        form; // body fields (urlencoded, or the multipart parts without a file), internal text
    std::vector<SandboxMultipartPart> parts; // every multipart part, bytes as received
    bool multipart = false;
};

const std::vector<SandboxLink>& BackLinks()
{
    static const std::vector<SandboxLink> links = {{KC_TEXT("返回上一页"), "javascript:history.back()"}};
    return links;
}

} // namespace

struct SandboxShop::Impl {
    explicit Impl(SandboxOptions opts)
        : options(std::move(opts))
        , faults(options.faults)
        , captcha(options.captcha)
        , random(options.seed)
    {
        Seed();
    }

    // ---- configuration, fixed for the shop's life ----
    const SandboxOptions options;

    // ---- shop state, guarded by mutex ----
    // Every handler holds the mutex only to read or change these; decoding, charset conversion and page
    // writing happen outside it, so concurrent sessions wait for each other only briefly.
    mutable std::mutex mutex;
    std::map<int, SandboxArticle> articles; // by id: the newest are at the end
    std::map<int, std::set<int>> articlesByCategory; // category id -> article ids
    std::map<std::pair<int, std::string>, int> titleIndex; // (category id, title) -> article id
    std::vector<SandboxCategory> categories; // creation order; Tree() gives the list order
    mutable std::vector<SandboxCategory> tree; // cached list order, levels filled in
    mutable bool treeValid = false;
    std::vector<SandboxUpload> uploads;
    std::unordered_map<std::string, size_t> uploadIndex; // file name -> index in uploads
    std::vector<SandboxRequest> requests;
    size_t requestCount = 0;
    std::vector<std::pair<int, std::string>> goods;
    std::unordered_set<std::string> sessions;
    // Goods linked before their article exists. The back end keeps them for the administrator, not
    // for one session: the next accepted article of any session takes them all, which is why the
    // client links and submits under one lock.
    std::vector<int> pendingGoods;
    SandboxFaults faults;
    bool captcha;
    std::mt19937 random;
    int nextArticleId = 1;
    int nextCategoryId = 1;

    // ---- server ----
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    std::atomic<int> port{0};
    std::mutex waitMutex;
    std::condition_variable waitCondition;
    bool stopping = false;

    bool Utf8() const { return options.encoding == SandboxEncoding::kUtf8; }
    const char* Charset() const { return Utf8() ? "utf-8" : "gbk"; }
    std::string FromWire(std::string_view bytes) const
    {
        return Utf8() ? text::ConvertCharset(bytes, "UTF-8", text::kInternalCharset) : std::string(bytes);
    }
    std::string ToWire(std::string_view internal) const
    {
        return Utf8() ? text::ConvertCharset(internal, text::kInternalCharset, "UTF-8") : std::string(internal);
    }

    // ---- state changes (mutex held) ----

    int AddCategoryLocked(std::string name, int parentId, int type)
    {
        SandboxCategory category;
        category.id = nextCategoryId++;
        category.name = std::move(name);
        category.parentId = parentId;
        category.type = type;
        categories.push_back(std::move(category));
        treeValid = false;
        return categories.back().id;
    }

    void IndexArticle(const SandboxArticle& article)
    {
        articlesByCategory[article.categoryId].insert(article.id);
        titleIndex[{article.categoryId, article.title}] = article.id;
    }

    void UnindexArticle(const SandboxArticle& article)
    {
        const auto byCategory = articlesByCategory.find(article.categoryId);
        if (byCategory != articlesByCategory.end()) {
            byCategory->second.erase(article.id);
            if (byCategory->second.empty())
                articlesByCategory.erase(byCategory);
        }
        const auto title = titleIndex.find({article.categoryId, article.title});
        if (title != titleIndex.end() && title->second == article.id)
            titleIndex.erase(title);
    }

    void Seed()
    {
        for (int id = 1; id <= kGoodsCount; ++id)
            goods.emplace_back(id, KC_TEXT("演示商品") + std::to_string(id));
        if (!options.demoData)
            return;
        // Two levels: the shop's system branch and an ordinary branch, as a fresh shop has them.
        const int system = AddCategoryLocked(KC_TEXT("系统分类"), 0, kCategorySystem);
        const int info = AddCategoryLocked(KC_TEXT("网店信息"), system, kCategoryShopInfo);
        AddCategoryLocked(KC_TEXT("网店帮助分类"), system, kCategoryHelp);
        const int news = AddCategoryLocked(KC_TEXT("新闻资讯"), 0, kCategoryOrdinary);
        AddCategoryLocked(KC_TEXT("行业动态"), news, kCategoryOrdinary);
        AddCategoryLocked(KC_TEXT("公司新闻"), news, kCategoryOrdinary);
        AddCategoryLocked(KC_TEXT("商品知识"), 0, kCategoryOrdinary);
        for (const std::string& title : {KC_TEXT("免责条款"), KC_TEXT("隐私保护"), KC_TEXT("联系我们")}) {
            SandboxArticle article;
            article.id = nextArticleId++;
            article.title = title;
            article.categoryId = info;
            article.content = "<p>" + title + "</p>";
            article.linkUrl = "http://";
            IndexArticle(article);
            articles.emplace(article.id, std::move(article));
        }
    }

    // ---- lookups (mutex held) ----

    SandboxCategory* FindCategory(int id)
    {
        for (SandboxCategory& category : categories) {
            if (category.id == id)
                return &category;
        }
        return nullptr;
    }

    SandboxArticle* FindArticle(int id)
    {
        const auto it = articles.find(id);
        return it == articles.end() ? nullptr : &it->second;
    }

    // The categories in list order: each followed by its children (by sort order, then id).
    const std::vector<SandboxCategory>& Tree() const
    {
        if (treeValid)
            return tree;
        std::map<int, std::vector<const SandboxCategory*>> children;
        for (const SandboxCategory& category : categories) {
            if (category.parentId != category.id)
                children[category.parentId].push_back(&category);
        }
        for (auto& [parent, list] : children) {
            std::sort(list.begin(), list.end(), [](const SandboxCategory* a, const SandboxCategory* b) {
                return a->sortOrder != b->sortOrder ? a->sortOrder < b->sortOrder : a->id < b->id;
            });
        }
        tree.clear();
        const std::function<void(int, int)> append = [&](int parentId, int level) {
            const auto it = children.find(parentId);
            if (it == children.end())
                return;
            for (const SandboxCategory* child : it->second) {
                tree.push_back(*child);
                tree.back().level = level;
                if (level < 32)
                    append(child->id, level + 1);
            }
        };
        append(0, 0);
        treeValid = true;
        return tree;
    }

    std::map<int, int> ArticleCounts() const
    {
        std::map<int, int> counts;
        for (const auto& [categoryId, ids] : articlesByCategory)
            counts[categoryId] = static_cast<int>(ids.size());
        return counts;
    }

    // ---- request parameters ----

    // A field as PHP's request array sees it: the body wins over the query, the last of a name wins.
    static std::string Param(const Call& call, std::string_view name)
    {
        for (auto it = call.form.rbegin(); it != call.form.rend(); ++it) {
            if (it->first == name)
                return it->second;
        }
        for (auto it = call.query.rbegin(); it != call.query.rend(); ++it) {
            if (it->first == name)
                return it->second;
        }
        return {};
    }

    // Every value of an array field ("checkboxes[]"), from the body, or else from the query.
    static std::vector<std::string> ParamList(const Call& call, std::string_view name)
    {
        std::vector<std::string> values;
        for (const auto& [fieldName, value] : call.form) {
            if (fieldName == name)
                values.push_back(value);
        }
        if (values.empty()) {
            for (const auto& [fieldName, value] : call.query) {
                if (fieldName == name)
                    values.push_back(value);
            }
        }
        return values;
    }

    static std::string Host(const Call& call) { return call.request.get_header_value("Host"); }

    static std::string Cookie(const httplib::Request& request, std::string_view name)
    {
        const std::string header = request.get_header_value("Cookie");
        size_t pos = 0;
        while (pos < header.size()) {
            size_t end = header.find(';', pos);
            if (end == std::string::npos)
                end = header.size();
            std::string_view piece(header.data() + pos, end - pos);
            while (!piece.empty() && piece.front() == ' ')
                piece.remove_prefix(1);
            const size_t eq = piece.find('=');
            if (eq != std::string_view::npos && piece.substr(0, eq) == name)
                return std::string(piece.substr(eq + 1));
            pos = end + 1;
        }
        return {};
    }

    // ---- answers (no lock held) ----

    void SendHtml(Call& call, std::string_view page, int status = 200) const
    {
        call.response.status = status;
        call.response.set_content(ToWire(page), std::string("text/html; charset=") + Charset());
    }

    // json is already in wire form: ASCII with escapes (UTF-8 flavour) or GBK bytes (GBK flavour).
    void SendJson(Call& call, const std::string& json) const
    {
        call.response.status = 200;
        call.response.set_content(json, std::string("application/json; charset=") + Charset());
    }

    void SendMessage(
        Call& call, std::string_view message, const std::vector<SandboxLink>& links, std::string_view extra = {}) const
    {
        SendHtml(call, SandboxMessagePage(Charset(), message, links, extra));
    }

    static void Redirect(Call& call, const std::string& location)
    {
        call.response.status = 302;
        call.response.set_header("Location", location);
        call.response.set_content("<html><body><a href=\"" + SandboxHtmlEscape(location) + "\">"
                + SandboxHtmlEscape(location) + "</a></body></html>",
            "text/html");
    }

    std::string JsonResult(int error, std::string_view message, const std::string& contentJson) const
    {
        return "{\"error\":" + std::to_string(error) + ",\"message\":" + SandboxJsonString(message, Utf8())
            + ",\"content\":" + contentJson + "}";
    }

    // ---- sessions ----

    std::string NewSessionIdLocked()
    {
        static const char kHex[] = "0123456789abcdef";
        std::string id;
        for (int i = 0; i < 32; ++i)
            id += kHex[random() % 16];
        return id;
    }

    bool HasSession(const httplib::Request& request) const
    {
        const std::string id = Cookie(request, kSessionCookie);
        const std::lock_guard lock(mutex);
        return sessions.count(id) != 0;
    }

    // An admin page needs a known session cookie and, when the browser or client sends a Referer, one
    // under this shop's admin directory (the back end refuses pages reached from elsewhere). A missing
    // Referer is accepted, since browsers may withhold it.
    bool AdminSession(const Call& call) const
    {
        if (!HasSession(call.request))
            return false;
        const std::string referer = call.request.get_header_value("Referer");
        if (referer.empty())
            return true;
        const std::string under = "://" + Host(call) + "/" + options.adminDir;
        for (const char* scheme : {"http", "https"}) {
            const std::string prefix = scheme + under;
            if (SandboxStartsWithNoCase(referer, prefix)) {
                const char next = referer.size() > prefix.size() ? referer[prefix.size()] : '/';
                if (next == '/' || next == '?' || next == '#')
                    return true;
            }
        }
        return false;
    }

    // ---- pages of the back end ----

    void Privilege(Call& call)
    {
        const std::string act = Param(call, "act");
        if (act == "signin") {
            const std::vector<SandboxLink> back = {{KC_TEXT("返回上一页"), "privilege.php?act=login"}};
            bool captchaOn = false;
            {
                const std::lock_guard lock(mutex);
                captchaOn = captcha;
            }
            if (captchaOn && LowerAscii(Param(call, "captcha")) != LowerAscii(options.captchaCode)) {
                SendMessage(call, KC_TEXT("您输入的验证码不正确。"), back);
                return;
            }
            if (!options.securityCode.empty() && Param(call, "safecode") != options.securityCode) {
                SendMessage(call, KC_TEXT("您输入的安全码不正确。"), back);
                return;
            }
            if (Param(call, "username") != options.user || Param(call, "password") != options.password) {
                SendMessage(call, KC_TEXT("您输入的帐号信息不正确。"), back);
                return;
            }
            std::string id;
            {
                const std::lock_guard lock(mutex);
                id = NewSessionIdLocked();
                sessions.insert(id);
            }
            call.response.set_header("Set-Cookie", std::string(kSessionCookie) + "=" + id + "; path=/");
            Redirect(call, "./index.php");
            return;
        }
        if (act == "logout") {
            const std::string id = Cookie(call.request, kSessionCookie);
            {
                const std::lock_guard lock(mutex);
                sessions.erase(id);
            }
            call.response.set_header(
                "Set-Cookie", std::string(kSessionCookie) + "=deleted; expires=Thu, 01-Jan-1970 00:00:01 GMT; path=/");
            Redirect(call, "privilege.php?act=login");
            return;
        }
        bool captchaOn = false;
        {
            const std::lock_guard lock(mutex);
            captchaOn = captcha;
        }
        SendHtml(call, SandboxLoginPage(Charset(), captchaOn, options.captchaCode));
    }

    void Index(Call& call)
    {
        const std::string act = Param(call, "act");
        if (act == "top") {
            SendHtml(call, SandboxTopPage(Charset(), options.user));
        } else if (act == "menu") {
            SendHtml(call, SandboxMenuPage(Charset()));
        } else if (act == "main") {
            int articleCount = 0;
            int categoryCount = 0;
            {
                const std::lock_guard lock(mutex);
                articleCount = static_cast<int>(articles.size());
                categoryCount = static_cast<int>(categories.size());
            }
            SendHtml(call, SandboxMainPage(Charset(), articleCount, categoryCount));
        } else {
            SendHtml(call, SandboxFramesetPage(Charset()));
        }
    }

    void ArticleList(Call& call)
    {
        const int filter = kc::text::LeadingInt(Param(call, "cat_id"));
        const int wanted = kc::text::LeadingInt(Param(call, "page"));
        std::vector<SandboxArticle> slice;
        std::vector<SandboxCategory> tree;
        int count = 0;
        int page = 1;
        int pageCount = 1;
        {
            const std::lock_guard lock(mutex);
            static const std::set<int> kNone;
            const auto byCategory = filter > 0 ? articlesByCategory.find(filter) : articlesByCategory.end();
            const std::set<int>& ids = byCategory == articlesByCategory.end() ? kNone : byCategory->second;
            count = static_cast<int>(filter > 0 ? ids.size() : articles.size());
            pageCount = std::max(1, (count + kArticlesPerPage - 1) / kArticlesPerPage);
            page = std::clamp(wanted, 1, pageCount);
            // Newest first: walk back from the end, skipping the earlier pages only.
            const int skip = (page - 1) * kArticlesPerPage;
            if (filter > 0) {
                auto it = ids.rbegin();
                std::advance(it, std::min(skip, count));
                for (; it != ids.rend() && static_cast<int>(slice.size()) < kArticlesPerPage; ++it)
                    slice.push_back(articles.at(*it));
            } else {
                auto it = articles.rbegin();
                std::advance(it, std::min(skip, count));
                for (; it != articles.rend() && static_cast<int>(slice.size()) < kArticlesPerPage; ++it)
                    slice.push_back(it->second);
            }
            tree = Tree();
        }
        SendHtml(call, SandboxArticleListPage(Charset(), slice, tree, page, pageCount, count, filter));
    }

    static std::vector<SandboxLink> ArticleLinks(const Call& call, int id)
    {
        return {{KC_TEXT("查看文档"), "http://" + Host(call) + "/article.php?id=" + std::to_string(id)},
            {KC_TEXT("继续添加新文章"), "article.php?act=add"}, {KC_TEXT("返回文章列表"), "article.php?act=list"}};
    }

    // The address push script of the message page: the published address of the article.
    static std::string PushScript(const Call& call, int id)
    {
        return "<script type=\"text/javascript\">\r\nfunction push_zzbaidu(url) {}\r\npush_zzbaidu('http://"
            + Host(call) + "/article.php?id=" + std::to_string(id) + "');\r\n</script>\r\n";
    }

    void SubmitArticle(Call& call, bool update)
    {
        std::vector<SandboxFilePart> files;
        bool hasFilePart = false;
        for (const SandboxMultipartPart& part : call.parts) {
            if (part.hasFileName) {
                files.push_back({part.name, FromWire(part.fileName), part.contentType, part.value});
                hasFilePart = hasFilePart || part.name == "file";
            }
        }
        SandboxArticle form;
        form.title = Param(call, "title");
        form.categoryId = kc::text::LeadingInt(Param(call, "article_cat"));
        form.articleType = kc::text::LeadingInt(Param(call, "article_type"));
        form.isOpen = Param(call, "is_open") == "1";
        form.author = Param(call, "author");
        form.keywords = Param(call, "keywords");
        form.description = Param(call, "description");
        form.content = Param(call, "FCKeditor1");
        form.linkUrl = Param(call, "link_url");
        form.picture = Param(call, "article_pic");
        form.fields = call.form;
        form.files = std::move(files);
        const int updateId = update ? kc::text::LeadingInt(Param(call, "id")) : 0;
        const std::string title = form.title;
        if (title.empty()) {
            SendMessage(call, KC_TEXT("没有输入文章标题。"), BackLinks());
            return;
        }

        std::string refusal;
        int id = 0;
        {
            const std::lock_guard lock(mutex);
            SandboxArticle* article = update ? FindArticle(updateId) : nullptr;
            const auto taken = titleIndex.find({form.categoryId, form.title});
            if (!FindCategory(form.categoryId)) {
                refusal = KC_TEXT("没有选择文章分类，或文章分类不存在。");
            } else if (update && !article) {
                refusal = KC_TEXT("文章不存在，无法编辑。");
            } else if (update && !hasFilePart) {
                // The back end reads the attachment's upload record on every edit; a form without the
                // file input cannot be saved.
                refusal = KC_TEXT("文章编辑失败：表单缺少附件项 file。");
            } else if (taken != titleIndex.end() && (!article || taken->second != article->id)) {
                refusal = KC_TEXT("文章 ") + title + KC_TEXT(" 已经存在");
            } else {
                if (article) {
                    UnindexArticle(*article);
                    form.id = article->id;
                    form.updates = article->updates + 1;
                    form.linkedGoods = std::move(article->linkedGoods);
                } else {
                    form.id = nextArticleId++;
                }
                for (int goodsId : pendingGoods) {
                    if (std::find(form.linkedGoods.begin(), form.linkedGoods.end(), goodsId) == form.linkedGoods.end())
                        form.linkedGoods.push_back(goodsId);
                }
                pendingGoods.clear();
                id = form.id;
                IndexArticle(form);
                articles[id] = std::move(form);
            }
        }
        if (!refusal.empty())
            SendMessage(call, refusal, BackLinks());
        else if (update)
            SendMessage(
                call, KC_TEXT("文章 ") + title + KC_TEXT(" 成功编辑"), ArticleLinks(call, id), PushScript(call, id));
        else
            SendMessage(call, KC_TEXT("文章已经添加成功"), ArticleLinks(call, id), PushScript(call, id));
    }

    void AddLinkGoods(Call& call)
    {
        // add_ids is a JSON array of ids as strings: ["3","7"].
        const std::string ids = Param(call, "add_ids");
        std::vector<int> asked;
        for (size_t i = 0; i < ids.size();) {
            if (ids[i] >= '0' && ids[i] <= '9') {
                size_t end = i;
                while (end < ids.size() && ids[end] >= '0' && ids[end] <= '9')
                    ++end;
                asked.push_back(kc::text::LeadingInt(std::string_view(ids).substr(i, end - i)));
                i = end;
            } else {
                ++i;
            }
        }
        std::vector<std::pair<int, std::string>> linked;
        {
            const std::lock_guard lock(mutex);
            for (int id : asked) {
                const bool known = id >= 1 && id <= static_cast<int>(goods.size());
                if (known && std::find(pendingGoods.begin(), pendingGoods.end(), id) == pendingGoods.end())
                    pendingGoods.push_back(id);
            }
            for (int id : pendingGoods)
                linked.push_back(goods[static_cast<size_t>(id - 1)]);
        }
        std::string content = "[";
        for (const auto& [id, name] : linked) {
            if (content.size() > 1)
                content += ',';
            content += "{\"value\":\"" + std::to_string(id) + "\",\"text\":" + SandboxJsonString(name, Utf8())
                + ",\"data\":\"\"}";
        }
        content += "]";
        SendJson(call, JsonResult(0, "", content));
    }

    void BatchRemove(Call& call)
    {
        std::vector<int> ids;
        for (const std::string& value : ParamList(call, "checkboxes[]"))
            ids.push_back(kc::text::LeadingInt(value));
        {
            const std::lock_guard lock(mutex);
            for (int id : ids) {
                const auto it = articles.find(id);
                if (it == articles.end())
                    continue;
                UnindexArticle(it->second);
                articles.erase(it);
            }
        }
        SendMessage(call, KC_TEXT("批量操作成功"), {{KC_TEXT("返回文章列表"), "article.php?act=list"}});
    }

    void Article(Call& call)
    {
        const std::string act = Param(call, "act");
        if (act == "insert" || act == "update") {
            SubmitArticle(call, act == "update");
        } else if (act == "add_link_goods") {
            AddLinkGoods(call);
        } else if (act == "batch_remove" || (act == "batch" && Param(call, "type") == "button_remove")) {
            BatchRemove(call);
        } else if (act == "add") {
            std::vector<SandboxCategory> tree;
            {
                const std::lock_guard lock(mutex);
                tree = Tree();
            }
            SendHtml(call, SandboxArticleFormPage(Charset(), tree, nullptr));
        } else if (act == "edit") {
            std::optional<SandboxArticle> article;
            std::vector<SandboxCategory> tree;
            {
                const std::lock_guard lock(mutex);
                if (const SandboxArticle* found = FindArticle(kc::text::LeadingInt(Param(call, "id"))))
                    article = *found;
                tree = Tree();
            }
            if (article)
                SendHtml(call, SandboxArticleFormPage(Charset(), tree, &*article));
            else
                SendMessage(
                    call, KC_TEXT("文章不存在，无法编辑。"), {{KC_TEXT("返回文章列表"), "article.php?act=list"}});
        } else {
            ArticleList(call);
        }
    }

    void InsertCategory(Call& call)
    {
        const std::string name = Param(call, "cat_name");
        const int parentId = kc::text::LeadingInt(Param(call, "parent_id"));
        const std::string sortOrder = Param(call, "sort_order");
        if (name.empty()) {
            SendMessage(call, KC_TEXT("分类名称不能为空。"), BackLinks());
            return;
        }
        std::string refusal;
        {
            const std::lock_guard lock(mutex);
            int type = kCategoryOrdinary;
            const SandboxCategory* parent = parentId != 0 ? FindCategory(parentId) : nullptr;
            if (parentId != 0 && !parent) {
                refusal = KC_TEXT("上级分类不存在。");
            } else if (parent
                && (parent->type == kCategorySystem || parent->type == kCategoryShopInfo
                    || parent->type == kCategoryShopHelp)) {
                refusal = KC_TEXT("不能在该分类下添加子分类。");
            } else if (std::any_of(categories.begin(), categories.end(), [&](const SandboxCategory& category) {
                           return category.parentId == parentId && category.name == name;
                       })) {
                refusal = KC_TEXT("分类 ") + name + KC_TEXT(" 已经存在");
            } else {
                if (parent && parent->type == kCategoryHelp)
                    type = kCategoryShopHelp;
                const int id = AddCategoryLocked(name, parentId, type);
                SandboxCategory& category = *FindCategory(id);
                category.sortOrder = sortOrder.empty() ? 50 : kc::text::LeadingInt(sortOrder);
                category.showInNav = Param(call, "show_in_nav") == "1";
                category.keywords = Param(call, "keywords");
                category.description = Param(call, "cat_desc");
            }
        }
        if (!refusal.empty()) {
            SendMessage(call, refusal, BackLinks());
            return;
        }
        SendMessage(call, name + KC_TEXT("已成功添加"),
            {{KC_TEXT("继续添加新分类"), "articlecat.php?act=add"},
                {KC_TEXT("返回分类列表"), "articlecat.php?act=list"}});
    }

    void RemoveCategory(Call& call)
    {
        const int id = kc::text::LeadingInt(Param(call, "id"));
        std::string refusal;
        std::vector<SandboxCategory> tree;
        std::map<int, int> counts;
        {
            const std::lock_guard lock(mutex);
            const SandboxCategory* category = FindCategory(id);
            if (!category) {
                refusal = KC_TEXT("分类不存在。");
            } else if (category->type == kCategorySystem || category->type == kCategoryShopInfo
                || category->type == kCategoryHelp) {
                refusal = KC_TEXT("系统保留分类，不允许删除。");
            } else if (std::any_of(categories.begin(), categories.end(),
                           [id](const SandboxCategory& other) { return other.parentId == id; })) {
                refusal = KC_TEXT("该分类下还有子分类，不能删除。");
            } else if (articlesByCategory.count(id) != 0) {
                refusal = KC_TEXT("该分类下还有文章，不能删除。请先删除或转移该分类下的文章。");
            } else {
                std::erase_if(categories, [id](const SandboxCategory& other) { return other.id == id; });
                treeValid = false;
                tree = Tree();
                counts = ArticleCounts();
            }
        }
        if (!refusal.empty()) {
            SendJson(call, JsonResult(1, refusal, "\"\""));
            return;
        }
        SendJson(call, JsonResult(0, "", SandboxJsonString(SandboxCategoryTable(tree, counts), Utf8())));
    }

    void ArticleCategory(Call& call)
    {
        const std::string act = Param(call, "act");
        if (act == "insert") {
            InsertCategory(call);
            return;
        }
        if (act == "remove") {
            RemoveCategory(call);
            return;
        }
        std::vector<SandboxCategory> tree;
        std::map<int, int> counts;
        {
            const std::lock_guard lock(mutex);
            tree = Tree();
            counts = ArticleCounts();
        }
        if (act == "add")
            SendHtml(call, SandboxCategoryFormPage(Charset(), tree));
        else
            SendHtml(call, SandboxCategoryListPage(Charset(), tree, counts));
    }

    void Admin(Call& call, std::string_view page)
    {
        if (page == "privilege.php") {
            Privilege(call);
            return;
        }
        if (page != "" && page != "index.php" && page != "article.php" && page != "articlecat.php") {
            SendHtml(call, SandboxNotFoundPage(Charset()), 404);
            return;
        }
        if (!AdminSession(call)) {
            Redirect(call, "privilege.php?act=login");
            return;
        }
        if (page == "article.php")
            Article(call);
        else if (page == "articlecat.php")
            ArticleCategory(call);
        else
            Index(call);
    }

    // ---- the editor's upload connector ----

    void SendUploadResult(Call& call, int code, std::string_view url, std::string_view name, std::string_view message)
    {
        const std::string script = "<script type=\"text/javascript\">window.parent.OnUploadCompleted("
            + std::to_string(code) + ",\"" + ScriptString(url) + "\",\"" + ScriptString(name) + "\", \""
            + ScriptString(message) + "\") ;</script>";
        call.response.status = 200;
        call.response.set_content(ToWire(script), std::string("text/html; charset=") + Charset());
    }

    void Upload(Call& call)
    {
        if (!HasSession(call.request)) {
            SendUploadResult(call, 1, "", "", KC_TEXT("没有上传权限：请先登录管理中心。"));
            return;
        }
        std::string type;
        for (const auto& [name, value] : call.query) {
            if (name == "Type")
                type = value;
        }
        if (type != "Image") {
            SendUploadResult(call, 1, "", "", "Invalid type specified");
            return;
        }
        const SandboxMultipartPart* file = nullptr;
        for (const SandboxMultipartPart& part : call.parts) {
            if (part.name == "NewFile" && part.hasFileName)
                file = &part;
        }
        if (!file) {
            SendUploadResult(call, 202, "", "", "");
            return;
        }
        const std::string cleaned = CleanUploadName(FromWire(file->fileName));
        const size_t dot = cleaned.rfind('.');
        const std::string ext = dot == std::string::npos ? std::string() : LowerAscii(cleaned.substr(dot + 1));
        if (dot == 0 || (ext != "jpg" && ext != "jpeg" && ext != "gif" && ext != "png" && ext != "bmp")) {
            SendUploadResult(call, 202, "", "", "");
            return;
        }
        const std::string base = cleaned.substr(0, dot);
        SandboxUpload upload;
        upload.contentType = file->contentType;
        upload.bytes = file->value;
        {
            const std::lock_guard lock(mutex);
            std::string name = cleaned;
            for (int n = 1; uploadIndex.count(name) != 0; ++n) {
                name = base + "(" + std::to_string(n) + ")." + cleaned.substr(dot + 1);
                upload.code = 201;
            }
            upload.fileName = name;
            upload.url = kUploadFolder + name;
            uploadIndex.emplace(name, uploads.size());
            uploads.push_back(upload);
        }
        SendUploadResult(call, upload.code, upload.url, upload.fileName, "");
    }

    // ---- the front end ----

    void Front(Call& call)
    {
        const std::string& path = call.path;
        if (path.rfind(kUploadFolder, 0) == 0) {
            const std::string name = FromWire(path.substr(std::string_view(kUploadFolder).size()));
            std::optional<std::string> bytes;
            {
                const std::lock_guard lock(mutex);
                const auto it = uploadIndex.find(name);
                if (it != uploadIndex.end())
                    bytes = uploads[it->second].bytes;
            }
            if (bytes) {
                call.response.set_content(*bytes, ImageContentType(name));
                return;
            }
        } else if (path == "/" || path == "/index.php") {
            std::vector<SandboxCategory> tree;
            {
                const std::lock_guard lock(mutex);
                tree = Tree();
            }
            SendHtml(call, SandboxFrontIndexPage(Charset(), tree));
            return;
        } else if (path == "/article_cat.php") {
            std::optional<SandboxCategory> category;
            std::vector<SandboxArticle> shown;
            {
                const std::lock_guard lock(mutex);
                if (const SandboxCategory* found = FindCategory(kc::text::LeadingInt(Param(call, "id")))) {
                    category = *found;
                    const auto ids = articlesByCategory.find(found->id);
                    if (ids != articlesByCategory.end()) {
                        for (auto it = ids->second.rbegin(); it != ids->second.rend(); ++it) {
                            const SandboxArticle& article = articles.at(*it);
                            if (article.isOpen)
                                shown.push_back(article);
                        }
                    }
                }
            }
            if (category)
                SendHtml(call, SandboxFrontCategoryPage(Charset(), *category, shown));
            else
                Redirect(call, "./index.php");
            return;
        } else if (path == "/article.php") {
            std::optional<SandboxArticle> article;
            {
                const std::lock_guard lock(mutex);
                const SandboxArticle* found = FindArticle(kc::text::LeadingInt(Param(call, "id")));
                if (found && found->isOpen)
                    article = *found;
            }
            if (article)
                SendHtml(call, SandboxFrontArticlePage(Charset(), *article));
            else
                Redirect(call, "./index.php");
            return;
        }
        SendHtml(call, SandboxNotFoundPage(Charset()), 404);
    }

    void Route(Call& call)
    {
        const std::string admin = "/" + options.adminDir;
        if (call.path == admin) {
            Redirect(call, admin + "/");
        } else if (call.path.rfind(admin + "/", 0) == 0) {
            Admin(call, std::string_view(call.path).substr(admin.size() + 1));
        } else if (call.path == kUploadConnector && call.request.method == "POST") {
            Upload(call);
        } else {
            Front(call);
        }
    }

    // ---- faults ----

    // Sleeps up to ms, returning early when the shop stops.
    void Wait(int ms)
    {
        std::unique_lock lock(waitMutex);
        waitCondition.wait_for(lock, std::chrono::milliseconds(std::max(0, ms)), [this] { return stopping; });
    }

    std::string DrawFaultLocked(SandboxFaults& drawn)
    {
        drawn = faults;
        const double total
            = faults.errorShare + faults.garbageShare + faults.resetShare + faults.hangShare + faults.delayShare;
        if (total <= 0)
            return {};
        const double r = std::uniform_real_distribution<double>(0.0, 1.0)(random);
        double bound = 0;
        const std::pair<double, const char*> shares[] = {{faults.errorShare, "error"}, {faults.garbageShare, "garbage"},
            {faults.resetShare, "reset"}, {faults.hangShare, "hang"}, {faults.delayShare, "delay"}};
        for (const auto& [share, name] : shares) {
            bound += std::max(0.0, share);
            if (r < bound)
                return name;
        }
        return {};
    }

    std::string GarbageLocked()
    {
        std::string bytes(256 + random() % 768, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random() & 0xFF);
        return bytes;
    }

    // Sends the answer's head and the first half of its body, then makes the server drop the connection.
    static void CutShort(httplib::Response& response)
    {
        auto body = std::make_shared<std::string>(std::move(response.body));
        response.body.clear();
        std::string contentType = response.get_header_value("Content-Type");
        response.headers.erase("Content-Type");
        if (contentType.empty())
            contentType = "text/html";
        const size_t length = std::max<size_t>(body->size(), 1);
        response.set_content_provider(length, contentType, [body](size_t offset, size_t, httplib::DataSink& sink) {
            const size_t half = body->size() / 2;
            if (offset < half)
                sink.write(body->data() + offset, half - offset);
            return false;
        });
    }

    // ---- entry ----

    void Handle(const httplib::Request& request, httplib::Response& response)
    {
        const std::string originalType = request.get_header_value(kOriginalContentType);
        SandboxRequest record;
        if (options.recordRequests) {
            record.method = request.method;
            record.target = request.target;
            for (const auto& [name, value] : request.headers) {
                if (SandboxStartsWithNoCase(name, kOriginalContentType)
                    && name.size() == std::strlen(kOriginalContentType))
                    continue;
                const bool isType = SandboxStartsWithNoCase(name, "Content-Type") && name.size() == 12;
                record.headers.emplace_back(name, isType && !originalType.empty() ? originalType : value);
            }
            record.body = request.body;
        }
        SandboxFaults drawn;
        std::string fault;
        std::string garbage;
        {
            const std::lock_guard lock(mutex);
            fault = DrawFaultLocked(drawn);
            if (fault == "garbage")
                garbage = GarbageLocked();
            ++requestCount;
            if (options.recordRequests) {
                record.fault = fault;
                requests.push_back(std::move(record));
            }
        }

        if (fault == "error") {
            response.status = 500;
            response.set_content("<html><head><title>500 Internal Server Error</title></head><body>"
                                 "<h1>Internal Server Error</h1></body></html>",
                "text/html");
            return;
        }
        if (fault == "garbage") {
            response.status = 200;
            response.set_content(garbage, "text/html");
            return;
        }
        if (fault == "hang") {
            Wait(drawn.hangMs);
            response.status = 200;
            response.set_content(" ", "text/html");
            CutShort(response);
            return;
        }
        if (fault == "delay")
            Wait(drawn.delayMs);

        Call call{request, response, {}, {}, {}, {}, false};
        const size_t question = request.target.find('?');
        call.path = SandboxPercentDecode(std::string_view(request.target).substr(0, question), false);
        if (question != std::string::npos)
            call.query = SandboxParseFormFields(std::string_view(request.target).substr(question + 1));
        const std::string boundary = SandboxMultipartBoundary(originalType);
        if (!boundary.empty()) {
            call.multipart = true;
            SandboxParseMultipart(request.body, boundary, call.parts);
            for (const SandboxMultipartPart& part : call.parts) {
                if (!part.hasFileName)
                    call.form.emplace_back(part.name, part.value);
            }
        } else if (SandboxStartsWithNoCase(
                       request.get_header_value("Content-Type"), "application/x-www-form-urlencoded")) {
            call.form = SandboxParseFormFields(request.body);
        }
        // Every value in internal text once, so handlers compare and store without converting.
        for (auto& field : call.query)
            field.second = FromWire(field.second);
        for (auto& field : call.form)
            field.second = FromWire(field.second);
        Route(call);
        if (fault == "reset")
            CutShort(response);
    }

    bool Start()
    {
        if (server || !IsLoopbackAddress(options.host))
            return false;
        {
            std::lock_guard lock(waitMutex);
            stopping = false;
        }
        server = std::make_unique<httplib::Server>();
        const size_t threads = static_cast<size_t>(std::max(2, options.threads));
        server->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
        // One request per connection: an idle kept-alive connection would hold a pool thread for
        // seconds, and clients that keep theirs open (access method 2) would starve the others.
        server->set_keep_alive_max_count(1);
        // httplib's default options set SO_REUSEPORT, which lets a second shop bind a port another one
        // listens on and take half its connections. SO_REUSEADDR alone still allows a quick restart.
        // The last socket httplib set up is the one it bound (bind_to_any_port may try several).
        auto listening = std::make_shared<int>(-1);
        server->set_socket_options([listening](int sock) {
            int yes = 1;
            setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
            *listening = sock;
        });
        // httplib reads every multipart body into its own parts and drops the raw bytes, which the
        // shop records and parses itself. Hiding the multipart type before the body is read keeps the
        // bytes; the real type travels in a header of our own. The request is not a const object.
        server->set_pre_routing_handler([](const httplib::Request& request, httplib::Response&) {
            const std::string type = request.get_header_value("Content-Type");
            if (SandboxStartsWithNoCase(type, "multipart/")) {
                auto& headers = const_cast<httplib::Request&>(request).headers;
                headers.erase("Content-Type");
                headers.emplace("Content-Type", "application/octet-stream");
                headers.emplace(kOriginalContentType, type);
            }
            return httplib::Server::HandlerResponse::Unhandled;
        });
        const auto handler
            = [this](const httplib::Request& request, httplib::Response& response) { Handle(request, response); };
        server->Get(".*", handler);
        server->Post(".*", handler);
        int bound = -1;
        if (options.port > 0)
            bound = server->bind_to_port(options.host.c_str(), options.port) ? options.port : -1;
        else
            bound = server->bind_to_any_port(options.host.c_str());
        if (bound <= 0) {
            server.reset();
            return false;
        }
        port = bound;
        // httplib listens with a backlog of 5: ten clients connecting at once overflow it, and each
        // dropped connection waits a second for its SYN to be sent again. A second listen() on the
        // bound socket raises the backlog.
        if (*listening >= 0)
            ::listen(*listening, SOMAXCONN);
        httplib::Server* raw = server.get();
        thread = std::thread([raw] { raw->listen_after_bind(); });
        // Stop() must not race the listening loop's start, or it would find nothing to stop.
        for (int i = 0; i < 5000 && !server->is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return true;
    }

    void Stop()
    {
        if (!server)
            return;
        {
            std::lock_guard lock(waitMutex);
            stopping = true;
        }
        waitCondition.notify_all();
        server->stop();
        if (thread.joinable())
            thread.join();
        server.reset();
        port = 0;
    }
};

SandboxShop::SandboxShop(SandboxOptions options)
    : m_impl(std::make_unique<Impl>(std::move(options)))
{
}

SandboxShop::~SandboxShop()
{
    Stop();
}

bool SandboxShop::Start()
{
    return m_impl->Start();
}

void SandboxShop::Stop()
{
    m_impl->Stop();
}

bool SandboxShop::Running() const
{
    return m_impl->server != nullptr;
}

int SandboxShop::Port() const
{
    return m_impl->port;
}

std::string SandboxShop::ShopUrl() const
{
    return "http://" + m_impl->options.host + ":" + std::to_string(m_impl->port);
}

std::string SandboxShop::AdminUrl() const
{
    return ShopUrl() + "/" + m_impl->options.adminDir;
}

const SandboxOptions& SandboxShop::Options() const
{
    return m_impl->options;
}

std::vector<SandboxArticle> SandboxShop::Articles() const
{
    const std::lock_guard lock(m_impl->mutex);
    std::vector<SandboxArticle> articles;
    articles.reserve(m_impl->articles.size());
    for (const auto& [id, article] : m_impl->articles)
        articles.push_back(article);
    return articles;
}

std::optional<SandboxArticle> SandboxShop::Article(int id) const
{
    const std::lock_guard lock(m_impl->mutex);
    const auto it = m_impl->articles.find(id);
    if (it == m_impl->articles.end())
        return std::nullopt;
    return it->second;
}

size_t SandboxShop::ArticleCount() const
{
    const std::lock_guard lock(m_impl->mutex);
    return m_impl->articles.size();
}

std::vector<SandboxCategory> SandboxShop::Categories() const
{
    const std::lock_guard lock(m_impl->mutex);
    return m_impl->Tree();
}

int SandboxShop::AddCategory(std::string_view name, int parentId, int type)
{
    const std::lock_guard lock(m_impl->mutex);
    if (name.empty() || (parentId != 0 && !m_impl->FindCategory(parentId)))
        return 0;
    return m_impl->AddCategoryLocked(std::string(name), parentId, type);
}

std::vector<SandboxUpload> SandboxShop::Uploads() const
{
    const std::lock_guard lock(m_impl->mutex);
    return m_impl->uploads;
}

std::vector<SandboxRequest> SandboxShop::Requests() const
{
    const std::lock_guard lock(m_impl->mutex);
    return m_impl->requests;
}

size_t SandboxShop::RequestCount() const
{
    const std::lock_guard lock(m_impl->mutex);
    return m_impl->requestCount;
}

void SandboxShop::ClearRequests()
{
    const std::lock_guard lock(m_impl->mutex);
    m_impl->requests.clear();
}

std::vector<std::pair<int, std::string>> SandboxShop::Goods() const
{
    const std::lock_guard lock(m_impl->mutex);
    return m_impl->goods;
}

void SandboxShop::SetFaults(const SandboxFaults& faults)
{
    const std::lock_guard lock(m_impl->mutex);
    m_impl->faults = faults;
}

void SandboxShop::SetCaptcha(bool on)
{
    const std::lock_guard lock(m_impl->mutex);
    m_impl->captcha = on;
}

} // namespace kc::ecshop
