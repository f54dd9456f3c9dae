// Article submission: the form's bytes, the goods links, the enhanced second pass, the last touches
// (attributes, description, cover picture) and the behaviour against a misbehaving shop.
#include "client_test_helpers.h"
#include "ecshop/login.h"
#include "ecshop/submit_article.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <tuple>

namespace {

using namespace kc::ecshop;
using namespace kc::ecshop::testing;

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

bool Contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

// The value of a field the shop recorded for an article; empty when it was not sent.
std::string FieldOf(const SandboxArticle& article, const std::string& name)
{
    for (const auto& [field, value] : article.fields)
        if (field == name)
            return value;
    return {};
}

std::vector<std::string> FieldValues(const SandboxArticle& article, const std::string& name)
{
    std::vector<std::string> values;
    for (const auto& [field, value] : article.fields)
        if (field == name)
            values.push_back(value);
    return values;
}

// The whole article form as a browser sends it from the back end's page, for the site of
// WireCase below; SOURCE stands for the source_select parts.
const char* const kExpectedForm = "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"title\"\r\n\r\n标题 A&B\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"article_cat\"\r\n\r\n5\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"article_type\"\r\n\r\n1\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"is_open\"\r\n\r\n1\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"is_recommend\"\r\n\r\n0\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"is_index\"\r\n\r\n1\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"recommend_file\"; filename=\"\"\r\n"
                                  "Content-Type: application/octet-stream\r\n\r\n\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"article_pic\"\r\n\r\n/images/a.jpg\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"author\"\r\n\r\n作者\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"author_email\"\r\n\r\n\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"keywords\"\r\n\r\n关键词,词\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"description\"\r\n\r\n正文内容\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"link_url\"\r\n\r\nhttp://\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"file\"; filename=\"\"\r\n"
                                  "Content-Type: application/octet-stream\r\n\r\n\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"file_url\"\r\n\r\n\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"FCKeditor1\"\r\n\r\n"
                                  "<p>正文 http://x.cn/a 内容</p><img src=\"/images/a.jpg\" />\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"cat_id\"\r\n\r\n0\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"brand_id\"\r\n\r\n0\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"keyword\"\r\n\r\n\r\n"
                                  "SOURCE"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"act\"\r\n\r\ninsert\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"old_title\"\r\n\r\n\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                  "Content-Disposition: form-data; name=\"id\"\r\n\r\n\r\n"
                                  "------WebKitFormBoundarynQgcxEjRQzYWytVW--\r\n";

struct WireCase {
    const char* name;
    bool utf8;
    const char* goods;
    std::vector<const char*> linkIds; // the add_ids of the link requests, in order
    const char* sourceParts;
};

class SubmitArticleWire : public ::testing::TestWithParam<WireCase> { };

// The bytes of every request, checked at the wire through a recording server.
TEST_P(SubmitArticleWire, LinksGoodsThenPostsTheFormByteForByte)
{
    const WireCase& c = GetParam();
    kc::test::FakeHttpServer server;
    ASSERT_TRUE(server.IsRunning());
    const bool gbk = !c.utf8;
    const std::string charset = gbk ? "text/html; charset=gbk" : "text/html; charset=utf-8";
    server.On("/admin/article.php", [&](const kc::test::RecordedRequest& request) {
        return request.method == "POST" ? Page(Wire("<p>文章已经添加成功</p>", gbk), charset)
                                        : Page("{\"error\":0,\"message\":\"\",\"content\":[]}", "application/json");
    });
    kc::sites::SiteConfig site = SiteAt(server.BaseUrl(), "admin", c.utf8);
    site.categoryId = 5;
    site.top = true;
    site.featured = true;
    site.extractThumb = true;
    site.author = U("作者");
    site.keywordsChosen = U("关键词,词");
    site.descMin = 4;
    site.descMax = 4;
    site.goodsChosen = c.goods;
    std::string body = U("<p>正文 http://x.cn/a 内容</p><img src=\"/images/a.jpg\" />");
    std::string response;

    EXPECT_TRUE(SubmitArticle(U("标题 A&B"), body, site, 1, response));
    EXPECT_TRUE(Contains(response, U("文章已经添加成功")));

    const std::vector<kc::test::RecordedRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), c.linkIds.size() + 1);
    for (size_t i = 0; i < c.linkIds.size(); ++i) {
        EXPECT_EQ(requests[i].method, "GET");
        EXPECT_EQ(requests[i].path, "/admin/article.php");
        // The link, then the time in milliseconds (13 digits these years) followed by "255".
        const std::string link
            = std::string("is_ajax=1&act=add_link_goods&add_ids=%5B%22") + c.linkIds[i] + "%22%5D&JSON=%5B0%5D&";
        const std::string& query = requests[i].query;
        ASSERT_EQ(query.size(), link.size() + 16) << query;
        EXPECT_EQ(query.substr(0, link.size()), link);
        EXPECT_EQ(query.find_first_not_of("0123456789", link.size()), std::string::npos) << query;
        EXPECT_EQ(query.substr(query.size() - 3), "255");
    }
    const kc::test::RecordedRequest& post = requests.back();
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.path, "/admin/article.php");
    EXPECT_EQ(post.query, "");
    EXPECT_EQ(post.Header("Content-Type"), "multipart/form-data; boundary=----WebKitFormBoundarynQgcxEjRQzYWytVW");
    EXPECT_EQ(post.Header("Referer"), server.BaseUrl() + "/admin/article.php?act=add");
    EXPECT_EQ(post.Header("Upgrade-Insecure-Requests"), "1");
    EXPECT_EQ(post.body, Wire(Replace(kExpectedForm, "SOURCE", c.sourceParts), gbk));
}

