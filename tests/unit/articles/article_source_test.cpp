// Tests of the article source: folder scans, shared article lists, picking files, reading them.
#include "articles/article_source.h"

#include "articles/run_context.h"
#include "articles_test_support.h"
#include "sites/site_config.h"
#include "text/text_encoding.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <thread>

namespace {

using namespace kc::articles;
using kc::articles::test::CapturedLog;
using kc::articles::test::G;
using kc::articles::test::PathOf;
using kc::sites::SiteConfig;

// A folder of article files (and one subfolder) for the scans.
class ArticleFolder {
public:
    explicit ArticleFolder(const std::vector<std::string>& utf8Names)
    {
        for (const auto& name : utf8Names)
            Add(name, "x");
        std::filesystem::create_directory(m_dir.File("sub.txt"));
        kc::test::WriteFileBytes(m_dir.File("sub.txt") / "inner.txt", "x");
    }
    void Add(const std::string& utf8Name, const std::string& bytes) const
    {
        kc::test::WriteFileBytes(m_dir.Path() / utf8Name, bytes);
    }
    std::string Folder() const { return PathOf(m_dir.Path()); }
    std::string Entry(const std::string& utf8Name) const { return Folder() + "/" + G(utf8Name); }

private:
    kc::test::TempDir m_dir;
};

struct ScanCase {
    const char* name;
    std::string filter; // UTF-8
    std::vector<std::string> expected; // UTF-8 file names, in order
};

class ScanFolderTest : public testing::TestWithParam<ScanCase> { };

TEST_P(ScanFolderTest, ListsMatchingFilesInPatternThenNameOrder)
{
    const ArticleFolder folder({"b.htm", "a.txt", "c.html", "D.TXT", "noext", "文章.txt"});
    std::vector<std::string> expected;
    for (const auto& name : GetParam().expected)
        expected.push_back(folder.Entry(name));
    std::vector<std::string> out{"left from before"};
    ArticleSource::ScanFolder(folder.Folder(), G(GetParam().filter), out);
    EXPECT_EQ(out, expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ScanFolderTest,
    testing::Values(ScanCase{"TxtThenHtmNotHtml", "*.txt|*.htm", {"a.txt", "D.TXT", "文章.txt", "b.htm"}},
        ScanCase{"EmptyFilterTakesEveryFile", "", {"a.txt", "b.htm", "c.html", "D.TXT", "noext", "文章.txt"}},
        ScanCase{
            "StarDotStarTakesNamesWithoutExtension", "*.*", {"a.txt", "b.htm", "c.html", "D.TXT", "noext", "文章.txt"}},
        ScanCase{"HtmlOnly", "*.html", {"c.html"}},
        ScanCase{"FileMatchedTwiceListedTwice", "*.txt|a*", {"a.txt", "D.TXT", "文章.txt", "a.txt"}},
        ScanCase{"QuestionMarkIsOneCharacter", "?.txt|??.txt", {"a.txt", "D.TXT", "文章.txt"}},
        ScanCase{"UpperCasePattern", "*.TXT", {"a.txt", "D.TXT", "文章.txt"}},
        ScanCase{"ChinesePattern", "文*", {"文章.txt"}}, ScanCase{"NothingMatches", "*.doc", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScanFolder, SeparatorAtTheEndAppendingAndMissingFolder)
{
    const ArticleFolder folder({"a.txt"});
    std::vector<std::string> out;
    ArticleSource::ScanFolder(folder.Folder() + "/", "*.txt", out);
    EXPECT_EQ(out, std::vector<std::string>{folder.Entry("a.txt")});
    ArticleSource::ScanFolder(folder.Folder(), "*.txt", out, false);
    EXPECT_EQ(out.size(), 2u);
    ArticleSource::ScanFolder(folder.Folder() + "/missing", "*.txt", out, false);
    EXPECT_EQ(out.size(), 2u);
    ArticleSource::ScanFolder(folder.Folder() + "/missing", "*.txt", out);
    EXPECT_TRUE(out.empty());
}

TEST(ReadArticleList, SitesOfOneFolderShareTheFirstSitesListUntilAllLeave)
{
    const ArticleFolder folder({"a.txt", "b.htm"});
    RunContext context;
    ArticleSource source(context);
    SiteConfig first, second;
    first.articleDir = second.articleDir = folder.Folder();
    first.fileFilter = "*.txt";
    second.fileFilter = "*.htm";
    second.articleCursor = 5;
    second.articleBag.Draw(1, 9);
    source.ReadArticleList(first);
    source.ReadArticleList(second);
    EXPECT_EQ(first.articleTotal, 1);
    EXPECT_EQ(second.articleTotal, 1);
    EXPECT_EQ(first.articleGroup, 1);
    EXPECT_EQ(second.articleGroup, 1);
    EXPECT_EQ(second.articleCursor, 0);
    EXPECT_EQ(second.articleBag.Remaining(), 0u);
    EXPECT_EQ(context.ArticleGroupAt(1).references, 2);

    // Once both have left, a later site scans the folder again into the same group.
    folder.Add("c.txt", "x");
    context.LeaveArticleGroup(first);
    context.LeaveArticleGroup(second);
    SiteConfig third;
    third.articleDir = folder.Folder();
    third.fileFilter = "*.txt";
    source.ReadArticleList(third);
    EXPECT_EQ(third.articleGroup, 1);
    EXPECT_EQ(third.articleTotal, 2);
    EXPECT_EQ(context.ArticleGroupCount(), 1u);

    SiteConfig empty;
    empty.articleDir = folder.Folder() + "/none";
    source.ReadArticleList(empty);
    EXPECT_EQ(empty.articleGroup, 2);
    EXPECT_EQ(empty.articleTotal, 0);
}

// A site with its article list read from a folder of n files 1.txt … n.txt.
struct PickFixture {
    explicit PickFixture(int n, std::atomic<bool>* stop = nullptr)
        : folder({})
        , context(stop, log.Log())
        , source(context)
    {
        for (int k = 1; k <= n; ++k)
            folder.Add(std::to_string(k) + ".txt", "x");
        site.articleDir = folder.Folder();
        site.fileFilter = "*.txt";
        site.articleBag.Seed(5);
        source.ReadArticleList(site);
    }
    std::vector<std::string> PickAll(bool inReadOrder)
    {
        std::vector<std::string> picked;
        while (auto article = source.PickArticle(site, 1, inReadOrder))
            picked.push_back(article->path);
        return picked;
    }

    CapturedLog log;
    ArticleFolder folder;
    RunContext context;
    ArticleSource source;
    SiteConfig site;
};

TEST(PickArticle, ReadOrderThenUsedUp)
{
    PickFixture f(3);
    std::vector<std::string> expected;
    for (const char* name : {"1.txt", "2.txt", "3.txt"})
        expected.push_back(f.folder.Entry(name));
    EXPECT_EQ(f.PickAll(true), expected);
    EXPECT_EQ(f.log.Messages("1"), std::vector<std::string>{G("文章使用完了")});
    // Every later call stays used up.
    EXPECT_FALSE(f.source.PickArticle(f.site, 1, true));
}

TEST(PickArticle, RandomOrderTakesEachFileOnce)
{
    PickFixture f(20);
    const auto picked = f.PickAll(false);
    EXPECT_EQ(picked.size(), 20u);
    EXPECT_EQ(std::set<std::string>(picked.begin(), picked.end()).size(), 20u);
    EXPECT_NE(picked, f.context.ArticleGroupAt(1).files) << "seeded bag came out in list order";
}

TEST(PickArticle, VanishedAndMarkedFilesAreSkippedAndCountAgainstTheTotal)
{
    for (const bool deleteAfter : {false, true}) {
        PickFixture f(4);
        f.site.deleteAfter = deleteAfter;
        std::filesystem::remove(kc::text::NativePath(f.folder.Entry("2.txt")));
        f.source.MarkUsed(f.site, 3);
        EXPECT_EQ(f.PickAll(true), (std::vector<std::string>{f.folder.Entry("1.txt"), f.folder.Entry("4.txt")}))
            << deleteAfter;
        EXPECT_EQ(f.site.articleCursor, 5);
        // The vanished file is not taken for used, should it come back.
        EXPECT_EQ(f.context.UnusedArticleEntry(1, 2), f.folder.Entry("2.txt")) << deleteAfter;

        f.source.MarkUnused(f.site, 3);
        EXPECT_EQ(f.context.UnusedArticleEntry(1, 3), f.folder.Entry("3.txt"));
    }
}

TEST(PickArticle, AFolderOrPipeInAFilesPlaceIsSkippedWithoutWaiting)
{
    PickFixture f(4);
    const std::filesystem::path second = kc::text::NativePath(f.folder.Entry("2.txt"));
    const std::filesystem::path third = kc::text::NativePath(f.folder.Entry("3.txt"));
    std::filesystem::remove(second);
    std::filesystem::create_directory(second);
    std::filesystem::remove(third);
    ASSERT_EQ(::mkfifo(third.c_str(), 0600), 0);
    EXPECT_EQ(f.PickAll(true), (std::vector<std::string>{f.folder.Entry("1.txt"), f.folder.Entry("4.txt")}));
}

TEST(PickArticle, TheBodyIsMadeFromWhatThePickRead)
{
    PickFixture f(1);
    f.folder.Add("1.txt", "<html><body>picked text</body></html>");
    auto article = f.source.PickArticle(f.site, 1, true);
    ASSERT_TRUE(article);
    // The file goes away between the pick and the reading of its body (another program moved it).
    std::filesystem::remove(kc::text::NativePath(article->path));
    ASSERT_TRUE(ArticleSource::ReadArticleBody(f.site, *article));
    EXPECT_EQ(article->body, "picked text");
}

TEST(PickArticle, StopsWithoutTheUsedUpLine)
{
    std::atomic<bool> stop = false;
    PickFixture f(3, &stop);
    ASSERT_TRUE(f.source.PickArticle(f.site, 1, true));
    stop = true;
    EXPECT_FALSE(f.source.PickArticle(f.site, 1, true));
    stop = false;
    f.site.stopRequested = true;
    EXPECT_FALSE(f.source.PickArticle(f.site, 1, true));
    EXPECT_TRUE(f.log.Messages("1").empty());

    PickFixture empty(0);
    EXPECT_FALSE(empty.source.PickArticle(empty.site, 1, true));
    EXPECT_TRUE(empty.log.Messages("1").empty());
}

TEST(PickArticle, DeleteAfterMarksThePickSoNoSharingSiteTakesItToo)
{
    PickFixture f(120);
    std::vector<SiteConfig> sites(4);
    for (size_t k = 0; k < sites.size(); ++k) {
        sites[k].articleDir = f.site.articleDir;
        sites[k].deleteAfter = true;
        sites[k].articleBag.Seed(static_cast<uint32_t>(k));
        f.source.ReadArticleList(sites[k]);
    }
    std::vector<std::vector<std::string>> picked(sites.size());
    std::vector<std::thread> threads;
    for (size_t k = 0; k < sites.size(); ++k) {
        threads.emplace_back([&, k] {
            while (auto article = f.source.PickArticle(sites[k], static_cast<int>(k + 1), k % 2 == 0))
                picked[k].push_back(article->path);
        });
    }
    for (auto& thread : threads)
        thread.join();
    std::multiset<std::string> all;
    for (const auto& list : picked)
        all.insert(list.begin(), list.end());
    EXPECT_EQ(all.size(), 120u);
    EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), 120u) << "a file was picked twice";
}

struct TitleCase {
    const char* name;
    std::string path; // UTF-8
    std::string title; // UTF-8
    int32_t categoryId;
    bool marker;
};

class ReadArticleTitleTest : public testing::TestWithParam<TitleCase> { };

TEST_P(ReadArticleTitleTest, FromTheFileName)
{
    const auto& c = GetParam();
    Article article;
    article.path = G(c.path);
    article.categoryId = -1;
    ArticleSource::ReadArticleTitle(article);
    EXPECT_EQ(article.title, G(c.title));
    EXPECT_EQ(article.categoryMarker, c.marker);
    EXPECT_EQ(article.categoryId, c.marker ? c.categoryId : -1);
}

INSTANTIATE_TEST_SUITE_P(Table, ReadArticleTitleTest,
    testing::Values(TitleCase{"CategoryMarker", "/a/[#12#]Spring sale.txt", "Spring sale", 12, true},
        TitleCase{"EmptyMarkerStaysInTheTitle", "/a/[##]Spring sale.txt", "[##]Spring sale", 0, false},
        TitleCase{"TextBeforeTheMarkerIsDropped", "/a/春季[#3#]促销.htm", "促销", 3, true},
        TitleCase{"MarkerWithoutNumber", "/a/[#abc#]t.txt", "t", 0, true},
        TitleCase{"OnlyTheLastExtension", "/a/x.y.txt", "x.y", 0, false},
        TitleCase{"NoExtension", "/a/readme", "readme", 0, false},
        TitleCase{"BackslashSeparators", "C:\\art\\b.txt", "b", 0, false},
        TitleCase{"DotInAFolderName", "/a.b/readme", "readme", 0, false},
        TitleCase{"UnclosedMarker", "/a/[#12 t.txt", "[#12 t", 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadArticleTitle, BackslashByteInsideACharacterIsNoSeparator)
{
    Article article;
    article.path = "/a/\xB1\x5C\xB1\x5C.txt"; // two characters whose second byte is that of "\"
    ArticleSource::ReadArticleTitle(article);
    EXPECT_EQ(article.title, "\xB1\x5C\xB1\x5C");
}

struct BodyCase {
    const char* name;
    std::string bytes; // the file
    int fileEncoding;
    bool read;
    std::string body; // UTF-8
};

class ReadArticleBodyTest : public testing::TestWithParam<BodyCase> { };

TEST_P(ReadArticleBodyTest, StyleAndBodyContent)
{
    const auto& c = GetParam();
    kc::test::TempDir dir;
    ASSERT_TRUE(kc::test::WriteFileBytes(dir.File("a.htm"), c.bytes));
    SiteConfig site;
    site.fileEncoding = c.fileEncoding;
    Article article;
    article.path = PathOf(dir.File("a.htm"));
    EXPECT_EQ(ArticleSource::ReadArticleBody(site, article), c.read);
    EXPECT_EQ(article.body, G(c.body));
}

INSTANTIATE_TEST_SUITE_P(Table, ReadArticleBodyTest,
    testing::Values(
        BodyCase{"StyleThenBodyContentAsWritten",
            G("<html><head><STYLE type=\"text/css\">p{}</style></head><body class=a><p>1 + 1 = 2</p></body></html>"), 1,
            true, "<style type=\"text/css\">p{}</style><p>1 + 1 = 2</p>"},
        BodyCase{"PlainTextStaysWhole", G("第一行\r\n第二行"), 1, true, "第一行\r\n第二行"},
        BodyCase{"Utf8Asked", "\xE6\xAD\xA3\xE6\x96\x87", 2, true, "正文"},
        BodyCase{"Utf8Detected", "\xE6\xAD\xA3\xE6\x96\x87", 0, true, "正文"},
        BodyCase{"Utf16", std::string("\xFF\xFE\x63\x6B\x87\x65", 6), 3, true, "正文"},
        BodyCase{"UnknownEncodingDetects", "\xE6\xAD\xA3\xE6\x96\x87", 9, true, "正文"},
        BodyCase{"EmptyBodyElement", "<html><body></body></html>", 1, false, ""},
        BodyCase{"UnclosedBodyRunsToTheEnd", "<body><p>a</p>", 1, true, "<p>a</p>"},
        BodyCase{"EmptyFile", "", 0, false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadArticleBody, MissingFileIsAnEmptyBody)
{
    SiteConfig site;
    Article article;
    article.path = "/nonexistent/a.txt";
    EXPECT_FALSE(ArticleSource::ReadArticleBody(site, article));
    EXPECT_TRUE(article.body.empty());
}

struct FinishCase {
    const char* name;
    bool firstLineTitle;
    bool paragraphTags;
    std::string body; // UTF-8
    std::string title; // UTF-8, after
    std::string firstLine; // UTF-8
    std::string expectedBody; // UTF-8
};

class FinishArticleBodyTest : public testing::TestWithParam<FinishCase> { };

TEST_P(FinishArticleBodyTest, FirstLineAndParagraphs)
{
    const auto& c = GetParam();
    SiteConfig site;
    site.firstLineTitle = c.firstLineTitle;
    site.paragraphTags = c.paragraphTags;
    Article article;
    article.title = G("文件名");
    article.body = G(c.body);
    ArticleSource::FinishArticleBody(site, article);
    EXPECT_EQ(article.title, G(c.title));
    EXPECT_EQ(article.firstLine, G(c.firstLine));
    EXPECT_EQ(article.body, G(c.expectedBody));
}

INSTANTIATE_TEST_SUITE_P(Table, FinishArticleBodyTest,
    testing::Values(FinishCase{"FirstLineAfterEmptyLines", true, false, "\r\n\r\n<h1>Title</h1>\r\n<p>a</p>\r\nb",
                        "Title", "Title", "<p>a</p>\r\nb"},
        FinishCase{
            "LineOfTagsAndSpacesIsEmpty", true, false, "<br> \r\n　　<b>标题</b>　\r\n正文", "标题", "标题", "正文"},
        FinishCase{"LineFeedLines", true, false, "标题\n正文\n", "标题", "标题", "正文\n"},
        FinishCase{"OnlyLine", true, false, "标题", "标题", "标题", ""},
        FinishCase{"NoTextKeepsTitleAndBody", true, false, "<img src=a.png>\r\n", "文件名", "", "<img src=a.png>\r\n"},
        FinishCase{"ParagraphTags", false, true, "a\r\n\r\n b ", "文件名", "", "<p>a</p>\r\n<p> b </p>\r\n"},
        FinishCase{
            "FirstLineThenParagraphs", true, true, "标题\r\n一\r\n二", "标题", "标题", "<p>一</p>\r\n<p>二</p>\r\n"},
        FinishCase{"NeitherChangesNothing", false, false, "a\r\n\r\nb", "文件名", "", "a\r\n\r\nb"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadArticle, AllStepsForReadersOutsideARun)
{
    kc::test::TempDir dir;
    const auto path = dir.File("[#7#]name.txt");
    ASSERT_TRUE(kc::test::WriteFileBytes(path, G("标题\r\n正文")));
    SiteConfig site;
    site.fileEncoding = 1;
    site.firstLineTitle = true;
    const Article article = ArticleSource::ReadArticle(site, PathOf(path));
    EXPECT_EQ(article.title, G("标题"));
    EXPECT_EQ(article.categoryId, 7);
    EXPECT_EQ(article.body, G("正文"));
}

} // namespace
