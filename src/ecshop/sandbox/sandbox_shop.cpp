// The sandbox shop's server: routing, sessions, the back end's answers, the front end and the faults.
#include "ecshop/sandbox/sandbox_shop.h"

#include "ecshop/sandbox/sandbox_codec.h"
#include "ecshop/sandbox/sandbox_pages.h"
#include "text/text_encoding.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <thread>

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

// The leading, optionally signed, decimal number of a text; 0 when there is none. Clamped to int.
int ToInt(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

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

struct Session {
    std::vector<int> pendingGoods; // linked before the article exists; the next insert takes them
};

// One request, decoded once.
struct Call {
    const httplib::Request& request;
    httplib::Response& response;
    std::string path; // percent-decoded bytes
    std::vector<SandboxFormField> query; // decoded bytes
    std::vector<SandboxFormField> form; // body fields (urlencoded, or the multipart parts without a file)
    std::vector<SandboxMultipartPart> parts; // every multipart part
    bool multipart = false;
};

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

    // ---- configuration ----
    SandboxOptions options;

    // ---- shop state, guarded by mutex ----
    mutable std::mutex mutex;
    std::vector<SandboxArticle> articles; // id order
    std::vector<SandboxCategory> categories; // creation order; TreeOrder() gives the list order
    std::vector<SandboxUpload> uploads;
    std::vector<SandboxRequest> requests;
    std::vector<std::pair<int, std::string>> goods;
    std::map<std::string, Session> sessions;
    SandboxFaults faults;
    bool captcha;
    std::mt19937 random;
    int nextArticleId = 1;
    int nextCategoryId = 1;

    // ---- server ----
    std::unique_ptr<httplib::Server> server;
    std::thread thread;
    int port = 0;
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

    void Seed()
    {
        struct SeedCategory {
            const char* name;
            int parentId;
            int type;
        };
        // Two levels: the shop's system branch and an ordinary branch, as a fresh shop has them.
        const SeedCategory seeds[] = {
            {"\xCF\xB5\xCD\xB3\xB7\xD6\xC0\xE0" /* 系统分类 */, 0, kCategorySystem},
            {"\xCD\xF8\xB5\xEA\xD0\xC5\xCF\xA2" /* 网店信息 */, 1, kCategoryShopInfo},
            {"\xCD\xF8\xB5\xEA\xB0\xEF\xD6\xFA\xB7\xD6\xC0\xE0" /* 网店帮助分类 */, 1, kCategoryHelp},
            {"\xD0\xC2\xCE\xC5\xD7\xCA\xD1\xB6" /* 新闻资讯 */, 0, kCategoryOrdinary},
            {"\xD0\xD0\xD2\xB5\xB6\xAF\xCC\xAC" /* 行业动态 */, 4, kCategoryOrdinary},
            {"\xB9\xAB\xCB\xBE\xD0\xC2\xCE\xC5" /* 公司新闻 */, 4, kCategoryOrdinary},
            {"\xC9\xCC\xC6\xB7\xD6\xAA\xCA\xB6" /* 商品知识 */, 0, kCategoryOrdinary},
        };
        for (const SeedCategory& seed : seeds) {
            SandboxCategory category;
            category.id = nextCategoryId++;
            category.name = seed.name;
            category.parentId = seed.parentId;
            category.type = seed.type;
            categories.push_back(std::move(category));
        }
        const char* const infoTitles[] = {"\xC3\xE2\xD4\xF0\xCC\xF5\xBF\xEE" /* 免责条款 */,
            "\xD2\xFE\xCB\xBD\xB1\xA3\xBB\xA4" /* 隐私保护 */, "\xC1\xAA\xCF\xB5\xCE\xD2\xC3\xC7" /* 联系我们 */};
        for (const char* title : infoTitles) {
            SandboxArticle article;
            article.id = nextArticleId++;
            article.title = title;
            article.categoryId = 2;
            article.content = std::string("<p>") + title + "</p>";
            article.linkUrl = "http://";
            articles.push_back(std::move(article));
        }
        for (int id = 1; id <= kGoodsCount; ++id)
            goods.emplace_back(id, "\xD1\xDD\xCA\xBE\xC9\xCC\xC6\xB7" /* 演示商品 */ + std::to_string(id));
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
        for (SandboxArticle& article : articles) {
            if (article.id == id)
                return &article;
        }
        return nullptr;
    }

    void AppendSubtree(int parentId, int level, std::vector<SandboxCategory>& out) const
    {
        std::vector<const SandboxCategory*> children;
        for (const SandboxCategory& category : categories) {
            if (category.parentId == parentId && category.id != parentId)
                children.push_back(&category);
        }
        std::sort(children.begin(), children.end(), [](const SandboxCategory* a, const SandboxCategory* b) {
            return a->sortOrder != b->sortOrder ? a->sortOrder < b->sortOrder : a->id < b->id;
        });
        for (const SandboxCategory* child : children) {
            out.push_back(*child);
            out.back().level = level;
            if (level < 32)
                AppendSubtree(child->id, level + 1, out);
        }
    }

    std::vector<SandboxCategory> TreeOrder() const
    {
        std::vector<SandboxCategory> out;
        AppendSubtree(0, 0, out);
        return out;
    }

    std::map<int, int> ArticleCounts() const
    {
        std::map<int, int> counts;
        for (const SandboxArticle& article : articles)
            ++counts[article.categoryId];
        return counts;
    }

    // ---- request parameters ----

    // A field as PHP's request array sees it: the body wins over the query, the last of a name wins.
    std::string Param(const Call& call, std::string_view name) const
    {
        for (auto it = call.form.rbegin(); it != call.form.rend(); ++it) {
            if (it->first == name)
                return FromWire(it->second);
        }
        for (auto it = call.query.rbegin(); it != call.query.rend(); ++it) {
            if (it->first == name)
                return FromWire(it->second);
        }
        return {};
    }

    // Every value of an array field ("checkboxes[]"), from the body, or else from the query.
    std::vector<std::string> ParamList(const Call& call, std::string_view name) const
    {
        std::vector<std::string> values;
        for (const auto& [fieldName, value] : call.form) {
            if (fieldName == name)
                values.push_back(FromWire(value));
        }
        if (values.empty()) {
            for (const auto& [fieldName, value] : call.query) {
                if (fieldName == name)
                    values.push_back(FromWire(value));
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

    // ---- answers ----

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

    std::string NewSessionId()
    {
        static const char kHex[] = "0123456789abcdef";
        std::string id;
        for (int i = 0; i < 32; ++i)
            id += kHex[random() % 16];
        return id;
    }

    // The session of an admin page request: a known session cookie and, when the browser or client
    // sends a Referer, one under this shop's admin directory (the back end refuses pages reached from
    // elsewhere). A missing Referer is accepted, since browsers may withhold it.
    Session* AdminSession(const Call& call)
    {
        const auto it = sessions.find(Cookie(call.request, kSessionCookie));
        if (it == sessions.end())
            return nullptr;
        const std::string referer = call.request.get_header_value("Referer");
        if (referer.empty())
            return &it->second;
        const std::string under = "://" + Host(call) + "/" + options.adminDir;
        for (const char* scheme : {"http", "https"}) {
            const std::string prefix = scheme + under;
            if (SandboxStartsWithNoCase(referer, prefix)) {
                const char next = referer.size() > prefix.size() ? referer[prefix.size()] : '/';
                if (next == '/' || next == '?' || next == '#')
                    return &it->second;
            }
        }
        return nullptr;
    }

    // ---- pages of the back end ----

    void Privilege(Call& call)
    {
        const std::string act = Param(call, "act");
        if (act == "signin") {
            const std::vector<SandboxLink> back
                = {{"\xB7\xB5\xBB\xD8\xC9\xCF\xD2\xBB\xD2\xB3" /* 返回上一页 */, "privilege.php?act=login"}};
            if (captcha && LowerAscii(Param(call, "captcha")) != LowerAscii(options.captchaCode)) {
                SendMessage(call,
                    "\xC4\xFA\xCA\xE4\xC8\xEB\xB5\xC4\xD1\xE9\xD6\xA4\xC2\xEB\xB2\xBB\xD5\xFD\xC8\xB7\xA1\xA3" /* 您输入的验证码不正确。
                                                                                                                */
                    ,
                    back);
                return;
            }
            if (!options.securityCode.empty() && Param(call, "safecode") != options.securityCode) {
                SendMessage(call,
                    "\xC4\xFA\xCA\xE4\xC8\xEB\xB5\xC4\xB0\xB2\xC8\xAB\xC2\xEB\xB2\xBB\xD5\xFD\xC8\xB7\xA1\xA3" /* 您输入的安全码不正确。
                                                                                                                */
                    ,
                    back);
                return;
            }
            if (Param(call, "username") != options.user || Param(call, "password") != options.password) {
                SendMessage(call,
                    "\xC4\xFA\xCA\xE4\xC8\xEB\xB5\xC4\xD5\xCA\xBA\xC5\xD0\xC5\xCF\xA2\xB2\xBB\xD5\xFD\xC8\xB7\xA1\xA3" /* 您输入的帐号信息不正确。 */
                    ,
                    back);
                return;
            }
            const std::string id = NewSessionId();
            sessions[id] = Session{};
            call.response.set_header("Set-Cookie", std::string(kSessionCookie) + "=" + id + "; path=/");
            Redirect(call, "./index.php");
            return;
        }
        if (act == "logout") {
            sessions.erase(Cookie(call.request, kSessionCookie));
            call.response.set_header(
                "Set-Cookie", std::string(kSessionCookie) + "=deleted; expires=Thu, 01-Jan-1970 00:00:01 GMT; path=/");
            Redirect(call, "privilege.php?act=login");
            return;
        }
        SendHtml(call, SandboxLoginPage(Charset(), captcha, options.captchaCode));
    }

    void Index(Call& call)
    {
        const std::string act = Param(call, "act");
        if (act == "top")
            SendHtml(call, SandboxTopPage(Charset(), options.user));
        else if (act == "menu")
            SendHtml(call, SandboxMenuPage(Charset()));
        else if (act == "main")
            SendHtml(call,
                SandboxMainPage(Charset(), static_cast<int>(articles.size()), static_cast<int>(categories.size())));
        else
            SendHtml(call, SandboxFramesetPage(Charset()));
    }

    void ArticleList(Call& call)
    {
        const int filter = ToInt(Param(call, "cat_id"));
        std::vector<SandboxArticle> shown;
        for (auto it = articles.rbegin(); it != articles.rend(); ++it) {
            if (filter <= 0 || it->categoryId == filter)
                shown.push_back(*it);
        }
        const int count = static_cast<int>(shown.size());
        const int pageCount = std::max(1, (count + kArticlesPerPage - 1) / kArticlesPerPage);
        const int page = std::clamp(ToInt(Param(call, "page")), 1, pageCount);
        const size_t first = static_cast<size_t>(page - 1) * kArticlesPerPage;
        const size_t last = std::min(shown.size(), first + kArticlesPerPage);
        std::vector<SandboxArticle> slice(
            shown.begin() + static_cast<std::ptrdiff_t>(first), shown.begin() + static_cast<std::ptrdiff_t>(last));
        SendHtml(call, SandboxArticleListPage(Charset(), slice, TreeOrder(), page, pageCount, count, filter));
    }

    std::vector<SandboxLink> ArticleLinks(const Call& call, int id) const
    {
        return {{"\xB2\xE9\xBF\xB4\xCE\xC4\xB5\xB5" /* 查看文档 */,
                    "http://" + Host(call) + "/article.php?id=" + std::to_string(id)},
            {"\xBC\xCC\xD0\xF8\xCC\xED\xBC\xD3\xD0\xC2\xCE\xC4\xD5\xC2" /* 继续添加新文章 */, "article.php?act=add"},
            {"\xB7\xB5\xBB\xD8\xCE\xC4\xD5\xC2\xC1\xD0\xB1\xED" /* 返回文章列表 */, "article.php?act=list"}};
    }

    // The address push script of the message page: the published address of the article.
    static std::string PushScript(const Call& call, int id)
    {
        return "<script type=\"text/javascript\">\r\nfunction push_zzbaidu(url) {}\r\npush_zzbaidu('http://"
            + Host(call) + "/article.php?id=" + std::to_string(id) + "');\r\n</script>\r\n";
    }

    bool TitleTaken(std::string_view title, int categoryId, int exceptId) const
    {
        for (const SandboxArticle& article : articles) {
            if (article.id != exceptId && article.categoryId == categoryId && article.title == title)
                return true;
        }
        return false;
    }

    void SubmitArticle(Call& call, Session& session, bool update)
    {
        const std::vector<SandboxLink> back
            = {{"\xB7\xB5\xBB\xD8\xC9\xCF\xD2\xBB\xD2\xB3" /* 返回上一页 */, "javascript:history.back()"}};
        std::vector<SandboxField> fields;
        std::vector<SandboxFilePart> files;
        bool hasFilePart = false;
        if (call.multipart) {
            for (const SandboxMultipartPart& part : call.parts) {
                if (part.hasFileName) {
                    files.push_back({part.name, FromWire(part.fileName), part.contentType, part.value});
                    hasFilePart = hasFilePart || part.name == "file";
                } else {
                    fields.emplace_back(part.name, FromWire(part.value));
                }
            }
        } else {
            for (const auto& [name, value] : call.form)
                fields.emplace_back(name, FromWire(value));
        }
        const std::string title = Param(call, "title");
        const int categoryId = ToInt(Param(call, "article_cat"));
        if (title.empty()) {
            SendMessage(call,
                "\xC3\xBB\xD3\xD0\xCA\xE4\xC8\xEB\xCE\xC4\xD5\xC2\xB1\xEA\xCC\xE2\xA1\xA3" /* 没有输入文章标题。 */,
                back);
            return;
        }
        if (!FindCategory(categoryId)) {
            SendMessage(call,
                "\xC3\xBB\xD3\xD0\xD1\xA1\xD4\xF1\xCE\xC4\xD5\xC2\xB7\xD6\xC0\xE0\xA3\xAC\xBB\xF2\xCE\xC4\xD5\xC2\xB7"
                "\xD6\xC0\xE0\xB2\xBB\xB4\xE6\xD4\xDA\xA1\xA3" /* 没有选择文章分类，或文章分类不存在。 */,
                back);
            return;
        }
        SandboxArticle* article = nullptr;
        if (update) {
            article = FindArticle(ToInt(Param(call, "id")));
            if (!article) {
                SendMessage(call,
                    "\xCE\xC4\xD5\xC2\xB2\xBB\xB4\xE6\xD4\xDA\xA3\xAC\xCE\xDE\xB7\xA8\xB1\xE0\xBC\xAD\xA1\xA3" /* 文章不存在，无法编辑。
                                                                                                                */
                    ,
                    back);
                return;
            }
            // The back end reads the attachment's upload record on every edit; a form without the
            // file input cannot be saved.
            if (!hasFilePart) {
                SendMessage(call,
                    "\xCE\xC4\xD5\xC2\xB1\xE0\xBC\xAD\xCA\xA7\xB0\xDC\xA3\xBA\xB1\xED\xB5\xA5\xC8\xB1\xC9\xD9\xB8\xBD"
                    "\xBC\xFE\xCF\xEE file\xA1\xA3" /* 文章编辑失败：表单缺少附件项 file。 */,
                    back);
                return;
            }
        }
        if (TitleTaken(title, categoryId, article ? article->id : 0)) {
            SendMessage(call,
                "\xCE\xC4\xD5\xC2 " /* 文章  */ + title + " \xD2\xD1\xBE\xAD\xB4\xE6\xD4\xDA" /*  已经存在 */, back);
            return;
        }
        if (!article) {
            SandboxArticle added;
            added.id = nextArticleId++;
            articles.push_back(std::move(added));
            article = &articles.back();
        } else {
            ++article->updates;
        }
        article->title = title;
        article->categoryId = categoryId;
        article->articleType = ToInt(Param(call, "article_type"));
        article->isOpen = Param(call, "is_open") == "1";
        article->author = Param(call, "author");
        article->keywords = Param(call, "keywords");
        article->description = Param(call, "description");
        article->content = Param(call, "FCKeditor1");
        article->linkUrl = Param(call, "link_url");
        article->picture = Param(call, "article_pic");
        for (int id : session.pendingGoods) {
            if (std::find(article->linkedGoods.begin(), article->linkedGoods.end(), id) == article->linkedGoods.end())
                article->linkedGoods.push_back(id);
        }
        session.pendingGoods.clear();
        article->fields = std::move(fields);
        article->files = std::move(files);
        const int id = article->id;
        if (update)
            SendMessage(call,
                "\xCE\xC4\xD5\xC2 " /* 文章  */ + title + " \xB3\xC9\xB9\xA6\xB1\xE0\xBC\xAD" /*  成功编辑 */,
                ArticleLinks(call, id), PushScript(call, id));
        else
            SendMessage(call, "\xCE\xC4\xD5\xC2\xD2\xD1\xBE\xAD\xCC\xED\xBC\xD3\xB3\xC9\xB9\xA6" /* 文章已经添加成功 */,
                ArticleLinks(call, id), PushScript(call, id));
    }

    void AddLinkGoods(Call& call, Session& session)
    {
        // add_ids is a JSON array of ids as strings: ["3","7"].
        const std::string ids = Param(call, "add_ids");
        for (size_t i = 0; i < ids.size();) {
            if (ids[i] >= '0' && ids[i] <= '9') {
                size_t end = i;
                while (end < ids.size() && ids[end] >= '0' && ids[end] <= '9')
                    ++end;
                const int id = ToInt(std::string_view(ids).substr(i, end - i));
                const bool known = id >= 1 && id <= static_cast<int>(goods.size());
                if (known
                    && std::find(session.pendingGoods.begin(), session.pendingGoods.end(), id)
                        == session.pendingGoods.end())
                    session.pendingGoods.push_back(id);
                i = end;
            } else {
                ++i;
            }
        }
        std::string content = "[";
        for (int id : session.pendingGoods) {
            if (content.size() > 1)
                content += ',';
            content += "{\"value\":\"" + std::to_string(id) + "\",\"text\":"
                + SandboxJsonString(goods[static_cast<size_t>(id - 1)].second, Utf8()) + ",\"data\":\"\"}";
        }
        content += "]";
        SendJson(call, JsonResult(0, "", content));
    }

    void BatchRemove(Call& call)
    {
        std::vector<int> ids;
        for (const std::string& value : ParamList(call, "checkboxes[]"))
            ids.push_back(ToInt(value));
        std::erase_if(articles,
            [&](const SandboxArticle& article) { return std::find(ids.begin(), ids.end(), article.id) != ids.end(); });
        SendMessage(call, "\xC5\xFA\xC1\xBF\xB2\xD9\xD7\xF7\xB3\xC9\xB9\xA6" /* 批量操作成功 */,
            {{"\xB7\xB5\xBB\xD8\xCE\xC4\xD5\xC2\xC1\xD0\xB1\xED" /* 返回文章列表 */, "article.php?act=list"}});
    }

    void Article(Call& call, Session& session)
    {
        const std::string act = Param(call, "act");
        if (act == "insert" || act == "update") {
            SubmitArticle(call, session, act == "update");
        } else if (act == "add_link_goods") {
            AddLinkGoods(call, session);
        } else if (act == "batch_remove" || (act == "batch" && Param(call, "type") == "button_remove")) {
            BatchRemove(call);
        } else if (act == "add") {
            SendHtml(call, SandboxArticleFormPage(Charset(), TreeOrder(), nullptr));
        } else if (act == "edit") {
            const SandboxArticle* article = FindArticle(ToInt(Param(call, "id")));
            if (article)
                SendHtml(call, SandboxArticleFormPage(Charset(), TreeOrder(), article));
            else
                SendMessage(call,
                    "\xCE\xC4\xD5\xC2\xB2\xBB\xB4\xE6\xD4\xDA\xA3\xAC\xCE\xDE\xB7\xA8\xB1\xE0\xBC\xAD\xA1\xA3" /* 文章不存在，无法编辑。
                                                                                                                */
                    ,
                    {{"\xB7\xB5\xBB\xD8\xCE\xC4\xD5\xC2\xC1\xD0\xB1\xED" /* 返回文章列表 */, "article.php?act=list"}});
        } else {
            ArticleList(call);
        }
    }

    void InsertCategory(Call& call)
    {
        const std::vector<SandboxLink> back
            = {{"\xB7\xB5\xBB\xD8\xC9\xCF\xD2\xBB\xD2\xB3" /* 返回上一页 */, "javascript:history.back()"}};
        const std::string name = Param(call, "cat_name");
        const int parentId = ToInt(Param(call, "parent_id"));
        if (name.empty()) {
            SendMessage(call,
                "\xB7\xD6\xC0\xE0\xC3\xFB\xB3\xC6\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5\xA1\xA3" /* 分类名称不能为空。 */,
                back);
            return;
        }
        int type = kCategoryOrdinary;
        if (parentId != 0) {
            const SandboxCategory* parent = FindCategory(parentId);
            if (!parent) {
                SendMessage(call,
                    "\xC9\xCF\xBC\xB6\xB7\xD6\xC0\xE0\xB2\xBB\xB4\xE6\xD4\xDA\xA1\xA3" /* 上级分类不存在。 */, back);
                return;
            }
            if (parent->type == kCategorySystem || parent->type == kCategoryShopInfo
                || parent->type == kCategoryShopHelp) {
                SendMessage(call,
                    "\xB2\xBB\xC4\xDC\xD4\xDA\xB8\xC3\xB7\xD6\xC0\xE0\xCF\xC2\xCC\xED\xBC\xD3\xD7\xD3\xB7\xD6\xC0\xE0"
                    "\xA1\xA3" /* 不能在该分类下添加子分类。 */,
                    back);
                return;
            }
            if (parent->type == kCategoryHelp)
                type = kCategoryShopHelp;
        }
        for (const SandboxCategory& category : categories) {
            if (category.parentId == parentId && category.name == name) {
                SendMessage(call,
                    "\xB7\xD6\xC0\xE0 " /* 分类  */ + name + " \xD2\xD1\xBE\xAD\xB4\xE6\xD4\xDA" /*  已经存在 */, back);
                return;
            }
        }
        SandboxCategory category;
        category.id = nextCategoryId++;
        category.name = name;
        category.parentId = parentId;
        category.type = type;
        const std::string sortOrder = Param(call, "sort_order");
        category.sortOrder = sortOrder.empty() ? 50 : ToInt(sortOrder);
        category.showInNav = Param(call, "show_in_nav") == "1";
        category.keywords = Param(call, "keywords");
        category.description = Param(call, "cat_desc");
        categories.push_back(std::move(category));
        SendMessage(call, name + "\xD2\xD1\xB3\xC9\xB9\xA6\xCC\xED\xBC\xD3" /* 已成功添加 */,
            {{"\xBC\xCC\xD0\xF8\xCC\xED\xBC\xD3\xD0\xC2\xB7\xD6\xC0\xE0" /* 继续添加新分类 */,
                 "articlecat.php?act=add"},
                {"\xB7\xB5\xBB\xD8\xB7\xD6\xC0\xE0\xC1\xD0\xB1\xED" /* 返回分类列表 */, "articlecat.php?act=list"}});
    }

    void RemoveCategory(Call& call)
    {
        const int id = ToInt(Param(call, "id"));
        const SandboxCategory* category = FindCategory(id);
        const char* refusal = nullptr;
        if (!category) {
            refusal = "\xB7\xD6\xC0\xE0\xB2\xBB\xB4\xE6\xD4\xDA\xA1\xA3" /* 分类不存在。 */;
        } else if (category->type == kCategorySystem || category->type == kCategoryShopInfo
            || category->type == kCategoryHelp) {
            refusal = "\xCF\xB5\xCD\xB3\xB1\xA3\xC1\xF4\xB7\xD6\xC0\xE0\xA3\xAC\xB2\xBB\xD4\xCA\xD0\xED\xC9\xBE\xB3\xFD"
                      "\xA1\xA3" /* 系统保留分类，不允许删除。 */;
        } else if (std::any_of(categories.begin(), categories.end(),
                       [id](const SandboxCategory& other) { return other.parentId == id; })) {
            refusal = "\xB8\xC3\xB7\xD6\xC0\xE0\xCF\xC2\xBB\xB9\xD3\xD0\xD7\xD3\xB7\xD6\xC0\xE0\xA3\xAC\xB2\xBB\xC4\xDC"
                      "\xC9\xBE\xB3\xFD\xA1\xA3" /* 该分类下还有子分类，不能删除。 */;
        } else if (std::any_of(articles.begin(), articles.end(),
                       [id](const SandboxArticle& article) { return article.categoryId == id; })) {
            refusal
                = "\xB8\xC3\xB7\xD6\xC0\xE0\xCF\xC2\xBB\xB9\xD3\xD0\xCE\xC4\xD5\xC2\xA3\xAC\xB2\xBB\xC4\xDC\xC9\xBE\xB3"
                  "\xFD\xA1\xA3\xC7\xEB\xCF\xC8\xC9\xBE\xB3\xFD\xBB\xF2\xD7\xAA\xD2\xC6\xB8\xC3\xB7\xD6\xC0\xE0\xCF\xC2"
                  "\xB5\xC4\xCE\xC4\xD5\xC2\xA1\xA3" /* 该分类下还有文章，不能删除。请先删除或转移该分类下的文章。 */;
        }
        if (refusal) {
            SendJson(call, JsonResult(1, refusal, "\"\""));
            return;
        }
        std::erase_if(categories, [id](const SandboxCategory& other) { return other.id == id; });
        SendJson(
            call, JsonResult(0, "", SandboxJsonString(SandboxCategoryTable(TreeOrder(), ArticleCounts()), Utf8())));
    }

    void ArticleCategory(Call& call)
    {
        const std::string act = Param(call, "act");
        if (act == "insert")
            InsertCategory(call);
        else if (act == "remove")
            RemoveCategory(call);
        else if (act == "add")
            SendHtml(call, SandboxCategoryFormPage(Charset(), TreeOrder()));
        else
            SendHtml(call, SandboxCategoryListPage(Charset(), TreeOrder(), ArticleCounts()));
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
        Session* session = AdminSession(call);
        if (!session) {
            Redirect(call, "privilege.php?act=login");
            return;
        }
        if (page == "article.php")
            Article(call, *session);
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
        if (sessions.find(Cookie(call.request, kSessionCookie)) == sessions.end()) {
            SendUploadResult(call, 1, "", "",
                "\xC3\xBB\xD3\xD0\xC9\xCF\xB4\xAB\xC8\xA8\xCF\xDE\xA3\xBA\xC7\xEB\xCF\xC8\xB5\xC7\xC2\xBC\xB9\xDC\xC0"
                "\xED\xD6\xD0\xD0\xC4\xA1\xA3" /* 没有上传权限：请先登录管理中心。 */);
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
        const auto taken = [this](const std::string& name) {
            return std::any_of(
                uploads.begin(), uploads.end(), [&](const SandboxUpload& u) { return u.fileName == name; });
        };
        std::string name = cleaned;
        int code = 0;
        for (int n = 1; taken(name); ++n) {
            name = base + "(" + std::to_string(n) + ")." + cleaned.substr(dot + 1);
            code = 201;
        }
        SandboxUpload upload;
        upload.fileName = name;
        upload.url = kUploadFolder + name;
        upload.contentType = file->contentType;
        upload.bytes = file->value;
        upload.code = code;
        uploads.push_back(upload);
        SendUploadResult(call, code, upload.url, name, "");
    }

    // ---- the front end ----

    void Front(Call& call)
    {
        const std::string& path = call.path;
        if (path.rfind(kUploadFolder, 0) == 0) {
            const std::string name = FromWire(path.substr(std::string_view(kUploadFolder).size()));
            for (const SandboxUpload& upload : uploads) {
                if (upload.fileName == name) {
                    call.response.set_content(upload.bytes, ImageContentType(name));
                    return;
                }
            }
        } else if (path == "/" || path == "/index.php") {
            SendHtml(call, SandboxFrontIndexPage(Charset(), TreeOrder()));
            return;
        } else if (path == "/article_cat.php") {
            if (const SandboxCategory* category = FindCategory(ToInt(Param(call, "id")))) {
                std::vector<SandboxArticle> shown;
                for (auto it = articles.rbegin(); it != articles.rend(); ++it) {
                    if (it->categoryId == category->id && it->isOpen)
                        shown.push_back(*it);
                }
                SendHtml(call, SandboxFrontCategoryPage(Charset(), *category, shown));
            } else {
                Redirect(call, "./index.php");
            }
            return;
        } else if (path == "/article.php") {
            const SandboxArticle* article = FindArticle(ToInt(Param(call, "id")));
            if (article && article->isOpen)
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
        std::lock_guard lock(mutex);
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

    std::string DrawFault(SandboxFaults& drawn)
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

    std::string Garbage()
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
        SandboxRequest record;
        record.method = request.method;
        record.target = request.target;
        const std::string originalType = request.get_header_value(kOriginalContentType);
        for (const auto& [name, value] : request.headers) {
            if (SandboxStartsWithNoCase(name, kOriginalContentType) && name.size() == std::strlen(kOriginalContentType))
                continue;
            const bool isType = SandboxStartsWithNoCase(name, "Content-Type") && name.size() == 12;
            record.headers.emplace_back(name, isType && !originalType.empty() ? originalType : value);
        }
        record.body = request.body;
        SandboxFaults drawn;
        std::string fault;
        {
            std::lock_guard lock(mutex);
            fault = DrawFault(drawn);
            record.fault = fault;
            requests.push_back(std::move(record));
        }

        if (fault == "error") {
            response.status = 500;
            response.set_content("<html><head><title>500 Internal Server Error</title></head><body>"
                                 "<h1>Internal Server Error</h1></body></html>",
                "text/html");
            return;
        }
        if (fault == "garbage") {
            std::lock_guard lock(mutex);
            response.status = 200;
            response.set_content(Garbage(), "text/html");
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
        Route(call);
        if (fault == "reset")
            CutShort(response);
    }

    bool Start()
    {
        if (server)
            return false;
        {
            std::lock_guard lock(waitMutex);
            stopping = false;
        }
        server = std::make_unique<httplib::Server>();
        // httplib's default options set SO_REUSEPORT, which lets a second shop bind a port another one
        // listens on and take half its connections. SO_REUSEADDR alone still allows a quick restart.
        server->set_socket_options([](int sock) {
            int yes = 1;
            setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });
        // Hanging answers hold a worker each; leave room for the rest.
        server->new_task_queue = [] { return new httplib::ThreadPool(32); };
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
            bound = server->bind_to_port("127.0.0.1", options.port) ? options.port : -1;
        else
            bound = server->bind_to_any_port("127.0.0.1");
        if (bound <= 0) {
            server.reset();
            return false;
        }
        port = bound;
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
    return "http://127.0.0.1:" + std::to_string(m_impl->port);
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
    std::lock_guard lock(m_impl->mutex);
    return m_impl->articles;
}

std::vector<SandboxCategory> SandboxShop::Categories() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->TreeOrder();
}

std::vector<SandboxUpload> SandboxShop::Uploads() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->uploads;
}

std::vector<SandboxRequest> SandboxShop::Requests() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->requests;
}

void SandboxShop::ClearRequests()
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->requests.clear();
}

std::vector<std::pair<int, std::string>> SandboxShop::Goods() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->goods;
}

void SandboxShop::SetFaults(const SandboxFaults& faults)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->faults = faults;
}

void SandboxShop::SetCaptcha(bool on)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->captcha = on;
}

} // namespace kc::ecshop