const char* const kTwoSourceParts = "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                    "Content-Disposition: form-data; name=\"source_select\"\r\n\r\n3\r\n"
                                    "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                    "Content-Disposition: form-data; name=\"source_select\"\r\n\r\n7\r\n";
const char* const kEmptySourcePart = "------WebKitFormBoundarynQgcxEjRQzYWytVW\r\n"
                                     "Content-Disposition: form-data; name=\"source_select\"\r\n\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(Forms, SubmitArticleWire,
    ::testing::Values(WireCase{"Utf8TwoGoods", true, "3,7", {"3", "7"}, kTwoSourceParts},
        WireCase{"GbkTwoGoods", false, "3,7", {"3", "7"}, kTwoSourceParts},
        WireCase{"Utf8NoGoods", true, "", {}, kEmptySourcePart},
        WireCase{"GbkNoGoods", false, "", {}, kEmptySourcePart}),
    [](const ::testing::TestParamInfo<WireCase>& info) { return std::string(info.param.name); });

// A logged-in site of a running sandbox shop of one flavour.
class SubmitToSandbox : public LoggedInSandboxTest {
protected:
    void SetUp() override
    {
        LoggedInSandboxTest::SetUp();
        m_site.categoryId = 5;
    }

    bool Submit(const std::string& title, std::string body, const SubmitOptions& options = {})
    {
        std::string response;
        m_body = std::move(body);
        const bool accepted = SubmitArticle(title, m_body, m_site, 1, response, options);
        m_response = response;
        return accepted;
    }

    std::string m_body;
    std::string m_response;
};

INSTANTIATE_TEST_SUITE_P(
    Flavours, SubmitToSandbox, ::testing::Values(SandboxEncoding::kGbk, SandboxEncoding::kUtf8), FlavourName);

TEST_P(SubmitToSandbox, TheShopReceivesEveryPartOfTheArticle)
{
    m_site.author = U("王五");
    m_site.keywordsChosen = U("茶叶,绿茶");
    m_site.goodsChosen = "3,7";
    m_site.descMin = 3;
    m_site.descMax = 3;
    ASSERT_TRUE(Submit(U("龙井 & 碧螺春"), U("<p>西湖龙井，明前采摘。</p>"))) << m_response;
    EXPECT_TRUE(Contains(m_response, U("文章已经添加成功")));

    const std::optional<SandboxArticle> article = m_shop->Article(4);
    ASSERT_TRUE(article);
    EXPECT_EQ(article->title, U("龙井 & 碧螺春"));
    EXPECT_EQ(article->categoryId, 5);
    EXPECT_EQ(article->content, U("<p>西湖龙井，明前采摘。</p>"));
    EXPECT_EQ(article->author, U("王五"));
    EXPECT_EQ(article->keywords, U("茶叶,绿茶"));
    EXPECT_EQ(article->description, U("西湖龙"));
    EXPECT_EQ(article->linkedGoods, (std::vector<int>{3, 7}));
    EXPECT_EQ(FieldValues(*article, "source_select"), (std::vector<std::string>{"3", "7"}));
    EXPECT_EQ(article->updates, 0);
}

