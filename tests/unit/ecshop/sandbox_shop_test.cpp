// The sandbox shop driven over HTTP the way the back-end client and a browser drive a real shop.
#include "client_test_helpers.h"
#include "ecshop/sandbox/sandbox_codec.h"
#include "ecshop/sandbox/sandbox_shop.h"
#include "text/text_encoding.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace kc::ecshop;
using kc::ecshop::testing::FlavourName;

// Internal text from a UTF-8 literal.
std::string U(const char* utf8)
{
    return kc::text::ConvertCharset(utf8, "UTF-8", kc::text::kInternalCharset);
}

// A UTF-8 literal in a flavour's wire encoding.
std::string Wire(const char* utf8, bool gbk)
{
    return gbk ? U(utf8) : std::string(utf8);
}

// Percent-encodes every byte but letters, digits and "-_.".
std::string Encode(std::string_view bytes)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (std::isalnum(b) || c == '-' || c == '_' || c == '.') {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

const char* const kBoundary = "----WebKitFormBoundarynQgcxEjRQzYWytVW";

struct Part {
    std::string name;
    std::string value;
    bool file = false;
};

// The article form as the client encodes it: an empty-named file part for "file" and "recommend_file".
std::string Multipart(const std::vector<Part>& parts)
{
    std::string body;
    for (const Part& part : parts) {
        body += std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + part.name + "\"";
        if (part.file)
            body += "; filename=\"\"\r\nContent-Type: application/octet-stream";
        body += "\r\n\r\n" + part.value + "\r\n";
    }
    body += std::string("--") + kBoundary + "--\r\n";
    return body;
}

std::vector<Part> ArticleForm(
    const std::string& title, int category, bool gbk, const char* act = "insert", int id = 0, bool withFile = true)
{
    std::vector<Part> parts = {{"title", title}, {"article_cat", std::to_string(category)}, {"article_type", "0"},
        {"is_open", "1"}, {"recommend_file", "", true}, {"author", Wire("作者", gbk)}, {"keywords", "a,b"},
        {"description", "d"}, {"link_url", "http://"}};
    if (withFile)
        parts.push_back({"file", "", true});
    parts.insert(parts.end(),
        {{"FCKeditor1", "<p>" + title + "</p>"}, {"source_select", ""}, {"act", act},
            {"old_title", id ? title : std::string()}, {"id", id ? std::to_string(id) : ""}});
    return parts;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

int CountOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1))
        ++count;
    return count;
}

// A client with a cookie jar of one cookie and the back end's own pages as referer.
class Browser {
public:
    explicit Browser(const SandboxShop& shop)
        : m_client("127.0.0.1", shop.Port())
        , m_shop(shop)
    {
        m_client.set_read_timeout(10, 0);
    }

    httplib::Result Get(const std::string& path) { return m_client.Get(path.c_str(), Headers()); }
    httplib::Result PostForm(const std::string& path, const std::string& body)
    {
        return m_client.Post(path.c_str(), Headers(), body, "application/x-www-form-urlencoded");
    }
    httplib::Result PostMultipart(
        const std::string& path, const std::string& body, const std::string& boundary = kBoundary)
    {
        return m_client.Post(path.c_str(), Headers(), body, "multipart/form-data; boundary=" + boundary);
    }

    // Logs in; true when the shop answered with the redirect and a session cookie.
    bool Login(const std::string& user, const std::string& password, const std::string& extra = {})
    {
        auto res = PostForm(Admin("/privilege.php"),
            "username=" + Encode(user) + "&password=" + Encode(password) + "&no-captcha=&act=signin&safecode=" + extra);
        if (!res || res->status != 302)
            return false;
        const std::string cookie = res->get_header_value("Set-Cookie");
        m_cookie = cookie.substr(0, cookie.find(';'));
        return m_cookie.rfind("ECSCP_ID=", 0) == 0 && res->get_header_value("Location") == "./index.php";
    }

    std::string Admin(const std::string& page) const { return "/" + m_shop.Options().adminDir + page; }
    void SetReferer(std::string referer) { m_referer = std::move(referer); }
    void SetCookie(std::string cookie) { m_cookie = std::move(cookie); }
    httplib::Client& Client() { return m_client; }

private:
    httplib::Headers Headers() const
    {
        httplib::Headers headers;
        if (!m_cookie.empty())
            headers.emplace("Cookie", m_cookie);
        headers.emplace("Referer", m_referer.empty() ? m_shop.AdminUrl() + "/index.php" : m_referer);
        return headers;
    }

    httplib::Client m_client;
    const SandboxShop& m_shop;
    std::string m_cookie;
    std::string m_referer;
};

// A running shop of one flavour, logged in.
class SandboxShopTest : public ::testing::TestWithParam<SandboxEncoding> {
protected:
    void SetUp() override
    {
        SandboxOptions options;
        options.encoding = GetParam();
        options.password = U("密码1");
        m_shop = std::make_unique<SandboxShop>(options);
        ASSERT_TRUE(m_shop->Start());
        m_browser = std::make_unique<Browser>(*m_shop);
        ASSERT_TRUE(m_browser->Login("admin", W("密码1")));
    }

    bool Gbk() const { return GetParam() == SandboxEncoding::kGbk; }
    std::string W(const char* utf8) const { return Wire(utf8, Gbk()); }

