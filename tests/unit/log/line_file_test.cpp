// The line file the run log and the address files write through.
#include "log/line_file.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

using kc::log::LineFile;

TEST(LineFile, ReplacesTheFileAndWritesEachLineWhole)
{
    kc::test::TempDir dir;
    const auto path = dir.File("lines.txt");
    ASSERT_TRUE(kc::test::WriteFileBytes(path, "from an earlier run\r\n"));
    LineFile file;
    EXPECT_FALSE(file.WriteLine({"before the open\r\n"}));
    ASSERT_TRUE(file.Open(path));
    EXPECT_TRUE(file.WriteLine({"12:00:00", "\t", "", "\t", "posted", "\r\n"}));
    EXPECT_TRUE(file.WriteLine({std::string(70000, 'x'), "\r\n"})); // many pages long
    // Every line is in the file while it is still open: nothing waits in a buffer of the program's.
    const std::string expected = "12:00:00\t\tposted\r\n" + std::string(70000, 'x') + "\r\n";
    EXPECT_EQ(kc::test::ReadFileBytes(path), expected);

    LineFile moved = std::move(file);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_TRUE(moved.WriteLine({"last\r\n"}));
    moved.Close();
    EXPECT_FALSE(moved.WriteLine({"after the close\r\n"}));
    EXPECT_EQ(kc::test::ReadFileBytes(path), expected + "last\r\n");
}

TEST(LineFile, AFileThatCannotBeCreatedStaysClosed)
{
    kc::test::TempDir dir;
    LineFile file;
    EXPECT_FALSE(file.Open(dir.File("no such folder") / "lines.txt"));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.WriteLine({"lost\r\n"}));
}

} // namespace