TEST_P(SubmitToSandbox, EnhancedSubmitEditsTheArticleFoundByItsEscapedTitle)
{
    // The list shows the title HTML-escaped; the lookup still finds it.
    const std::string title = U("茶 & 水 <b>\"好\"</b>");
    int asked = 0;
    SubmitOptions options;
    options.enhancedSubmit = [&] {
        ++asked;
        return true;
    };
    ASSERT_TRUE(Submit(title, U("<p>正文</p>"), options)) << m_response;
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(Contains(m_response, U("成功编辑")));
    ASSERT_EQ(m_shop->ArticleCount(), 4u);
    const SandboxArticle article = *m_shop->Article(4);
    EXPECT_EQ(article.updates, 1);
    EXPECT_EQ(FieldOf(article, "act"), "update");
    EXPECT_EQ(FieldOf(article, "old_title"), title);
    EXPECT_EQ(FieldOf(article, "id"), "4");

    const std::vector<SandboxRequest> requests = m_shop->Requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests[requests.size() - 2].target, "/admin/article.php?act=list");
    std::string referer;
    for (const auto& [name, value] : requests.back().headers)
        if (name == "Referer")
            referer = value;
    EXPECT_EQ(referer, m_shop->AdminUrl() + "/article.php?act=edit&id=4");
}

// Every article draws the three attributes afresh from the generator, and the draws stay in the site.
TEST_P(SubmitToSandbox, RandomAttributesAreDrawnPerArticle)
{
    std::mt19937 random(20240611);
    SubmitOptions options;
    options.random = &random;
    m_site.randomAttributes = true;
    std::set<std::tuple<bool, bool, bool>> seen;
    for (int i = 0; i < 12; ++i) {
        ASSERT_TRUE(Submit(U("文章") + std::to_string(i), "<p>x</p>", options)) << i;
        const SandboxArticle article = *m_shop->Article(4 + i);
        EXPECT_EQ(FieldOf(article, "article_type"), m_site.top ? "1" : "0") << i;
        EXPECT_EQ(FieldOf(article, "is_recommend"), m_site.recommend ? "1" : "0") << i;
        EXPECT_EQ(FieldOf(article, "is_index"), m_site.featured ? "1" : "0") << i;
        seen.emplace(m_site.top, m_site.recommend, m_site.featured);
    }
    EXPECT_GE(seen.size(), 3u) << "twelve articles with one draw for all";

    // Without the option the site's own settings go out unchanged.
    m_site.randomAttributes = false;
    m_site.top = false;
    m_site.recommend = true;
    m_site.featured = false;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(Submit(U("固定") + std::to_string(i), "<p>x</p>", options));
        const SandboxArticle article = *m_shop->Article(16 + i);
        EXPECT_EQ(
            FieldOf(article, "article_type") + FieldOf(article, "is_recommend") + FieldOf(article, "is_index"), "010");
    }
}