    // Submits the article form; the answer body.
    std::string Submit(const std::vector<Part>& parts)
    {
        auto res = m_browser->PostMultipart(m_browser->Admin("/article.php"), Multipart(parts));
        return res ? res->body : std::string();
    }

    std::string GetBody(const std::string& path)
    {
        auto res = m_browser->Get(path);
        return res ? res->body : std::string();
    }

    std::unique_ptr<SandboxShop> m_shop;
    std::unique_ptr<Browser> m_browser;
};

INSTANTIATE_TEST_SUITE_P(
    Flavours, SandboxShopTest, ::testing::Values(SandboxEncoding::kGbk, SandboxEncoding::kUtf8), FlavourName);

TEST_P(SandboxShopTest, LoginLeadsToTheFramesetAndBadCredentialsToTheMessagePage)
{
    auto index = m_browser->Get(m_browser->Admin("/index.php"));
    ASSERT_TRUE(index);
    EXPECT_EQ(index->status, 200);
    EXPECT_TRUE(Contains(index->body, W("<title>ECSHOP 管理中心</title>")));
    EXPECT_TRUE(Contains(index->body, Gbk() ? "charset=gbk" : "charset=utf-8"));
    EXPECT_TRUE(Contains(index->get_header_value("Content-Type"), Gbk() ? "charset=gbk" : "charset=utf-8"));

    struct Case {
        const char* user;
        const char* password;
    };
    for (const Case& c : {Case{"admin", "wrong"}, Case{"nobody", "密码1"}, Case{"admin", ""}}) {
        Browser other(*m_shop);
        EXPECT_FALSE(other.Login(W(c.user), W(c.password))) << c.user << "/" << c.password;
        auto res = other.PostForm(other.Admin("/privilege.php"),
            "username=" + Encode(W(c.user)) + "&password=" + Encode(W(c.password)) + "&act=signin");
        ASSERT_TRUE(res);
        EXPECT_TRUE(Contains(res->body, W("<title>ECSHOP 管理中心 - 系统信息 </title>")));
        EXPECT_TRUE(Contains(res->body, W("您输入的帐号信息不正确。")));
        EXPECT_TRUE(res->get_header_value("Set-Cookie").empty());
    }
}

TEST_P(SandboxShopTest, AdminPagesNeedASessionAndAnAdminReferer)
{
    struct Case {
        bool session;
        std::string referer; // empty: the shop's own index page
        bool allowed;
        const char* what;
    };
    const std::string admin = m_shop->AdminUrl();
    const std::string host = "127.0.0.1:" + std::to_string(m_shop->Port());
    const Case cases[] = {
        {true, "", true, "session, admin referer"},
        {true, admin + "/article.php?act=list", true, "session, referer of another admin page"},
        {true, "HTTP://" + host + "/" + m_shop->Options().adminDir + "?x", true, "upper-case scheme"},
        {true, "http://" + host + "/index.php", false, "referer from the front end"},
        {true, "http://" + host + "/" + m_shop->Options().adminDir + "x/index.php", false, "look-alike folder"},
        {true, "http://evil.example/admin/index.php", false, "foreign host"},
        {false, "", false, "no session"},
    };
    for (const Case& c : cases) {
        Browser browser(*m_shop);
        if (c.session) {
            ASSERT_TRUE(browser.Login("admin", W("密码1")));
        }
        if (!c.referer.empty())
            browser.SetReferer(c.referer);
        auto res = browser.Get(browser.Admin("/article.php?act=list"));
        ASSERT_TRUE(res) << c.what;
        if (c.allowed) {
            EXPECT_EQ(res->status, 200) << c.what;
        } else {
            EXPECT_EQ(res->status, 302) << c.what;
            EXPECT_EQ(res->get_header_value("Location"), "privilege.php?act=login") << c.what;
        }
    }
    const std::string loginPage = GetBody(m_browser->Admin("/privilege.php?act=login"));
    EXPECT_TRUE(Contains(loginPage, W("<title>ECSHOP 管理中心</title>")));
    EXPECT_TRUE(Contains(loginPage, "name=\"username\""));
}

TEST_P(SandboxShopTest, InsertRecordsTheFormAndRefusesADuplicateTitleInTheSameCategory)
{
    const std::string title = W("测试文章");
    std::vector<Part> form = ArticleForm(title, 5, Gbk());
    const std::string answer = Submit(form);
    EXPECT_TRUE(Contains(answer, W("文章已经添加成功"))) << answer;
    EXPECT_TRUE(
        Contains(answer, "push_zzbaidu('http://127.0.0.1:" + std::to_string(m_shop->Port()) + "/article.php?id=4')"));
    EXPECT_TRUE(Contains(answer, W(">查看文档</a>")));

    const std::vector<SandboxArticle> articles = m_shop->Articles();
    ASSERT_EQ(articles.size(), 4u); // three seeded ones and ours
    const SandboxArticle& added = articles.back();
    EXPECT_EQ(added.id, 4);
    EXPECT_EQ(added.title, U("测试文章"));
    EXPECT_EQ(added.categoryId, 5);
    EXPECT_EQ(added.author, U("作者"));
    EXPECT_EQ(added.content, U("<p>测试文章</p>"));
    ASSERT_EQ(added.fields.size(), form.size() - 2); // the two file parts are kept apart
    EXPECT_EQ(added.fields.front(), SandboxField("title", U("测试文章")));
    ASSERT_EQ(added.files.size(), 2u);
    EXPECT_EQ(added.files[0].name, "recommend_file");
    EXPECT_EQ(added.files[1].name, "file");
    EXPECT_EQ(added.files[1].contentType, "application/octet-stream");

    const std::string duplicate = Submit(form);
    EXPECT_TRUE(Contains(duplicate, W("文章 测试文章 已经存在"))) << duplicate;
    EXPECT_FALSE(Contains(duplicate, W("添加成功")));
    EXPECT_TRUE(Contains(Submit(ArticleForm(title, 6, Gbk())), W("文章已经添加成功")));
    EXPECT_EQ(m_shop->Articles().size(), 5u);
    EXPECT_FALSE(Contains(Submit(ArticleForm(W("无分类"), 999, Gbk())), W("添加成功")));
}

