// The run log's file, list rows, time texts and file-name cleaning.
#include "log/file_name_cleaning.h"
#include "log/format_time.h"
#include "log/run_log.h"

#include "platform/run_directory.h"
#include "support/temp_dir.h"
#include "text/literal.h"
#include "text/native_path.h"

#include <gtest/gtest.h>

#include <ctime>
#include <thread>
#include <vector>

namespace {

using kc::text::FromUtf8;

std::chrono::system_clock::time_point LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

TEST(FormatTime, TemplatesAndSeparator)
{
    const auto when = LocalTime(2019, 3, 5, 7, 8, 9);
    struct Case {
        int kind;
        const char* separator;
        const char* custom;
        const char* expected;
    } cases[] = {
        {0, "", "", "2019-03-05 07:08:09"},
        {0, "-", "", "2019-03-05 07-08-09"},
        {1, "", "", "2019-03-05"},
        {2, "", "", "07:08:09"},
        {2, ".", "", "07.08.09"},
        {5, "", "#3/#2 #4h", "05/03 07h"},
        {-1, "-", "#4:#5", "07:08"}, // kind -1 keeps its colons
        // A separator is itself open to the replacements that follow it.
        {2, "#1", "", "07201908201909"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(kc::log::FormatTime(c.kind, c.separator, when, c.custom), c.expected) << c.kind << c.separator;
}

TEST(FormatTime, EachCallHasItsOwnSecond)
{
    // Calls that follow each other on one thread, a second apart, back again and across a day.
    const auto when = LocalTime(2019, 3, 5, 23, 59, 59);
    const std::pair<std::chrono::system_clock::time_point, const char*> cases[] = {
        {when, "2019-03-05 23:59:59"},
        {when + std::chrono::seconds(1), "2019-03-06 00:00:00"},
        {when + std::chrono::milliseconds(1500), "2019-03-06 00:00:00"},
        {when, "2019-03-05 23:59:59"},
        {when + std::chrono::seconds(61), "2019-03-06 00:01:00"},
    };
    for (const auto& [at, expected] : cases)
        EXPECT_EQ(kc::log::FormatTime(0, "", at), expected);
}

TEST(CleanFileName, ReplacesForbiddenCharactersAndKeepsWholeCharacters)
{
    EXPECT_EQ(kc::log::CleanFileName("a:b?c\\d/e*f|g<h>i"), FromUtf8("a：b？c＼d／e＊f｜g＜h＞i"));
    EXPECT_EQ(kc::log::CleanFileName("\"q\"\r\nx\ty\rz\n"), "qxyz");
    // 誠 is 95 5C and 鐃 is E7 7C in GBK: their second bytes are "\" and "|" and must stay.
    const std::string trailBytes = "\x95\x5C\xE7\x7C";
    EXPECT_EQ(kc::log::CleanFileName(trailBytes), trailBytes);
    const std::string fourByte = "\x94\x39\xFC\x36:";
    EXPECT_EQ(kc::log::CleanFileName(fourByte), "\x94\x39\xFC\x36" + FromUtf8("："));
}

class RunLogTest : public ::testing::Test {
protected:
    void SetUp() override { kc::platform::SetRunDirectory(m_dir.Path()); }
    void TearDown() override { kc::platform::SetRunDirectory({}); }

    kc::test::TempDir m_dir;
};

TEST_F(RunLogTest, WritesFileLinesAndRows)
{
    kc::log::RunLog log;
    std::vector<kc::log::LogRow> rows;
    int clears = 0;
    log.SetView({[&] { ++clears; }, [&](const kc::log::LogRow& row) { rows.push_back(row); }});
    log.SetSiteLabels([](int site) { return site == 2 ? std::string("shop.example(admin)") : std::string(); });
    EXPECT_EQ(log.LocateCaption(), FromUtf8("开始采集之后才有日志"));

    log.OpenRunLog(LocalTime(2019, 3, 5, 7, 8, 9));
    const auto file = m_dir.Path() / "日志" / "2019-03-05 07-08-09.txt";
    EXPECT_EQ(log.CurrentFile(), file);
    EXPECT_EQ(log.LocateCaption(), FromUtf8("点击定位日志文件：2019-03-05 07-08-09.txt"));
    EXPECT_EQ(clears, 1);

    log.LogLine("start", 0);
    log.LogLine("posted", 2);
    log.LogLine("", 1);
    log.LogLine("beyond", 9);
    log.CloseRunLog();
    log.LogLine("after close", 0);

    const std::string content = kc::test::ReadFileBytes(file);
    std::vector<std::string> lines;
    for (size_t at = 0; at < content.size();) {
        const size_t end = content.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        lines.push_back(content.substr(at, end - at));
        at = end + 2;
    }
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(8), "\t" + FromUtf8("全局") + "\tstart");
    EXPECT_EQ(lines[1].substr(8), "\tshop.example(admin)\tposted");
    EXPECT_EQ(lines[2], std::string(35, '-'));
    EXPECT_EQ(lines[3].substr(8), "\t\tbeyond");

    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[2].message, "");
    EXPECT_EQ(rows[4].message, "after close");
    EXPECT_EQ(rows[0].time.size(), 8u);
}

TEST_F(RunLogTest, TwoRunsLeaveTwoFilesAndTheListShowsTheSecond)
{
    kc::log::RunLog log;
    std::vector<std::string> messages;
    log.SetView({[&] { messages.clear(); }, [&](const kc::log::LogRow& row) { messages.push_back(row.message); }});
    log.OpenRunLog(LocalTime(2020, 1, 1, 0, 0, 0));
    log.LogLine("first", 0);
    log.CloseRunLog();
    log.OpenRunLog(LocalTime(2020, 1, 1, 0, 0, 1));
    log.LogLine("second", 0);
    log.CloseRunLog();
    EXPECT_EQ(messages, std::vector<std::string>{"second"});
    EXPECT_EQ(std::distance(
                  std::filesystem::directory_iterator(m_dir.Path() / "日志"), std::filesystem::directory_iterator()),
        2);
}

TEST_F(RunLogTest, UncreatableFolderLeavesTheListGoing)
{
    kc::test::WriteFileBytes(m_dir.Path() / "日志", "a file where the folder should be");
    kc::log::RunLog log;
    int rows = 0;
    log.SetView({{}, [&](const kc::log::LogRow&) { ++rows; }});
    log.OpenRunLog();
    log.LogLine("still listed", 0);
    EXPECT_EQ(rows, 1);
}

TEST_F(RunLogTest, LinesFromManyThreadsNeverInterleave)
{
    kc::log::RunLog log;
    log.OpenRunLog(LocalTime(2021, 6, 1, 12, 0, 0));
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&log, t] {
            for (int i = 0; i < 200; ++i)
                log.LogLine("writer " + std::to_string(t) + " line " + std::to_string(i), 0);
        });
    for (std::thread& writer : writers)
        writer.join();
    log.CloseRunLog();
    const std::string content = kc::test::ReadFileBytes(log.CurrentFile());
    size_t lines = 0;
    for (size_t at = content.find("\r\n"); at != std::string::npos; at = content.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 800u);
}

} // namespace