// The cover picture is the body's first picture, uploaded to the shop when asked; the description
// and the cover are taken before the body's pictures are localised.
TEST_P(SubmitToSandbox, CoverPictureAndLocalisedBody)
{
    kc::test::FakeHttpServer pictures("127.0.0.9");
    ASSERT_TRUE(pictures.IsRunning());
    const std::string png("\x89PNG\r\n\x1A\n\0\0bytes", 15);
    pictures.On("/a.png", kc::test::FakeAnswer::Text(png).WithHeader("Content-Type", "image/png"));
    const std::string remote = pictures.Url("/a.png");
    const std::string body = "<p>see</p><img src=\"" + remote + "\" /><img src=\"/local.jpg\" />";

    struct Case {
        const char* name;
        bool extract;
        bool upload;
        bool localise;
        bool coverUploaded; // else the cover is the address as found, or empty
        const char* cover; // when not uploaded
    };
    const Case cases[] = {
        {"none", false, false, false, false, ""},
        {"extract", true, false, false, false, "REMOTE"},
        {"upload", false, true, false, true, ""},
        {"extract+upload+localise", true, true, true, true, ""},
    };
    int next = 4;
    for (const Case& c : cases) {
        m_site.extractThumb = c.extract;
        m_site.uploadThumb = c.upload;
        m_site.localiseImages = c.localise;
        const size_t uploadsBefore = m_shop->Uploads().size();
        ASSERT_TRUE(Submit(U("封面") + c.name, body)) << c.name;
        const SandboxArticle article = *m_shop->Article(next++);
        const std::vector<SandboxUpload> uploads = m_shop->Uploads();
        if (c.coverUploaded) {
            ASSERT_GT(uploads.size(), uploadsBefore) << c.name;
            EXPECT_EQ(article.picture, m_shop->ShopUrl() + uploads[uploadsBefore].url) << c.name;
            EXPECT_EQ(uploads[uploadsBefore].bytes, png) << c.name;
        } else {
            EXPECT_EQ(article.picture, std::string(c.cover) == "REMOTE" ? remote : c.cover) << c.name;
        }
        if (c.localise) {
            ASSERT_EQ(uploads.size(), uploadsBefore + 2) << "the cover, then the body's one remote picture";
            const std::string copy = m_shop->ShopUrl() + uploads.back().url;
            EXPECT_EQ(m_body, "<p>see</p><img src=\"" + copy + "\" /><img src=\"/local.jpg\" />");
            EXPECT_EQ(article.content, m_body);
        } else {
            EXPECT_EQ(article.content, body) << c.name;
        }
    }
}

TEST(SubmitArticle, FailedCoverUploadLeavesThePictureEmpty)
{
    kc::test::FakeHttpServer shop;
    ASSERT_TRUE(shop.IsRunning());
    shop.On("/includes/fckeditor/editor/filemanager/connectors/php/upload.php",
        Page("<script type=\"text/javascript\">window.parent.OnUploadCompleted(1,\"\",\"\", \"no\") ;</script>"));
    shop.On("/admin/article.php", Page("<p>文章已经添加成功</p>"));
    shop.On("/p.jpg", kc::test::FakeAnswer::Text("jpeg"));
    kc::sites::SiteConfig site = SiteAt(shop.BaseUrl());
    site.uploadThumb = true;
    std::string body = "<img src=\"" + shop.Url("/p.jpg") + "\" />";
    std::string response;
    EXPECT_TRUE(SubmitArticle("t", body, site, 1, response));
    const kc::test::RecordedRequest post = shop.LastRequest();
    EXPECT_TRUE(Contains(post.body, "name=\"article_pic\"\r\n\r\n\r\n")) << post.body;
}

struct EnhancedCase {
    const char* name;
    bool enhance; // the answer of the enhanced-submit box
    const char* insertAnswer;
    const char* listRow; // the list's row for the article, empty for none
    const char* updateAnswer;
    bool accepted;
    std::vector<std::string> requests; // "METHOD act" of every request after the insert
    const char* response; // what the caller gets to search for the address
    bool missedEditLogged;
};

class EnhancedSubmit : public ::testing::TestWithParam<EnhancedCase> { };

TEST_P(EnhancedSubmit, SecondPassOutcomes)
{
    const EnhancedCase& c = GetParam();
    kc::test::FakeHttpServer server;
    ASSERT_TRUE(server.IsRunning());
    server.On("/admin/article.php", [&](const kc::test::RecordedRequest& request) {
        if (request.method == "GET")
            return Page(std::string("<table id='list-table'><tr><th>id</th></tr>") + c.listRow
                + "<tr><td><input name=\"checkboxes[]\" type=\"checkbox\" value=\"8\" />8</td><td>other</td></tr>"
                  "</table>");
        return Page(Contains(request.body, "insert\r\n") ? c.insertAnswer : c.updateAnswer);
    });
    kc::sites::SiteConfig site = SiteAt(server.BaseUrl());
    LogCapture log;
    int asked = 0;
    SubmitOptions options;
    options.enhancedSubmit = [&] {
        ++asked;
        return c.enhance;
    };
    options.log = log.Log();
    std::string body = "<p>b</p>";
    std::string response;

    EXPECT_EQ(SubmitArticle(U("茶&水"), body, site, 2, response, options), c.accepted);
    EXPECT_EQ(response, U(c.response));
    EXPECT_EQ(asked, std::string(c.insertAnswer).find("添加成功") != std::string::npos ? 1 : 0);
    std::vector<std::string> seen;
    const std::vector<kc::test::RecordedRequest> requests = server.Requests();
    for (size_t i = 1; i < requests.size(); ++i) {
        const std::string& r = requests[i].body;
        seen.push_back(requests[i].method + " "
            + (requests[i].method == "GET"      ? requests[i].query
                    : Contains(r, "update\r\n") ? "update"
                                                : "?"));
    }
    EXPECT_EQ(seen, c.requests);
    if (c.requests.size() == 2) {
        EXPECT_EQ(requests[2].Header("Referer"), server.BaseUrl() + "/admin/article.php?act=edit&id=12");
        EXPECT_TRUE(Contains(requests[2].body, "name=\"old_title\"\r\n\r\n茶&水\r\n"));
        EXPECT_TRUE(Contains(requests[2].body, "name=\"id\"\r\n\r\n12\r\n"));
    }
    const std::vector<std::string> lines = log.Lines();
    ASSERT_EQ(lines.size(), c.missedEditLogged ? 1u : 0u);
    if (c.missedEditLogged) {
        EXPECT_EQ(lines[0].rfind("2|", 0), 0u) << "a line of the submitting site";
        EXPECT_TRUE(Contains(lines[0], U("茶&水")));
    }
}

