// What the desktop calls run: the command lines handed to the launcher, and the real launcher's fallback.
#include "platform/desktop.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

using kc::platform::CommandLine;

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kc::platform::SetLauncher([this](const std::vector<CommandLine>& alternatives) { m_runs = alternatives; });
    }
    void TearDown() override { kc::platform::SetLauncher({}); }

    std::vector<CommandLine> m_runs;
};

TEST_F(DesktopTest, OpensFoldersProgramsAndAddressesWithArgumentsNeverAShellLine)
{
    kc::platform::OpenFolder("/tmp/a folder; rm -rf x");
    EXPECT_EQ(m_runs, (std::vector<CommandLine>{{"xdg-open", "/tmp/a folder; rm -rf x"}}));
    kc::platform::StartProgram("/opt/tool/run.exe");
    EXPECT_EQ(m_runs, (std::vector<CommandLine>{{"/opt/tool/run.exe"}}));
    kc::platform::OpenUrl("http://127.0.0.1:8080/article_cat.php?id=3");
    EXPECT_EQ(m_runs, (std::vector<CommandLine>{{"xdg-open", "http://127.0.0.1:8080/article_cat.php?id=3"}}));
}

TEST_F(DesktopTest, RevealAsksTheFileManagerToSelectTheFileAndFallsBackToItsFolder)
{
    kc::platform::RevealFile("/home/u/日志/2019-03-05 07-08-09.txt");
    ASSERT_EQ(m_runs.size(), 2u);
    EXPECT_EQ(m_runs[0].front(), "dbus-send");
    EXPECT_EQ(m_runs[0][6], "array:string:file:///home/u/%E6%97%A5%E5%BF%97/2019-03-05%2007-08-09.txt");
    EXPECT_EQ(m_runs[1], (CommandLine{"xdg-open", "/home/u/日志"}));
}

TEST(DesktopLauncher, RunsTheFirstAlternativeThatSucceeds)
{
    struct Case {
        const char* name;
        std::vector<CommandLine> before; // alternatives tried before the one that leaves the mark
        bool marked;
    };
    const Case cases[] = {
        {"first fails", {{"false"}}, true},
        {"first cannot start", {{"/nonexistent/program"}}, true},
        {"first succeeds", {{"true"}}, false},
        {"nothing before", {}, true},
    };
    for (const Case& c : cases) {
        kc::test::TempDir dir;
        const std::filesystem::path marker = dir.File("ran");
        std::vector<CommandLine> alternatives = c.before;
        alternatives.push_back({"touch", marker.string()});
        kc::platform::RunAlternatives(alternatives);
        EXPECT_EQ(std::filesystem::exists(marker), c.marked) << c.name;
    }
}

} // namespace
