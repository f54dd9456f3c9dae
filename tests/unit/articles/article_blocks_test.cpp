// Tests of the article blocks of the tail insertion: separators, block files and folders of them.
#include "articles/article_blocks.h"

#include "articles_test_support.h"
#include "sites/site_config.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace kc::articles;
using kc::articles::test::G;
using kc::articles::test::Gs;
using kc::articles::test::PathOf;

TEST(BlockSeparator, BackslashNIsALineBreak)
{
    const struct {
        std::string setting;
        std::string expected;
    } cases[] = {
        {G("分块符"), G("分块符")},
        {"\\n", "\r\n"},
        {"--\\n--", "--\r\n--"},
        {"", "\r\n"},
        {"\\N", "\\N"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BlockSeparator(c.setting), c.expected) << c.setting;
}

struct BlocksCase {
    const char* name;
    std::string separator; // UTF-8 setting
    std::string file; // UTF-8 content of the block file
    std::vector<std::string_view> blocks; // UTF-8 texts inside the paragraph tags
};

class LoadArticleBlocksTest : public testing::TestWithParam<BlocksCase> { };

TEST_P(LoadArticleBlocksTest, SplitsTrimsAndWraps)
{
    const auto& c = GetParam();
    kc::test::TempDir dir;
    ASSERT_TRUE(kc::test::WriteFileBytes(dir.File("blocks.txt"), G(c.file)));
    kc::sites::SiteConfig site;
    site.blockSeparator = G(c.separator);
    site.tailInsertSource = PathOf(dir.File("blocks.txt"));
    site.tailInsertWords = {"stale"};
    site.tailInsertCache = 3;
    std::vector<std::string> expected;
    for (const auto& block : Gs(c.blocks))
        expected.push_back(G("<p>　　") + block + "</p>");
    EXPECT_EQ(LoadArticleBlocks(site), static_cast<int>(expected.size()));
    EXPECT_EQ(site.tailInsertWords, expected);
    EXPECT_EQ(site.tailInsertCount, static_cast<int32_t>(expected.size()));
    EXPECT_EQ(site.tailInsertCache, 0);
}

INSTANTIATE_TEST_SUITE_P(Table, LoadArticleBlocksTest,
    testing::Values(BlocksCase{"SeparatorAfterEachBlock", "分块符", "a\r\n分块符\r\nb\r\n分块符\r\n", {"a", "b"}},
        BlocksCase{"LineBreakSeparator", "\\n", "一\r\n\r\n  二 \r\n", {"一", "二"}},
        BlocksCase{"EmptySettingSplitsAtLines", "", "x\r\ny", {"x", "y"}},
        BlocksCase{"BlankPiecesDropped", "--", "--　--\t--c", {"c"}},
        BlocksCase{"UnsplitFileIsOneBlock", "分块符", "整篇", {"整篇"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadArticleBlocks, FoldersGiveTheirHtmAndTxtFilesAndMissingPathsNothing)
{
    kc::test::TempDir dir;
    std::filesystem::create_directory(dir.File("folder"));
    ASSERT_TRUE(kc::test::WriteFileBytes(dir.File("folder") / "1.txt", G("甲")));
    ASSERT_TRUE(kc::test::WriteFileBytes(dir.File("folder") / "2.htm", G("乙")));
    ASSERT_TRUE(kc::test::WriteFileBytes(dir.File("folder") / "3.html", G("丙")));
    // A block file in UTF-8 is read with charset detection.
    ASSERT_TRUE(kc::test::WriteFileBytes(dir.File("utf8.txt"), "\xE4\xB8\x81"));
    kc::sites::SiteConfig site;
    site.tailInsertSource
        = PathOf(dir.File("utf8.txt")) + "\r\n" + PathOf(dir.File("missing.txt")) + "\r\n" + PathOf(dir.File("folder"));
    site.blockSeparator = G("分块符");
    EXPECT_EQ(LoadArticleBlocks(site), 3);
    // The folder's "*.htm" files come before its "*.txt" files.
    EXPECT_EQ(site.tailInsertWords, Gs({"<p>　　丁</p>", "<p>　　乙</p>", "<p>　　甲</p>"}));
}

} // namespace
