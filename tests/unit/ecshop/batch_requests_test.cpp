// The batch tool's back-end requests: their forms and addresses, their success tests, and each one
// carried out against the sandbox shop.
#include "client_test_helpers.h"
#include "ecshop/batch_requests.h"
#include "ecshop/login.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <utility>

namespace {

using namespace kc::ecshop;
using namespace kc::ecshop::testing;

TEST(SplitCategoryLine, ExactlyThreeFields)
{
    struct Case {
        const char* line;
        const char* name;
        const char* keywords;
        const char* description;
    };
    for (const Case& c : {Case{"a|b|c", "a", "b", "c"}, Case{"a|b", "a", "b", ""}, Case{"a", "a", "", ""},
             Case{"a|b|c|d", "a", "b", "c"}, Case{"|k|", "", "k", ""}, Case{"", "", "", ""}}) {
        const CategoryLine fields = SplitCategoryLine(c.line);
        EXPECT_EQ(fields.name, c.name) << c.line;
        EXPECT_EQ(fields.keywords, c.keywords) << c.line;
        EXPECT_EQ(fields.description, c.description) << c.line;
    }
}

TEST(CreateCategoryBody, EachFieldEncodedInTheSitesEncoding)
{
    struct Case {
        const char* line; // UTF-8
        const char* parent;
        bool showInNav;
        bool utf8;
        const char* expected;
    };
    const Case cases[] = {
        {"茶|绿茶 红茶|说明", "12", true, true,
            "cat_name=%E8%8C%B6&parent_id=12&sort_order=50&show_in_nav=1&keywords=%E7%BB%BF%E8%8C%B6%20%E7%BA%A2%E8%8C%"
            "B6"
            "&cat_desc=%E8%AF%B4%E6%98%8E&act=insert&id=&old_catname="},
        {"茶|k", "0", false, false,
            "cat_name=%B2%E8&parent_id=0&sort_order=50&show_in_nav=0&keywords=k&cat_desc=&act=insert&id=&old_catname="},
        {"a&b=c|x|y|dropped", "0", false, true,
            "cat_name=a%26b%3Dc&parent_id=0&sort_order=50&show_in_nav=0&keywords=x&cat_desc=y&act=insert&id=&old_"
            "catname="},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CreateCategoryBody(U(c.line), c.parent, c.showInNav, c.utf8), c.expected) << c.line;
}

TEST(ArticleIdBatches, HundredsInRangeOrder)
{
    struct Case {
        int start;
        int end;
        std::vector<size_t> sizes;
        int first;
        int last;
    };
    for (const Case& c : {Case{1, 250, {100, 100, 50}, 1, 250}, Case{250, 1, {100, 100, 50}, 250, 1},
             Case{7, 7, {1}, 7, 7}, Case{1, 100, {100}, 1, 100}, Case{-2, 2, {5}, -2, 2}}) {
        const std::vector<std::vector<int>> batches = ArticleIdBatches(IdRange(c.start, c.end));
        std::vector<size_t> sizes;
        for (const std::vector<int>& batch : batches)
            sizes.push_back(batch.size());
        EXPECT_EQ(sizes, c.sizes) << c.start << ".." << c.end;
        ASSERT_FALSE(batches.empty());
        EXPECT_EQ(batches.front().front(), c.first);
        EXPECT_EQ(batches.back().back(), c.last);
    }
    EXPECT_EQ(ArticleIdBatches(IdRange(250, 1))[1].front(), 150);
}

// One batch at a time gives the same batches, and a range as wide as int is no burden.
TEST(ArticleIdBatchAt, SameBatchesWithoutTheWholeRange)
{
    for (const auto& [start, end] : {std::pair{1, 250}, std::pair{250, 1}, std::pair{7, 7}, std::pair{-3, 197}}) {
        const std::vector<std::vector<int>> all = ArticleIdBatches(IdRange(start, end));
        ASSERT_EQ(ArticleBatchCount(start, end), static_cast<std::int64_t>(all.size()));
        for (size_t i = 0; i < all.size(); ++i)
            EXPECT_EQ(ArticleIdBatchAt(start, end, static_cast<std::int64_t>(i)), all[i]) << start << ".." << end;
        EXPECT_TRUE(ArticleIdBatchAt(start, end, static_cast<std::int64_t>(all.size())).empty());
        EXPECT_TRUE(ArticleIdBatchAt(start, end, -1).empty());
    }
    const int low = std::numeric_limits<int>::min();
    const int high = std::numeric_limits<int>::max();
    EXPECT_EQ(ArticleBatchCount(low, high), 42949673);
    const std::vector<int> last = ArticleIdBatchAt(low, high, 42949672);
    ASSERT_EQ(last.size(), 96u);
    EXPECT_EQ(last.back(), high);
    EXPECT_EQ(ArticleIdBatchAt(high, low, 42949672).back(), low);
}

TEST(DeleteArticlesBody, IdsThenTheBatchButton)
{
    EXPECT_EQ(DeleteArticlesBody({1, 2}),
        "&checkboxes%5B%5D=1&checkboxes%5B%5D=2&act=batch&type=button_remove&target_cat=0"
        "&btnSubmit=+%E7%A1%AE%E5%AE%9A+");
}

TEST(DeleteCategoryUrl, IdAndTheTimeSuffix)
{
    kc::sites::SiteConfig site;
    site.domain = "d.cn";
    site.adminDir = "houtai";
    site.useHttps = true;
    EXPECT_EQ(DeleteCategoryUrl(site, 5, 1700000000123),
        "https://d.cn/houtai/articlecat.php?is_ajax=1&act=remove&id=5&1700000000123205");
}

TEST(BatchAnswers, SuccessTests)
{
    struct Case {
        const char* answer; // UTF-8
        bool created;
        bool deleted;
    };
    const Case cases[] = {
        {"<td>茶已成功添加</td>", true, false},
        {"{\"error\":0,\"message\":\"\",\"content\":\"\"}", false, true},
        {"{\\\"error\\\":0}", false, true}, // script-escaped quotes are read as quotes
        {"{\"error\":1,\"message\":\"\\u4e0d\"}", false, false},
        {"{\"error\": 0}", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsCategoryCreated(U(c.answer)), c.created) << c.answer;
        EXPECT_EQ(IsCategoryDeleted(U(c.answer)), c.deleted) << c.answer;
    }
}

class BatchRequestsTest : public LoggedInSandboxTest { };

INSTANTIATE_TEST_SUITE_P(
    Flavours, BatchRequestsTest, ::testing::Values(SandboxEncoding::kGbk, SandboxEncoding::kUtf8), FlavourName);

TEST_P(BatchRequestsTest, CreateCategories)
{
    std::string answer;
    EXPECT_TRUE(CreateCategory(m_site, "7", U("绿茶|茶,绿|春天的茶"), true, &answer));
    EXPECT_NE(answer.find(U("绿茶已成功添加")), std::string::npos);
    const SandboxCategory added = m_shop->Categories().back();
    EXPECT_EQ(added.name, U("绿茶"));
    EXPECT_EQ(added.parentId, 7);
    EXPECT_EQ(added.keywords, U("茶,绿"));
    EXPECT_EQ(added.description, U("春天的茶"));
    EXPECT_TRUE(added.showInNav);

    struct Case {
        const char* parent;
        const char* line;
        const char* why;
    };
    for (const Case& c : {Case{"7", "绿茶", "the name is taken under that parent"},
             Case{"1", "系统下", "system categories take no children"}, Case{"404", "无父", "no such parent"},
             Case{"0", "", "no name"}})
        EXPECT_FALSE(CreateCategory(m_site, c.parent, U(c.line), false)) << c.why;
    EXPECT_TRUE(CreateCategory(m_site, "0", U("绿茶"), false)) << "the same name at the top level";
}

TEST_P(BatchRequestsTest, DeleteArticlesInBatches)
{
    const std::vector<kc::ecshop::SandboxArticle> before = m_shop->Articles();
    ASSERT_EQ(before.size(), 3u);
    for (const std::vector<int>& batch : ArticleIdBatches(IdRange(2, 150)))
        DeleteArticleBatch(m_site, batch);
    const std::vector<kc::ecshop::SandboxArticle> after = m_shop->Articles();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].id, 1);
    const std::vector<SandboxRequest> requests = m_shop->Requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests.back().method, "POST");
    EXPECT_EQ(requests.back().target, "/admin/article.php?act=batch_remove");
    EXPECT_EQ(requests.back().body.rfind("&checkboxes%5B%5D=102&", 0), 0u) << "the second batch starts at 102";
}

TEST_P(BatchRequestsTest, DeleteCategories)
{
    const int empty = m_shop->AddCategory(U("空分类"), 4);
    struct Case {
        int id;
        bool deleted;
        const char* why;
    };
    for (const Case& c : {Case{empty, true, "an empty ordinary category"}, Case{empty, false, "already gone"},
             Case{2, false, "holds the shop's information articles"}, Case{1, false, "a system category"},
             Case{4, false, "has children"}, Case{6, true, "an empty child"}})
        EXPECT_EQ(DeleteCategory(m_site, c.id), c.deleted) << c.why;
    const SandboxRequest last = m_shop->Requests().back();
    EXPECT_EQ(last.method, "GET");
    EXPECT_EQ(last.target.rfind("/admin/articlecat.php?is_ajax=1&act=remove&id=6&", 0), 0u) << last.target;
    EXPECT_EQ(last.target.substr(last.target.size() - 3), "205");
}

} // namespace
