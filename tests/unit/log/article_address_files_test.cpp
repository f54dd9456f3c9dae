// The per-site address files of a run.
#include "log/article_address_files.h"

#include "log/format_time.h"
#include "platform/run_directory.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <thread>
#include <vector>

namespace {

// Paths here are native (UTF-8) file names.
std::chrono::system_clock::time_point At(int hour, int minute, int second)
{
    std::tm local{};
    local.tm_year = 2019 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 5;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

class ArticleAddressFilesTest : public ::testing::Test {
protected:
    void SetUp() override { kc::platform::SetRunDirectory(m_dir.Path()); }
    void TearDown() override { kc::platform::SetRunDirectory({}); }

    std::filesystem::path Folder() const { return m_dir.Path() / "文章地址"; }

    kc::test::TempDir m_dir;
};

TEST_F(ArticleAddressFilesTest, OneFilePerSiteNamedAtItsFirstAddress)
{
    const std::string label = "shop.example:8080(admin)";
    // ":" in the label becomes "：" in the name; the time is that of the site's first address.
    const auto path = Folder() / "shop.example：8080(admin) 2019-03-05 07-08-09.txt";
    std::filesystem::create_directories(Folder());
    kc::test::WriteFileBytes(path, "left from an earlier run\r\n");

    kc::log::ArticleAddressFiles files;
    EXPECT_TRUE(files.Append(label, "http://shop.example:8080/article.php?id=4", At(7, 8, 9)));
    EXPECT_TRUE(files.Append(label, "http://shop.example:8080/article.php?id=5", At(7, 9, 0)));
    EXPECT_TRUE(files.Append("other(x)", "http://other/1", At(7, 9, 1)));
    EXPECT_EQ(files.FileOf(label), path);
    const std::string firstRun
        = "http://shop.example:8080/article.php?id=4\r\nhttp://shop.example:8080/article.php?id=5\r\n";
    EXPECT_EQ(kc::test::ReadFileBytes(path), firstRun);
    EXPECT_EQ(kc::test::ReadFileBytes(Folder() / "other(x) 2019-03-05 07-09-01.txt"), "http://other/1\r\n");

    // After the run's end the next address starts a new file.
    files.CloseAll();
    EXPECT_TRUE(files.FileOf(label).empty());
    EXPECT_TRUE(files.Append(label, "http://shop.example:8080/article.php?id=6", At(8, 0, 0)));
    EXPECT_EQ(kc::test::ReadFileBytes(Folder() / "shop.example：8080(admin) 2019-03-05 08-00-00.txt"),
        "http://shop.example:8080/article.php?id=6\r\n");
    EXPECT_EQ(kc::test::ReadFileBytes(path), firstRun) << "the first file is left as it was";
}

TEST_F(ArticleAddressFilesTest, AFolderThatCannotBeCreatedFailsTheAppend)
{
    kc::test::WriteFileBytes(Folder(), "in the way");
    kc::log::ArticleAddressFiles files;
    EXPECT_FALSE(files.Append("a(b)", "http://a/1"));
}

TEST_F(ArticleAddressFilesTest, SitesAppendingAtOnceKeepEveryLineWholeAndInOrder)
{
    kc::log::ArticleAddressFiles files;
    constexpr int kSites = 4;
    constexpr int kLines = 200;
    // Worked out before the threads start: mktime re-reads the time zone on every call, under a lock
    // inside the C library that the thread sanitizer cannot see.
    const auto nine = At(9, 0, 0);
    std::vector<std::thread> writers;
    for (int site = 0; site < kSites; ++site)
        writers.emplace_back([&files, site, nine] {
            // Two writers share the last label, as two sites of one shop and user would.
            const std::string label = "site" + std::to_string(std::min(site, kSites - 2)) + "(u)";
            for (int i = 0; i < kLines; ++i)
                files.Append(label, "http://s" + std::to_string(site) + "/" + std::to_string(i), nine);
        });
    for (std::thread& writer : writers)
        writer.join();
    for (int site = 0; site < kSites - 1; ++site) {
        const std::string content
            = kc::test::ReadFileBytes(Folder() / ("site" + std::to_string(site) + "(u) 2019-03-05 09-00-00.txt"));
        std::vector<int> next(kSites, 0);
        size_t lines = 0;
        for (size_t at = 0; at < content.size();) {
            const size_t end = content.find("\r\n", at);
            ASSERT_NE(end, std::string::npos);
            const std::string line = content.substr(at, end - at);
            const int writer = line[8] - '0';
            ASSERT_EQ(line, "http://s" + std::to_string(writer) + "/" + std::to_string(next[writer]));
            ++next[writer];
            ++lines;
            at = end + 2;
        }
        EXPECT_EQ(lines, site == kSites - 2 ? 2u * kLines : 1u * kLines) << site;
    }
}

} // namespace