const char* const kEscapedRow
    = "<tr><td><input name=\"checkboxes[]\" type=\"checkbox\" value=\"12\" />12</td><td>茶&amp;水</td></tr>";

INSTANTIATE_TEST_SUITE_P(Passes, EnhancedSubmit,
    ::testing::Values(EnhancedCase{"Edited", true, "文章已经添加成功", kEscapedRow, "文章 茶&水 成功编辑", true,
                          {"GET act=list", "POST update"}, "文章 茶&水 成功编辑", false},
        // The article is in the shop: a failure would make the caller add it once more.
        EnhancedCase{
            "NotInTheList", true, "文章已经添加成功", "", "", true, {"GET act=list"}, "文章已经添加成功", true},
        EnhancedCase{"EditRefused", true, "文章已经添加成功", kEscapedRow, "文章编辑失败", false,
            {"GET act=list", "POST update"}, "文章编辑失败", false},
        EnhancedCase{
            "InsertRefused", true, "文章 茶&水 已经存在", kEscapedRow, "", false, {}, "文章 茶&水 已经存在", false},
        EnhancedCase{"BoxOff", false, "文章已经添加成功", kEscapedRow, "", true, {}, "文章已经添加成功", false}),
    [](const ::testing::TestParamInfo<EnhancedCase>& info) { return std::string(info.param.name); });

TEST(FindArticleId, FirstMatchingRowOfTheListTable)
{
    const std::string page = "<table id='other'><tr><td value=\"1\">T</td></tr></table>"
                             "<table cellspacing='1' id='list-table'>"
                             "<tr><th>T</th></tr>"
                             "<tr><td><input value=\"30\" />30</td><td>A &quot;T&quot; &lt;x&gt;</td></tr>"
                             "<tr><td><input value=\"20\" />20</td><td>T</td></tr>"
                             "<tr><td><input value=\"abc\" /></td><td>Z</td></tr>"
                             "</table>";
    struct Case {
        const char* title;
        int id;
    };
    // "T" is in the heading row too, which has no id; "Z" is in a row whose value is no id.
    for (const Case& c :
        {Case{"T", 30}, Case{"A \"T\" <x>", 30}, Case{"a \"t\"", 0}, Case{"Z", 0}, Case{"missing", 0}, Case{"", 0}})
        EXPECT_EQ(FindArticleId(page, c.title), c.id) << c.title;
    EXPECT_EQ(FindArticleId("<p>no table</p>", "T"), 0);
}

TEST(MakeDescription, BodyTextWithoutTagsAddressesAndWhiteSpace)
{
    const std::string body = U("<p>第一段 http://www.a.com/x?y=1 文字</p>\r\n<p>Second\tpart &amp; more</p>");
    struct Case {
        int length;
        const char* expected;
    };
    for (const Case& c : {Case{0, ""}, Case{-3, ""}, Case{1, "第"}, Case{5, "第一段文字"}, Case{8, "第一段文字Sec"},
             Case{50, "第一段文字Secondpart&more"}})
        EXPECT_EQ(MakeDescription(body, c.length), U(c.expected)) << c.length;
}