TEST_P(SandboxShopTest, UpdateNeedsTheFilePartAndKeepsTheArticleOtherwise)
{
    ASSERT_TRUE(Contains(Submit(ArticleForm(W("原标题"), 5, Gbk())), W("添加成功")));
    const std::string withoutFile = Submit(ArticleForm(W("新标题"), 5, Gbk(), "update", 4, false));
    EXPECT_FALSE(Contains(withoutFile, W("成功编辑")));
    EXPECT_EQ(m_shop->Articles().back().title, U("原标题"));

    const std::string unknown = Submit(ArticleForm(W("新标题"), 5, Gbk(), "update", 77));
    EXPECT_FALSE(Contains(unknown, W("成功编辑")));

    const std::string edited = Submit(ArticleForm(W("新标题"), 5, Gbk(), "update", 4));
    EXPECT_TRUE(Contains(edited, W("文章 新标题 成功编辑"))) << edited;
    const SandboxArticle article = m_shop->Articles().back();
    EXPECT_EQ(article.id, 4);
    EXPECT_EQ(article.title, U("新标题"));
    EXPECT_EQ(article.updates, 1);
    EXPECT_EQ(m_shop->Articles().size(), 4u);
}

TEST_P(SandboxShopTest, ListShowsFifteenNewestFirstWithEscapedTitles)
{
    for (int i = 1; i <= 20; ++i)
        ASSERT_TRUE(Contains(Submit(ArticleForm(W("第") + std::to_string(i) + " <b>&\"'", 5, Gbk())), W("添加成功")));
    // 3 seeded + 20 = 23 articles: pages of 15 and 8.
    const std::string first = GetBody(m_browser->Admin("/article.php?act=list"));
    const std::string second = GetBody(m_browser->Admin("/article.php?act=list&page=2"));
    EXPECT_TRUE(Contains(first, "id='list-table'"));
    EXPECT_EQ(CountOf(first, "<input name=\"checkboxes[]\" type=\"checkbox\" value=\""), 15);
    EXPECT_EQ(CountOf(second, "<input name=\"checkboxes[]\" type=\"checkbox\" value=\""), 8);
    const size_t newest = first.find("value=\"23\"");
    const size_t older = first.find("value=\"22\"");
    ASSERT_NE(newest, std::string::npos);
    EXPECT_LT(newest, older);
    EXPECT_TRUE(Contains(second, "value=\"1\""));
    EXPECT_TRUE(Contains(first, W("第20 &lt;b&gt;&amp;&quot;&#039;")));
    EXPECT_FALSE(Contains(first, "<b>&"));
    // A page past the end shows the last page.
    EXPECT_EQ(CountOf(GetBody(m_browser->Admin("/article.php?act=list&page=9")), "name=\"checkboxes[]\""), 8);
}

TEST_P(SandboxShopTest, GoodsLinksAttachToTheNextArticle)
{
    const std::string path = m_browser->Admin("/article.php?is_ajax=1&act=add_link_goods&add_ids=%5B%22");
    EXPECT_EQ(GetBody(path + "3%22%5D&JSON=%5B0%5D&1700000000000255"),
        "{\"error\":0,\"message\":\"\",\"content\":[{\"value\":\"3\",\"text\":"
            + SandboxJsonString(U("演示商品3"), !Gbk()) + ",\"data\":\"\"}]}");
    const std::string both = GetBody(path + "7%22%5D&JSON=%5B0%5D&1700000000001255");
    EXPECT_TRUE(Contains(both, "\"value\":\"3\"") && Contains(both, "\"value\":\"7\"")) << both;
    ASSERT_TRUE(Contains(Submit(ArticleForm(W("带商品"), 5, Gbk())), W("添加成功")));
    ASSERT_TRUE(Contains(Submit(ArticleForm(W("不带商品"), 5, Gbk())), W("添加成功")));
    // Pending links belong to the shop's administrator, not to a session: another session's next
    // article takes them. Unknown goods are not linked.
    EXPECT_TRUE(Contains(GetBody(path + "9%22%5D&JSON=%5B0%5D&1700000000002255"), "\"value\":\"9\""));
    EXPECT_EQ(GetBody(path + "99%22%5D&JSON=%5B0%5D&1700000000003255"),
        "{\"error\":0,\"message\":\"\",\"content\":[{\"value\":\"9\",\"text\":"
            + SandboxJsonString(U("演示商品9"), !Gbk()) + ",\"data\":\"\"}]}");
    Browser other(*m_shop);
    ASSERT_TRUE(other.Login("admin", W("密码1")));
    ASSERT_TRUE(
        Contains(other.PostMultipart(other.Admin("/article.php"), Multipart(ArticleForm(W("别人的"), 5, Gbk())))->body,
            W("添加成功")));
    const std::vector<SandboxArticle> articles = m_shop->Articles();
    EXPECT_EQ(articles[3].linkedGoods, (std::vector<int>{3, 7}));
    EXPECT_TRUE(articles[4].linkedGoods.empty());
    EXPECT_EQ(articles[5].linkedGoods, (std::vector<int>{9}));
}

