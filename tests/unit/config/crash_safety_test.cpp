// Writes that fail or are killed midway leave the old complete settings file.
#include "config/atomic_file.h"
#include "config/config_store.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ostream>
#include <string>
#include <sys/wait.h>
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

TEST(CrashSafety, ALinkedSettingsFileStaysALink)
{
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "real");
    const auto target = dir.Path() / "real" / "target.ini";
    const auto link = dir.File("s.ini");
    ASSERT_TRUE(WriteFileBytes(target, "[A]\r\na=1"));
    std::filesystem::create_symlink("real/target.ini", link);
    for (OpenMode mode : {OpenMode::InMemory, OpenMode::HeldOpen}) {
        ConfigStore store;
        ASSERT_TRUE(store.Open(link.string(), mode));
        const std::string value = mode == OpenMode::InMemory ? "2" : "3";
        EXPECT_EQ(store.PutValue("A", "a", value, false), kDone);
        if (mode == OpenMode::InMemory) {
            EXPECT_TRUE(store.Save());
        }
        EXPECT_TRUE(std::filesystem::is_symlink(link));
        EXPECT_EQ(ReadFileBytes(target), "[A]\r\na=" + value);
        EXPECT_EQ(FilesIn(dir.Path() / "real"), 1u);
    }
}

TEST(CrashSafety, OpeningRemovesOnlyStaleTemporariesOfItsOwnFile)
{
    // A process that has ended: its temporary files can never be finished.
    const pid_t ended = ::fork();
    ASSERT_GE(ended, 0);
    if (ended == 0)
        ::_exit(0);
    ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
    const std::string dead = std::to_string(ended);
    const std::string self = std::to_string(::getpid());

    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "inibin");
    const struct {
        std::string name;
        bool old;
        bool stays;
    } files[] = {
        {".s.ini.tmp." + dead + ".0", true, false},
        {".s.ini.tmp." + dead + ".1", false, true}, // too young to be sure
        {".s.ini.tmp." + self + ".2", true, true}, // a live writer's
        {".other.ini.tmp." + dead + ".0", true, true}, // another file's
        {"inibin/.S-k.ibn.tmp." + dead + ".3", true, false},
        {"inibin/S-k.ibn", true, true},
        {"notes.tmp." + dead + ".1", true, true},
        {".s.ini.tmp." + dead + ".x", true, true},
    };
    for (const auto& f : files) {
        ASSERT_TRUE(WriteFileBytes(dir.Path() / f.name, "x"));
        if (f.old)
            std::filesystem::last_write_time(
                dir.Path() / f.name, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5));
    }
    ConfigStore store;
    store.Open(dir.File("s.ini").string(), OpenMode::InMemory);
    for (const auto& f : files)
        EXPECT_EQ(std::filesystem::exists(dir.Path() / f.name), f.stays) << f.name;
}

// ---- A saving process killed at chosen moments ------------------------------------------------------------

constexpr int kSections = 200;
constexpr int kKeysPerSection = 60;

// Generation g of a large settings file: 200 sections of 60 keys with Chinese values whose lengths change with
// g, so that an image of one generation cut short or mixed with another never reads as a whole one.
void WriteGeneration(ConfigStore& store, int generation)
{
    // "站点序号_" and "值"
    const std::string prefix = "\xD5\xBE\xB5\xE3\xD0\xF2\xBA\xC5_";
    const std::string word = "\xD6\xB5";
    for (int s = 1; s <= kSections; ++s) {
        const std::string section = prefix + std::to_string(s);
        store.PutValue(section, "gen", std::to_string(generation), true);
        for (int k = 0; k < kKeysPerSection; ++k) {
            std::string value;
            for (int r = 0; r < 1 + (generation * 7 + s + k) % 9; ++r)
                value += word;
            store.PutValue(section, "k" + std::to_string(k), value + std::to_string(generation), true);
        }
    }
    store.PutValue("end", "gen", std::to_string(generation), true);
}

std::string GenerationImage(int generation)
{
    ConfigStore store;
    WriteGeneration(store, generation);
    return store.Image();
}

// Where the parent kills the child: inside a write (a stage of the whole-file replacement, or right after the
// save returned) of one generation, or freely after some saves.
struct KillCase {
    const char* what;
    OpenMode mode;
    const char* stage; // "write", "sync", "rename", "saved", or "" for no stop
    int generation; // the generation at whose write the child stops; with no stop, the saves to wait for
    friend void PrintTo(const KillCase& c, std::ostream* os) { *os << c.what; }
};

class KilledSaver : public ::testing::TestWithParam<KillCase> { };

