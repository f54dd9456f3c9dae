// Tests of the list-text helpers: lines of any system, boundary-aware splitting, trimming, list files.
#include "articles/text_list.h"

#include "articles_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace kc::articles;
using kc::articles::test::G;
using kc::articles::test::Gs;

struct SplitCase {
    const char* name;
    std::string text;
    std::string separator; // empty: SplitLines
    std::vector<std::string> expected;
};

class SplitTest : public testing::TestWithParam<SplitCase> { };

TEST_P(SplitTest, Pieces)
{
    const auto& c = GetParam();
    EXPECT_EQ(c.separator.empty() ? SplitLines(c.text) : SplitAt(c.text, c.separator), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, SplitTest,
    testing::Values(SplitCase{"EmptyTextHasNoLine", "", "", {}}, SplitCase{"CrLfLines", "a\r\nb", "", {"a", "b"}},
        SplitCase{"BreakAtTheEndAddsNoLine", "a\r\nb\r\n", "", {"a", "b"}},
        SplitCase{"EmptyLinesBetweenStay", "a\r\n\r\nb", "", {"a", "", "b"}},
        SplitCase{"OnlyABreakIsOneEmptyLine", "\r\n", "", {""}},
        SplitCase{"LfAndCrLinesToo", "a\nb\rc\r\nd", "", {"a", "b", "c", "d"}},
        SplitCase{"LfCrIsTwoBreaks", "a\n\rb", "", {"a", "", "b"}}, SplitCase{"AtComma", "a,,b,", ",", {"a", "", "b"}},
        // The character 81 7C hex ends in the byte of "|": the filter splits only at real bars.
        SplitCase{"BarInsideACharacterIsNoSeparator", "*.txt|\x81\x7C.htm", "|", {"*.txt", "\x81\x7C.htm"}},
        SplitCase{"LongSeparator", "a[fg]b", "[fg]", {"a", "b"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TrimSpaces, BothEndsOfEveryKindOfSpace)
{
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {" \t a b \r\n", "a b"},
        {G("　　标题　"), G("标题")},
        // 啊 ends in A1 hex, the byte of a full-width space: it stays whole.
        {G("啊　"), G("啊")},
        {G("　\t "), ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrimSpaces(c.text), c.expected) << c.text;
}

TEST(ListFile, ExistingPathsAndTheirLines)
{
    kc::test::TempDir dir;
    ASSERT_TRUE(kc::test::WriteFileBytes(dir.File("k.txt"), G("一\r\n二\n三\r\n")));
    const std::string path = kc::articles::test::PathOf(dir.File("k.txt"));
    EXPECT_TRUE(NamesExistingPath(path));
    EXPECT_TRUE(NamesExistingPath(kc::articles::test::PathOf(dir.Path())));
    EXPECT_FALSE(NamesExistingPath(kc::articles::test::PathOf(dir.File("missing.txt"))));
    EXPECT_FALSE(NamesExistingPath(path + "\r\n" + path));
    EXPECT_FALSE(NamesExistingPath(""));
    EXPECT_EQ(ReadListFile(path), Gs({"一", "二", "三"}));
    EXPECT_TRUE(ReadListFile(kc::articles::test::PathOf(dir.File("missing.txt"))).empty());
}

} // namespace