TEST_P(SandboxShopTest, BatchRemoveDeletesTheCheckedIds)
{
    for (const char* title : {"一", "二", "三"})
        ASSERT_TRUE(Contains(Submit(ArticleForm(W(title), 5, Gbk())), W("添加成功")));
    auto res = m_browser->PostForm(m_browser->Admin("/article.php?act=batch_remove"),
        "&checkboxes%5B%5D=4&checkboxes%5B%5D=6&checkboxes%5B%5D=99&act=batch&type=button_remove&target_cat=0"
        "&btnSubmit=+%E7%A1%AE%E5%AE%9A+");
    ASSERT_TRUE(res);
    EXPECT_TRUE(Contains(res->body, W("批量操作成功")));
    std::vector<int> ids;
    for (const SandboxArticle& article : m_shop->Articles())
        ids.push_back(article.id);
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 5}));
}

TEST_P(SandboxShopTest, CategoryListRowsCarryLevelIdAndType)
{
    const std::string page = GetBody(m_browser->Admin("/articlecat.php?act=list"));
    EXPECT_TRUE(Contains(page, "id=\"list-table\""));
    EXPECT_EQ(CountOf(page, "<tr align=\"center\" class=\""), 7);
    EXPECT_TRUE(Contains(page, "<tr align=\"center\" class=\"0\" id=\"0_1\">"));
    EXPECT_TRUE(Contains(page, "<tr align=\"center\" class=\"1\" id=\"1_5\">"));
    EXPECT_TRUE(Contains(page, W("<td class=\"nowrap\" valign=\"top\">\r\n      系统分类\r\n    </td>")));
    EXPECT_TRUE(Contains(page, W("<td class=\"nowrap\" valign=\"top\">\r\n      网店信息\r\n    </td>")));
    EXPECT_TRUE(Contains(page, W("<td class=\"nowrap\" valign=\"top\">\r\n      普通分类\r\n    </td>")));
    // The first link of a row holds the name.
    const size_t row = page.find("id=\"1_5\"");
    const size_t close = page.find("</a>", row);
    const size_t open = page.rfind('>', close);
    EXPECT_EQ(page.substr(open + 1, close - open - 1), W("行业动态"));
    EXPECT_TRUE(Contains(page.substr(page.rfind("<td", close), close), "class=\"first-cell nowrap\""));
    // Tree order: children follow their parent.
    EXPECT_LT(page.find("id=\"0_4\""), page.find("id=\"1_5\""));
    EXPECT_LT(page.find("id=\"1_6\""), page.find("id=\"0_7\""));
}

TEST_P(SandboxShopTest, CategoryInsertAndRemove)
{
    const auto insert = [&](const char* name, int parent) {
        auto res = m_browser->PostForm(m_browser->Admin("/articlecat.php"),
            "cat_name=" + Encode(W(name)) + "&parent_id=" + std::to_string(parent)
                + "&sort_order=50&show_in_nav=0&keywords=k&cat_desc=&act=insert&id=&old_catname=");
        return res ? res->body : std::string();
    };
    EXPECT_TRUE(Contains(insert("新分类", 7), W("新分类已成功添加")));
    EXPECT_FALSE(Contains(insert("新分类", 7), W("成功添加")));
    EXPECT_FALSE(Contains(insert("系统下", 1), W("成功添加")));
    EXPECT_FALSE(Contains(insert("无父", 404), W("成功添加")));
    const std::vector<SandboxCategory> categories = m_shop->Categories();
    ASSERT_EQ(categories.size(), 8u);
    EXPECT_EQ(categories.back().name, U("新分类"));
    EXPECT_EQ(categories.back().id, 8);
    EXPECT_EQ(categories.back().level, 1);
    EXPECT_EQ(categories.back().keywords, "k");
    EXPECT_TRUE(Contains(GetBody(m_browser->Admin("/articlecat.php?act=list")), "id=\"1_8\""));

    ASSERT_TRUE(Contains(Submit(ArticleForm(W("占用"), 5, Gbk())), W("添加成功")));
    struct Case {
        int id;
        bool removed;
        const char* what;
    };
    for (const Case& c :
        {Case{5, false, "holds an article"}, Case{4, false, "holds sub-categories"}, Case{2, false, "system category"},
            Case{404, false, "unknown"}, Case{6, true, "empty ordinary"}, Case{8, true, "the new one"}}) {
        const std::string answer
            = GetBody(m_browser->Admin("/articlecat.php?is_ajax=1&act=remove&id=" + std::to_string(c.id) + "&1700205"));
        EXPECT_EQ(Contains(answer, "\"error\":0"), c.removed) << c.what << ": " << answer;
        if (!c.removed) {
            EXPECT_TRUE(Contains(answer, "\"error\":1")) << c.what;
            EXPECT_FALSE(Contains(answer, "\"message\":\"\"")) << c.what;
        }
    }
    EXPECT_EQ(m_shop->Categories().size(), 6u);
}

