// Writes that fail or are killed midway leave the old complete settings file.
#include "config/atomic_file.h"
#include "config/config_store.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace kc::config;
using kc::test::ReadFileBytes;
using kc::test::TempDir;
using kc::test::WriteFileBytes;

size_t FilesIn(const std::filesystem::path& folder)
{
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

class FailingWrite : public ::testing::TestWithParam<const char*> {
protected:
    void TearDown() override { SetWriteFaultHook({}); }
    void FailAt(std::string stage)
    {
        SetWriteFaultHook([stage](std::string_view at) { return at == stage; });
    }
};

TEST_P(FailingWrite, SaveLeavesTheOldFile)
{
    TempDir dir;
    const auto file = dir.File("s.ini");
    const std::string old = "[A]\r\na=1\r\n[B]\r\nb=2";
    ASSERT_TRUE(WriteFileBytes(file, old));
    ConfigStore store;
    ASSERT_TRUE(store.Open(file.string(), OpenMode::InMemory));
    store.PutValue("A", "a", std::string(100000, 'x'), false);
    FailAt(GetParam());
    EXPECT_FALSE(store.Save());
    EXPECT_EQ(ReadFileBytes(file), old);
    EXPECT_EQ(FilesIn(dir.Path()), 1u); // no temporary file left behind
    SetWriteFaultHook({});
    EXPECT_TRUE(store.Save());
    EXPECT_EQ(ReadFileBytes(file), store.Image());
}

TEST_P(FailingWrite, HeldOpenEditReportsFailureAndLeavesTheOldFile)
{
    TempDir dir;
    const auto file = dir.File("h.ini");
    ConfigStore store;
    ASSERT_TRUE(store.Open(file.string(), OpenMode::HeldOpen));
    store.SelectSection("S");
    ASSERT_TRUE(store.WriteText("k", "1"));
    FailAt(GetParam());
    EXPECT_FALSE(store.WriteText("k", "2"));
    EXPECT_EQ(ReadFileBytes(file), "[S]\r\nk=1");
    SetWriteFaultHook({});
    EXPECT_TRUE(store.WriteText("j", "3")); // the next write brings the file up to date
    EXPECT_EQ(ReadFileBytes(file), "[S]\r\nk=2\r\nj=3");
    // The lock moved to the new file with the write.
    ConfigStore other;
    EXPECT_FALSE(other.Open(file.string(), OpenMode::HeldOpen));
}

TEST_P(FailingWrite, ByteFileKeepsItsOldBytes)
{
    TempDir dir;
    ConfigStore store;
    store.Open(dir.File("b.ini").string(), OpenMode::InMemory);
    store.SelectSection("S");
    ASSERT_TRUE(store.WriteBytes("k", "old"));
    FailAt(GetParam());
    EXPECT_FALSE(store.WriteBytes("k", "new bytes"));
    EXPECT_EQ(store.ReadBytes("k"), "old");
}

INSTANTIATE_TEST_SUITE_P(Stages, FailingWrite, ::testing::Values("write", "sync", "rename"));

TEST(CrashSafety, ReadOnlyFolderFailsTheSaveAndKeepsTheFile)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    TempDir dir;
    const auto file = dir.File("s.ini");
    ASSERT_TRUE(WriteFileBytes(file, "[A]\r\na=1"));
    ConfigStore store;
    store.Open(file.string(), OpenMode::InMemory);
    store.PutValue("A", "a", "2", false);
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_FALSE(store.Save());
    EXPECT_EQ(ReadFileBytes(file), "[A]\r\na=1");
}

// A process saving in a loop is killed at random moments; the file is always one whole image.
TEST(CrashSafety, KilledSaverNeverLeavesAPartialFile)
{
    TempDir dir;
    const auto file = dir.File("kill.ini");
    std::mt19937 random(7);
    std::string seen;
    for (int round = 0; round < 25; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ConfigStore store;
            store.Open(file.string(), OpenMode::InMemory);
            for (int i = 0;; ++i) {
                // Every image starts with [S] and ends with the line end=1, whatever its size.
                store.PutValue("S", "a", std::string(static_cast<size_t>(1000 + (i * 7919) % 200000), 'v'), true);
                store.PutValue("S", "end", "1", true);
                store.Save();
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + random() % 40));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        seen = ReadFileBytes(file);
        if (seen.empty() && !std::filesystem::exists(file))
            continue; // killed before the first save finished
        ASSERT_EQ(seen.substr(0, 5), "[S]\r\n") << "round " << round;
        ASSERT_GE(seen.size(), 10u);
        ASSERT_EQ(seen.substr(seen.size() - 7), "\r\nend=1") << "round " << round;
    }
}

} // namespace