// Sites that link goods and submit at the same time: each article gets its own goods and no other's,
// since the shop attaches every pending link to the next article it adds.
TEST(SubmitArticle, GoodsLinksOfConcurrentSitesStayWithTheirArticles)
{
    SandboxShop shop;
    ASSERT_TRUE(shop.Start());
    RunDirectoryScope runDirectory;
    struct Worker {
        const char* goods;
        std::vector<int> expected;
        std::string prefix;
    };
    const Worker workers[] = {{"1,2", {1, 2}, "a"}, {"5,6,7", {5, 6, 7}, "b"}, {"", {}, "c"}};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (const Worker& worker : workers) {
        threads.emplace_back([&shop, &worker, &failures] {
            kc::sites::SiteConfig site = SiteFor(shop);
            site.categoryId = 5;
            site.goodsChosen = worker.goods;
            if (!Login(site)) {
                ++failures;
                return;
            }
            for (int i = 0; i < 8; ++i) {
                std::string body = "<p>x</p>";
                std::string response;
                if (!SubmitArticle(worker.prefix + std::to_string(i), body, site, 1, response))
                    ++failures;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    ASSERT_EQ(failures.load(), 0);
    int checked = 0;
    for (const SandboxArticle& article : shop.Articles()) {
        for (const Worker& worker : workers) {
            if (article.title.rfind(worker.prefix, 0) == 0 && article.title.size() == 2) {
                EXPECT_EQ(article.linkedGoods, worker.expected) << article.title;
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 24);
}

struct FaultCase {
    const char* name;
    double SandboxFaults::*share; // null: the shop is not there at all
};

class ClientUnderFaults : public ::testing::TestWithParam<FaultCase> { };

// Whatever the shop does wrong, the login and the submission answer false and the client goes on
// working once the shop behaves again.
TEST_P(ClientUnderFaults, LoginAndSubmissionFailCleanly)
{
    const FaultCase& c = GetParam();
    RunDirectoryScope runDirectory;
    SandboxShop shop;
    ASSERT_TRUE(shop.Start());
    kc::sites::SiteConfig site = SiteFor(shop);
    site.categoryId = 5;
    SandboxFaults faults;
    faults.hangMs = 300; // the shop gives up before the client would; the client sees no answer either way
    faults.delayMs = 0;
    if (c.share)
        faults.*c.share = 1.0;
    const auto misbehave = [&] {
        if (c.share) {
            shop.SetFaults(faults);
        } else {
            // Nothing listens on the shop's port any more: the connection is refused.
            shop.Stop();
        }
    };
    const auto behave = [&] {
        shop.SetFaults({});
        if (!shop.Running()) {
            ASSERT_TRUE(shop.Start());
        }
    };
    std::string body = "<p>x</p>";
    std::string response;

    misbehave();
    EXPECT_FALSE(Login(site));
    behave();
    site = SiteFor(shop);
    site.categoryId = 5;
    ASSERT_TRUE(Login(site));
    misbehave();
    EXPECT_FALSE(SubmitArticle("under fault", body, site, 1, response));
    behave();
    site = SiteFor(shop);
    site.categoryId = 5;
    ASSERT_TRUE(Login(site));
    EXPECT_TRUE(SubmitArticle("after fault", body, site, 1, response)) << response;
}

INSTANTIATE_TEST_SUITE_P(Faults, ClientUnderFaults,
    ::testing::Values(FaultCase{"Refused", nullptr}, FaultCase{"Error500", &SandboxFaults::errorShare},
        FaultCase{"Garbage", &SandboxFaults::garbageShare}, FaultCase{"ResetMidAnswer", &SandboxFaults::resetShare},
        FaultCase{"HangThenClose", &SandboxFaults::hangShare}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST(SubmitArticle, EmptyAnswerIsAFailure)
{
    kc::test::FakeHttpServer server;
    ASSERT_TRUE(server.IsRunning());
    server.On("/admin/article.php", Page(""));
    kc::sites::SiteConfig site = SiteAt(server.BaseUrl());
    std::string body = "<p>x</p>";
    std::string response = "stale";
    EXPECT_FALSE(SubmitArticle("t", body, site, 1, response));
    EXPECT_EQ(response, "");
}

} // namespace