TEST_P(SandboxShopTest, UploadConnectorNamesFilesAndServesThem)
{
    const std::string connector = "/includes/fckeditor/editor/filemanager/connectors/php/upload.php?Type=Image";
    const auto upload = [&](Browser& browser, const std::string& name, const std::string& bytes) {
        const std::string boundary = "----WebKitFormBoundaryXN4ZLBI0l2AjDM1x";
        const std::string body = "--" + boundary + "\r\nContent-Disposition: form-data; name=\"NewFile\"; filename=\""
            + name + "\"\r\nContent-Type: image/jpeg\r\n\r\n" + bytes + "\r\n--" + boundary + "--";
        // The client sends the connector's own address as referer: the connector does not check it.
        browser.SetReferer("http://127.0.0.1:" + std::to_string(m_shop->Port()) + connector);
        auto res = browser.PostMultipart(connector, body, boundary);
        return res ? res->body : std::string();
    };
    const std::string jpeg("\xFF\xD8\xFF\xE0\r\n--\0x", 9);
    EXPECT_EQ(upload(*m_browser, "aB3dE5gH.jpg", jpeg),
        "<script type=\"text/javascript\">window.parent.OnUploadCompleted(0,\"/images/upload/Image/aB3dE5gH.jpg\","
        "\"aB3dE5gH.jpg\", \"\") ;</script>");
    EXPECT_EQ(upload(*m_browser, "aB3dE5gH.jpg", "second"),
        "<script type=\"text/javascript\">window.parent.OnUploadCompleted(201,\"/images/upload/Image/aB3dE5gH(1).jpg\","
        "\"aB3dE5gH(1).jpg\", \"\") ;</script>");
    EXPECT_TRUE(Contains(upload(*m_browser, "aB3dE5gH.jpg", "third"), "(201,\"/images/upload/Image/aB3dE5gH(2).jpg\""));
    // Folders and script look-alikes are cleaned out of the name; other types are refused.
    EXPECT_TRUE(Contains(upload(*m_browser, "../../x.php.jpg", "p"), "(0,\"/images/upload/Image/x_php.jpg\""));
    EXPECT_TRUE(Contains(upload(*m_browser, "shell.php", "p"), "OnUploadCompleted(202,"));

    Browser stranger(*m_shop);
    const std::string refused = upload(stranger, "zzzzzzzz.jpg", "x");
    EXPECT_TRUE(Contains(refused, "OnUploadCompleted(1,\"\",\"\", \"")) << refused;
    EXPECT_FALSE(Contains(refused, "\", \"\") ;"));

    const std::vector<SandboxUpload> uploads = m_shop->Uploads();
    ASSERT_EQ(uploads.size(), 4u);
    EXPECT_EQ(uploads[0].bytes, jpeg);
    EXPECT_EQ(uploads[1].code, 201);
    auto served = stranger.Get("/images/upload/Image/aB3dE5gH.jpg");
    ASSERT_TRUE(served);
    EXPECT_EQ(served->status, 200);
    EXPECT_EQ(served->body, jpeg);
    EXPECT_EQ(served->get_header_value("Content-Type"), "image/jpeg");
    EXPECT_EQ(stranger.Get("/images/upload/Image/aB3dE5gH(1).jpg")->body, "second");
    EXPECT_EQ(stranger.Get("/images/upload/Image/missing.jpg")->status, 404);
}

TEST_P(SandboxShopTest, FrontEndShowsPublishedArticlesOnly)
{
    ASSERT_TRUE(Contains(Submit(ArticleForm(W("公开文章"), 5, Gbk())), W("添加成功")));
    std::vector<Part> hidden = ArticleForm(W("隐藏文章"), 5, Gbk());
    hidden[3].value = "0"; // is_open
    ASSERT_TRUE(Contains(Submit(hidden), W("添加成功")));

    Browser visitor(*m_shop);
    auto category = visitor.Get("/article_cat.php?id=5");
    ASSERT_TRUE(category);
    EXPECT_TRUE(Contains(category->body, "href=\"article.php?id=4\""));
    EXPECT_FALSE(Contains(category->body, "article.php?id=5"));
    auto article = visitor.Get("/article.php?id=4");
    ASSERT_TRUE(article);
    EXPECT_EQ(article->status, 200);
    EXPECT_TRUE(Contains(article->body, W("<p>公开文章</p>")));
    EXPECT_EQ(visitor.Get("/article.php?id=5")->status, 302);
    EXPECT_EQ(visitor.Get("/article_cat.php?id=404")->status, 302);
}

