// The failure records: the last-failure page, the per-site-and-title files and the settings key.
#include "log/failure_record.h"

#include "config/config_store.h"
#include "platform/run_directory.h"
#include "support/temp_dir.h"
#include "text/literal.h"
#include "text/native_path.h"

#include <gtest/gtest.h>

namespace {

using kc::text::FromUtf8;

class FailureRecordTest : public ::testing::Test {
protected:
    void SetUp() override { kc::platform::SetRunDirectory(m_dir.Path()); }
    void TearDown() override { kc::platform::SetRunDirectory({}); }

    kc::test::TempDir m_dir;
};

TEST_F(FailureRecordTest, KeepsEveryFailureAndNamesTheLastSite)
{
    kc::config::ConfigStore store;
    const std::string first = "<html><head><meta charset=\"utf-8\"></head><body>" + FromUtf8("第一") + "</body></html>";
    const std::string second = "<p>second answer</p>";
    EXPECT_TRUE(kc::log::WriteFailureRecord("a.example(admin)", FromUtf8("标题:一?"), first, &store));
    EXPECT_TRUE(kc::log::WriteFailureRecord("b.example(root)", "Title two", second, &store));

    const auto folder = m_dir.Path() / "更新失败记录";
    // ":" and "?" become their full-width forms; the UTF-8 declaration now says gb2312.
    const std::string firstRecord = kc::test::ReadFileBytes(folder / "a.example(admin)标题：一？.html");
    EXPECT_NE(firstRecord.find("gb2312"), std::string::npos);
    EXPECT_EQ(firstRecord.find("utf-8"), std::string::npos);
    EXPECT_NE(firstRecord.find(FromUtf8("第一")), std::string::npos);
    EXPECT_EQ(kc::test::ReadFileBytes(folder / "b.example(root)Title two.html"), second);
    EXPECT_EQ(kc::test::ReadFileBytes(m_dir.Path() / "更新失败.htm"), second);
    store.SelectSection(FromUtf8("失败信息"));
    EXPECT_EQ(store.ReadText(FromUtf8("更新失败的域名用户")), "b.example(root)");

    // The same site and title again replaces its record.
    EXPECT_TRUE(kc::log::WriteFailureRecord("b.example(root)", "Title two", "third", nullptr));
    EXPECT_EQ(kc::test::ReadFileBytes(folder / "b.example(root)Title two.html"), "third");
}

TEST_F(FailureRecordTest, AnUnwritableFolderIsReportedNotFatal)
{
    // A file where the folder should be: the record cannot be written, the last-failure page still is.
    kc::test::WriteFileBytes(m_dir.Path() / "更新失败记录", "in the way");
    EXPECT_FALSE(kc::log::WriteFailureRecord("a(b)", "t", "page", nullptr));
    EXPECT_EQ(kc::test::ReadFileBytes(m_dir.Path() / "更新失败.htm"), "page");
}

} // namespace