// The child: saves generation after generation and reports each finished one with "S"; at the chosen stage it
// reports "H" and waits to be killed.
[[noreturn]] void RunSaver(const std::filesystem::path& file, const KillCase& c, int report)
{
    int generation = 0;
    SetWriteFaultHook([&](std::string_view stage) {
        if (stage == c.stage && generation == c.generation) {
            const char mark = 'H';
            if (::write(report, &mark, 1) != 1)
                ::_exit(3);
            for (;;)
                ::pause();
        }
        return false;
    });
    ConfigStore store;
    store.Open(file.string(), c.mode);
    for (;; ++generation) {
        if (c.mode == OpenMode::HeldOpen)
            store.BeginBatch();
        WriteGeneration(store, generation);
        const bool saved = c.mode == OpenMode::HeldOpen ? store.EndBatch() : store.Save();
        if (!saved)
            ::_exit(2);
        const char mark = std::string_view(c.stage) == "saved" && generation == c.generation ? 'H' : 'S';
        if (::write(report, &mark, 1) != 1)
            ::_exit(3);
        if (mark == 'H')
            for (;;)
                ::pause();
    }
}

TEST_P(KilledSaver, LeavesTheOldOrTheNewWholeFile)
{
    const KillCase& c = GetParam();
    TempDir dir;
    const auto file = dir.File("kill.ini");
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(channel[0]);
        RunSaver(file, c, channel[1]);
    }
    ::close(channel[1]);
    // Wait for the moment: the stop at the chosen stage, or the given number of finished saves.
    int finished = 0;
    bool stopped = false;
    char mark = 0;
    while (!stopped && (*c.stage || finished < c.generation) && ::read(channel[0], &mark, 1) == 1) {
        if (mark == 'H')
            stopped = true;
        else
            ++finished;
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(channel[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saver ended by itself with " << WEXITSTATUS(status);
    if (*c.stage) {
        ASSERT_TRUE(stopped) << "the saver never reached the chosen moment";
    }

    // The generations the file may hold: the last one finished, or the one in flight once it was renamed.
    const bool renamed = std::string_view(c.stage) == "saved";
    const int lastDone = *c.stage ? c.generation - (renamed ? 0 : 1) : finished - 1;
    if (lastDone < 0 && !renamed && *c.stage) {
        // Killed inside the very first save: no file was there before, and none may be half there now.
        if (c.mode == OpenMode::InMemory) {
            EXPECT_FALSE(std::filesystem::exists(file));
        } else {
            EXPECT_EQ(ReadFileBytes(file), ""); // the held-open file is created empty at Open
        }
        return;
    }
    const std::string onDisk = ReadFileBytes(file);
    ConfigStore reader;
    ASSERT_TRUE(reader.Open(file.string(), OpenMode::InMemory));
    const int generation = std::atoi(reader.GetValue("end", "gen", "-1").c_str());
    ASSERT_TRUE(generation == lastDone || (!*c.stage && generation == lastDone + 1))
        << "generation " << generation << " on disk, " << lastDone << " was the last finished";
    EXPECT_TRUE(onDisk == GenerationImage(generation))
        << "the file is not one whole image (" << onDisk.size() << " bytes)";
    // The killed writer's temporary file goes with the next opening, once it is old enough to be surely stale.
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        if (entry.path() != file)
            std::filesystem::last_write_time(
                entry.path(), std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5));
    ConfigStore cleaner;
    cleaner.Open(file.string(), OpenMode::InMemory);
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
}

INSTANTIATE_TEST_SUITE_P(Moments, KilledSaver,
    ::testing::Values(KillCase{"first save, half written", OpenMode::InMemory, "write", 0},
        KillCase{"first save, before the flush", OpenMode::InMemory, "sync", 0},
        KillCase{"first save, before the rename", OpenMode::InMemory, "rename", 0},
        KillCase{"third save, half written", OpenMode::InMemory, "write", 2},
        KillCase{"third save, before the flush", OpenMode::InMemory, "sync", 2},
        KillCase{"third save, before the rename", OpenMode::InMemory, "rename", 2},
        KillCase{"right after the third save", OpenMode::InMemory, "saved", 2},
        KillCase{"held open, first write half written", OpenMode::HeldOpen, "write", 0},
        KillCase{"held open, second write half written", OpenMode::HeldOpen, "write", 1},
        KillCase{"held open, second write before the rename", OpenMode::HeldOpen, "rename", 1},
        KillCase{"wherever the fourth save is after three", OpenMode::InMemory, "", 3},
        KillCase{"wherever the second save is after one", OpenMode::InMemory, "", 1},
        KillCase{"held open, wherever the third write is after two", OpenMode::HeldOpen, "", 2}));

} // namespace
