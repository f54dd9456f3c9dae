// Reading the category list: items with levels and parents, locked kinds, kept checks, and the read
// against the sandbox shop in both encodings.
#include "client_test_helpers.h"
#include "ecshop/categories.h"
#include "ecshop/login.h"

#include <gtest/gtest.h>

#include <ostream>

namespace kc::ecshop {

void PrintTo(const CategoryItem& item, std::ostream* os)
{
    *os << "{" << kc::text::ToUtf8(item.text) << " value " << item.value << " depth " << item.depth << " parent "
        << item.parent << " image " << item.image << " check " << item.checkState << "}";
}

} // namespace kc::ecshop

namespace {

using namespace kc::ecshop;
using namespace kc::ecshop::testing;

CategoryItem Item(const char* text, int value, int depth, int parent, int image, int check)
{
    return CategoryItem{U(text), value, depth, parent, image, check};
}

// A row as the back end writes it: the level in the class, "LEVEL_ID" as id, the name in a link.
std::string Row(const std::string& level, const std::string& id, const char* name, const char* kind)
{
    return "<tr align=\"center\" class=\"" + level + "\" id=\"" + id
        + "\">\r\n<td align=\"left\" class=\"first-cell nowrap\" valign=\"top\"><span><a href=\"article.php?act=list\">"
        + name + "</a></span></td>\r\n<td class=\"nowrap\" valign=\"top\">\r\n      " + kind
        + "\r\n    </td>\r\n<td>desc</td></tr>\r\n";
}

TEST(ParseCategoryList, LevelsParentsKindsAndKeptChecks)
{
    const std::string page = U("<table id=\"other\">" + Row("0", "0_99", "外", "普通分类")
        + "</table>\r\n<table width=\"100%\" cellspacing=\"1\" "
          "id=\"list-table\">\r\n<tr><th>名称</th><th>类型</th></tr>\r\n"
        + Row("0", "0_3", "甲", "普通分类")
        // The name is the text before "</a>", after any markup inside the link.
        + Row("1", "1_4", "<img src=\"i.gif\" />乙", "普通分类") + Row("0", "0_7", "丙", "系统分类")
        + Row("1", "1_8", "丁", "网店信息")
        + Row("2", "2_9", "戊", "普通分类")
        // Rows without a category id after "_" are no categories.
        + Row("0", "0_", "无号", "普通分类")
        + Row("0", "abc", "无号", "普通分类")
        // A level below 0 still makes a top-level item.
        + Row("-1", "0_10", "己", "帮助分类") + Row("0", "0_11", "庚", "普通分类") + "</table>");

    // 3 and 9 were checked before and are still there; 7 is locked whatever was noted; 42 is gone.
    const std::vector<CategoryItem> items = ParseCategoryList(page, {3, 7, 9, 42});
    const std::vector<CategoryItem> expected = {
        Item("甲[3]", 3, 1, -1, 0, kCategoryChecked),
        Item("乙[4]", 4, 2, 0, 0, kCategoryUnchecked),
        Item("丙[7]", 7, 1, -1, 1, kCategoryLocked),
        Item("丁[8]", 8, 2, 2, 1, kCategoryLocked),
        Item("戊[9]", 9, 3, 3, 0, kCategoryChecked),
        Item("己[10]", 10, 1, -1, 1, kCategoryLocked),
        Item("庚[11]", 11, 1, -1, 0, kCategoryUnchecked),
    };
    EXPECT_EQ(items, expected);
    EXPECT_EQ(CheckedCategoryIds(items), (std::vector<int>{3, 9}));

    EXPECT_TRUE(ParseCategoryList("<html><body>no table</body></html>", {1}).empty());
    EXPECT_TRUE(ParseCategoryList("<table id=\"list-table\"><tr><th>x</th></tr></table>", {}).empty());
}

class ReadCategoriesTest : public ::testing::TestWithParam<SandboxEncoding> { };

TEST_P(ReadCategoriesTest, TheShopsTreeAsItems)
{
    SandboxOptions options;
    options.encoding = GetParam();
    options.demoData = false;
    SandboxShop shop(options);
    const int a = shop.AddCategory(U("新闻 & 资讯"));
    const int b = shop.AddCategory(U("行业"), a);
    const int c = shop.AddCategory(U("系统"), 0, kCategorySystem);
    const int d = shop.AddCategory(U("帮助"), c, kCategoryHelp);
    const int e = shop.AddCategory(U("知识"));
    ASSERT_EQ(shop.AddCategory(U("孤儿"), 404), 0);
    ASSERT_TRUE(shop.Start());
    RunDirectoryScope runDirectory;
    kc::sites::SiteConfig site = SiteFor(shop);
    ASSERT_TRUE(Login(site));

    const std::vector<CategoryItem> items = ReadCategories(site, {e, c, 77});
    const auto text = [](const char* name, int id) { return U(name) + "[" + std::to_string(id) + "]"; };
    // The list escapes names in HTML; the items show them as typed.
    const std::vector<CategoryItem> expected = {
        {text("新闻 & 资讯", a), a, 1, -1, 0, kCategoryUnchecked},
        {text("行业", b), b, 2, 0, 0, kCategoryUnchecked},
        {text("系统", c), c, 1, -1, 1, kCategoryLocked},
        {text("帮助", d), d, 2, 2, 1, kCategoryLocked},
        {text("知识", e), e, 1, -1, 0, kCategoryChecked},
    };
    EXPECT_EQ(items, expected);

    // Not logged in: the back end answers with its login page, which holds no categories.
    kc::http::SetAccessMethodProvider([] { return 1; });
    kc::sites::SiteConfig stranger = SiteFor(shop);
    EXPECT_TRUE(ReadCategories(stranger).empty());
    kc::http::SetAccessMethodProvider({});
}

INSTANTIATE_TEST_SUITE_P(
    Flavours, ReadCategoriesTest, ::testing::Values(SandboxEncoding::kGbk, SandboxEncoding::kUtf8), FlavourName);

} // namespace