// The bytes each flavour puts on the wire, and the decoding of form fields in that encoding.
TEST_P(SandboxShopTest, AnswersInTheFlavoursEncoding)
{
    // A Chinese title sent percent-encoded in the flavour's encoding arrives as the same characters.
    auto res = m_browser->PostForm(
        m_browser->Admin("/articlecat.php"), "cat_name=" + Encode(W("编码测试")) + "&parent_id=0&act=insert");
    ASSERT_TRUE(res);
    EXPECT_TRUE(Contains(res->body, W("编码测试已成功添加")));
    EXPECT_EQ(m_shop->Categories().back().name, U("编码测试"));

    const std::string list = GetBody(m_browser->Admin("/articlecat.php?act=list"));
    EXPECT_TRUE(Contains(list, W("编码测试")));
    EXPECT_EQ(Contains(list, "\xE7\xBC\x96"), !Gbk()); // the UTF-8 lead of 编 appears only in UTF-8
    EXPECT_TRUE(Contains(list, Gbk() ? "content=\"text/html; charset=gbk\"" : "content=\"text/html; charset=utf-8\""));

    const std::string refusal = GetBody(m_browser->Admin("/articlecat.php?is_ajax=1&act=remove&id=1"));
    const std::string message = U("系统保留分类");
    if (Gbk()) {
        EXPECT_TRUE(Contains(refusal, message)) << "raw GBK bytes in the JSON";
    } else {
        EXPECT_TRUE(Contains(refusal, "\\u7cfb\\u7edf")) << refusal; // 系统
        for (char c : refusal)
            EXPECT_LT(static_cast<unsigned char>(c), 0x80);
    }
}

TEST_P(SandboxShopTest, CaptchaSwitchGuardsTheLogin)
{
    m_shop->SetCaptcha(true);
    Browser browser(*m_shop);
    EXPECT_FALSE(browser.Login("admin", W("密码1")));
    auto res = browser.PostForm(browser.Admin("/privilege.php"),
        "username=admin&password=" + Encode(W("密码1")) + "&no-captcha=&act=signin&safecode=");
    ASSERT_TRUE(res);
    EXPECT_TRUE(Contains(res->body, W("验证码不正确")));
    EXPECT_TRUE(Contains(GetBody(browser.Admin("/privilege.php?act=login")), "name=\"captcha\""));
    EXPECT_FALSE(browser.Login("admin", W("密码1"), "&captcha=1234"));
    EXPECT_TRUE(browser.Login("admin", W("密码1"), "&captcha=8888"));
    m_shop->SetCaptcha(false);
    EXPECT_TRUE(Browser(*m_shop).Login("admin", W("密码1")));
}

TEST(SandboxShop, SecurityCodeIsCheckedWhenSet)
{
    SandboxOptions options;
    options.securityCode = "s3cret";
    SandboxShop shop(options);
    ASSERT_TRUE(shop.Start());
    Browser browser(shop);
    EXPECT_FALSE(browser.Login("admin", "admin123", "wrong"));
    EXPECT_TRUE(browser.Login("admin", "admin123", "s3cret"));
}

TEST(SandboxShop, AdminDirectoryAndPortFollowTheOptions)
{
    SandboxOptions options;
    options.adminDir = "shop/houtai";
    SandboxShop shop(options);
    ASSERT_TRUE(shop.Start());
    EXPECT_GT(shop.Port(), 0);
    EXPECT_EQ(shop.AdminUrl(), "http://127.0.0.1:" + std::to_string(shop.Port()) + "/shop/houtai");
    Browser browser(shop);
    EXPECT_TRUE(browser.Login("admin", "admin123"));
    EXPECT_EQ(browser.Get("/admin/index.php")->status, 404);

    SandboxOptions same;
    same.port = shop.Port();
    SandboxShop second(same);
    EXPECT_FALSE(second.Start()) << "the port is taken";
    shop.Stop();
    EXPECT_FALSE(shop.Running());
    EXPECT_TRUE(shop.Start()) << "a stopped shop starts again";
}

struct FaultCase {
    const char* name;
    SandboxFaults faults;
    friend void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }
};

class SandboxShopFaults : public ::testing::TestWithParam<FaultCase> { };

TEST_P(SandboxShopFaults, EveryRequestGetsTheFault)
{
    const FaultCase& c = GetParam();
    SandboxShop shop;
    ASSERT_TRUE(shop.Start());
    shop.SetFaults(c.faults);
    httplib::Client client("127.0.0.1", shop.Port());
    client.set_read_timeout(0, 800000);
    const auto started = std::chrono::steady_clock::now();
    auto res = client.Get("/admin/privilege.php?act=login");
    const auto elapsed = std::chrono::steady_clock::now() - started;
    const std::string fault = c.name;
    if (fault == "error") {
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 500);
    } else if (fault == "garbage") {
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        EXPECT_FALSE(Contains(res->body, "<title>"));
        EXPECT_GE(res->body.size(), 256u);
    } else if (fault == "reset" || fault == "hang") {
        EXPECT_FALSE(res) << "the answer is cut short or never comes";
    } else if (fault == "delay") {
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 200);
        EXPECT_GE(elapsed, std::chrono::milliseconds(300));
    }
    const std::vector<SandboxRequest> requests = shop.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].fault, fault);
    EXPECT_EQ(requests[0].target, "/admin/privilege.php?act=login");

    // Faults off again: the same shop answers normally, and stopping does not wait for a hang.
    shop.SetFaults({});
    auto healthy = client.Get("/admin/privilege.php?act=login");
    ASSERT_TRUE(healthy);
    EXPECT_EQ(healthy->status, 200);
    const auto stopping = std::chrono::steady_clock::now();
    shop.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(5));
}

SandboxFaults Only(double SandboxFaults::*share)
{
    SandboxFaults faults;
    faults.*share = 1.0;
    faults.delayMs = 300;
    faults.hangMs = 60000;
    return faults;
}

INSTANTIATE_TEST_SUITE_P(Knobs, SandboxShopFaults,
    ::testing::Values(FaultCase{"error", Only(&SandboxFaults::errorShare)},
        FaultCase{"garbage", Only(&SandboxFaults::garbageShare)}, FaultCase{"reset", Only(&SandboxFaults::resetShare)},
        FaultCase{"hang", Only(&SandboxFaults::hangShare)}, FaultCase{"delay", Only(&SandboxFaults::delayShare)}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST(SandboxShop, FaultSharesSplitTheRequests)
{
    SandboxOptions options;
    options.faults.errorShare = 0.5;
    options.seed = 7;
    SandboxShop shop(options);
    ASSERT_TRUE(shop.Start());
    httplib::Client client("127.0.0.1", shop.Port());
    int errors = 0;
    for (int i = 0; i < 200; ++i) {
        auto res = client.Get("/index.php");
        ASSERT_TRUE(res);
        errors += res->status == 500;
    }
    EXPECT_GT(errors, 60);
    EXPECT_LT(errors, 140);
}

TEST(SandboxShop, RecordsRawRequestBytes)
{
    SandboxShop shop;
    ASSERT_TRUE(shop.Start());
    Browser browser(shop);
    ASSERT_TRUE(browser.Login("admin", "admin123"));
    const std::string body = Multipart(ArticleForm("raw", 5, false));
    ASSERT_TRUE(browser.PostMultipart(browser.Admin("/article.php"), body));
    const SandboxRequest last = shop.Requests().back();
    EXPECT_EQ(last.method, "POST");
    EXPECT_EQ(last.body, body);
    bool typeSeen = false;
    for (const auto& [name, value] : last.headers) {
        if (name == "Content-Type") {
            EXPECT_EQ(value, std::string("multipart/form-data; boundary=") + kBoundary);
            typeSeen = true;
        }
        EXPECT_NE(name, "X-Kc-Sandbox-Content-Type");
    }
    EXPECT_TRUE(typeSeen);
    shop.ClearRequests();
    EXPECT_TRUE(shop.Requests().empty());
}

TEST(SandboxShop, ListensOnLoopbackAddressesOnly)
{
    struct Case {
        const char* host;
        bool starts;
    };
    for (const Case& c :
        {Case{"127.0.0.2", true}, Case{"127.255.0.1", true}, Case{"0.0.0.0", false}, Case{"192.168.1.1", false},
            Case{"127.0.0", false}, Case{"127.0.0.1.5", false}, Case{"localhost", false}, Case{"127.0.0.256", false}}) {
        SandboxOptions options;
        options.host = c.host;
        SandboxShop shop(options);
        EXPECT_EQ(shop.Start(), c.starts) << c.host;
        if (c.starts) {
            EXPECT_EQ(shop.ShopUrl(), std::string("http://") + c.host + ":" + std::to_string(shop.Port()));
            httplib::Client client(c.host, shop.Port());
            auto res = client.Get("/index.php");
            ASSERT_TRUE(res) << c.host;
            EXPECT_EQ(res->status, 200);
        }
    }
}

// A shop for a test's own layout: no demo categories or articles, the categories the test adds.
TEST(SandboxShop, TestsSeedTheirOwnCategories)
{
    SandboxOptions options;
    options.demoData = false;
    SandboxShop shop(options);
    EXPECT_TRUE(shop.Categories().empty());
    EXPECT_EQ(shop.ArticleCount(), 0u);
    EXPECT_EQ(shop.Goods().size(), 20u);
    const int top = shop.AddCategory(U("顶"));
    const int help = shop.AddCategory(U("帮助"), 0, kCategoryHelp);
    const int child = shop.AddCategory(U("子"), top);
    const int second = shop.AddCategory(U("第二"));
    EXPECT_EQ(std::vector<int>({top, help, child, second}), std::vector<int>({1, 2, 3, 4}));
    EXPECT_EQ(shop.AddCategory("", top), 0);
    EXPECT_EQ(shop.AddCategory(U("孤"), 99), 0);

    const std::vector<SandboxCategory> tree = shop.Categories();
    ASSERT_EQ(tree.size(), 4u);
    const std::vector<std::pair<int, int>> idAndLevel = {{tree[0].id, tree[0].level}, {tree[1].id, tree[1].level},
        {tree[2].id, tree[2].level}, {tree[3].id, tree[3].level}};
    EXPECT_EQ(idAndLevel, (std::vector<std::pair<int, int>>{{top, 0}, {child, 1}, {help, 0}, {second, 0}}));

    ASSERT_TRUE(shop.Start());
    Browser browser(shop);
    ASSERT_TRUE(browser.Login("admin", "admin123"));
    auto list = browser.Get(browser.Admin("/articlecat.php?act=list"));
    ASSERT_TRUE(list);
    EXPECT_TRUE(Contains(list->body, "<tr align=\"center\" class=\"1\" id=\"1_3\">"));
    EXPECT_TRUE(Contains(list->body, "\r\n      \xE5\xB8\xAE\xE5\x8A\xA9\xE5\x88\x86\xE7\xB1\xBB\r\n")); // 帮助分类
    EXPECT_FALSE(shop.Article(1));
}

// Many sessions at once, as a run with several workers drives one shop: every article arrives once,
// with its own id, and the list stays newest first.
TEST(SandboxShop, ConcurrentSessionsEachGetTheirArticles)
{
    SandboxOptions options;
    options.recordRequests = false;
    SandboxShop shop(options);
    ASSERT_TRUE(shop.Start());
    constexpr int kSessions = 10;
    constexpr int kArticles = 20;
    std::vector<std::thread> threads;
    std::atomic<int> refused{0};
    for (int s = 0; s < kSessions; ++s) {
        threads.emplace_back([&shop, &refused, s] {
            Browser browser(shop);
            if (!browser.Login("admin", "admin123")) {
                ++refused;
                return;
            }
            for (int i = 0; i < kArticles; ++i) {
                const std::string title = "s" + std::to_string(s) + "-" + std::to_string(i);
                auto res
                    = browser.PostMultipart(browser.Admin("/article.php"), Multipart(ArticleForm(title, 5, false)));
                if (!res || !Contains(res->body, "添加成功"))
                    ++refused;
                if (i % 5 == 0 && !browser.Get(browser.Admin("/article.php?act=list")))
                    ++refused;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(refused.load(), 0);
    const std::vector<SandboxArticle> articles = shop.Articles();
    ASSERT_EQ(articles.size(), 3u + kSessions * kArticles);
    std::set<std::string> titles;
    for (size_t i = 0; i < articles.size(); ++i) {
        EXPECT_EQ(articles[i].id, static_cast<int>(i) + 1);
        titles.insert(articles[i].title);
    }
    EXPECT_EQ(titles.size(), articles.size());
    EXPECT_TRUE(shop.Requests().empty());
    EXPECT_GE(shop.RequestCount(), static_cast<size_t>(kSessions * (kArticles + 5)));

    Browser browser(shop);
    ASSERT_TRUE(browser.Login("admin", "admin123"));
    const std::string list = browser.Get(browser.Admin("/article.php?act=list"))->body;
    EXPECT_EQ(CountOf(list, "name=\"checkboxes[]\""), 15);
    EXPECT_TRUE(Contains(list, "value=\"" + std::to_string(articles.back().id) + "\""));
    const std::string category = browser.Get(browser.Admin("/article.php?act=list&cat_id=5&page=14"))->body;
    EXPECT_EQ(CountOf(category, "name=\"checkboxes[]\""), 200 - 13 * 15);
    EXPECT_TRUE(Contains(category, "value=\"4\"")) << "the oldest article of the category is on its last page";
}

// ---- the codecs ----

TEST(SandboxCodec, PercentDecodingKeepsBadEscapes)
{
    EXPECT_EQ(SandboxPercentDecode("%D6%D0+%zz%4", true), "\xD6\xD0 %zz%4");
    EXPECT_EQ(SandboxPercentDecode("a+b", false), "a+b");
    const std::vector<SandboxFormField> fields = SandboxParseFormFields("&a=1&&b&c=x%3Dy=z&a=2");
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(fields[1], SandboxFormField("b", ""));
    EXPECT_EQ(fields[2], SandboxFormField("c", "x=y=z"));
    EXPECT_EQ(fields[3], SandboxFormField("a", "2"));
}

TEST(SandboxCodec, MultipartPartsKeepTheirBytes)
{
    const std::string body = "preamble\r\n--XY\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nline1\r\nline2\r\n"
                             "--XY\r\ncontent-disposition: form-data; name=\"f\"; filename=\"x;y.jpg\"\r\n"
                             "Content-Type: image/jpeg\r\n\r\n\r\n--X\r\n--XY\r\n"
                             "Content-Disposition: form-data; name=\"e\"\r\n\r\n\r\n--XY--\r\n";
    EXPECT_EQ(SandboxMultipartBoundary("multipart/form-data; boundary=\"XY\""), "XY");
    EXPECT_EQ(SandboxMultipartBoundary("text/plain; boundary=XY"), "");
    std::vector<SandboxMultipartPart> parts;
    ASSERT_TRUE(SandboxParseMultipart(body, "XY", parts));
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0].value, "line1\r\nline2");
    EXPECT_FALSE(parts[0].hasFileName);
    EXPECT_EQ(parts[1].fileName, "x;y.jpg");
    EXPECT_EQ(parts[1].contentType, "image/jpeg");
    EXPECT_EQ(parts[1].value, "\r\n--X");
    EXPECT_EQ(parts[2].value, "");
    std::vector<SandboxMultipartPart> cut;
    EXPECT_FALSE(SandboxParseMultipart(body.substr(0, 70), "XY", cut));
}

TEST(SandboxCodec, JsonStringsPerFlavour)
{
    // 0x81 0x5C is one GBK character whose trail byte is a backslash: copied whole, not escaped.
    EXPECT_EQ(SandboxJsonString("\x81\x5C/\"", false), "\"\x81\x5C\\/\\\"\"");
    EXPECT_EQ(SandboxJsonString(U("中a\n"), true), "\"\\u4e2da\\n\"");
    // A character beyond the BMP becomes a surrogate pair.
    EXPECT_EQ(SandboxJsonString(U("\xF0\x9F\x98\x80"), true), "\"\\ud83d\\ude00\"");
    EXPECT_EQ(SandboxHtmlEscape("<a href=\"x\">&'"), "&lt;a href=&quot;x&quot;&gt;&amp;&#039;");
}

} // namespace
