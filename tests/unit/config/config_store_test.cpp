// The settings store: file format, typed values, the pending queue, byte files and held-open files.
#include "config/config_store.h"

#include "config/atomic_file.h"
#include "platform/event_pump.h"
#include "text/text_encoding.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <random>
#include <thread>
#include <vector>

namespace {

using namespace kc::config;
using kc::test::ReadFileBytes;
using kc::test::TempDir;
using kc::test::WriteFileBytes;

std::string Gbk(const char* utf8)
{
    return kc::text::ConvertCharset(utf8, "UTF-8", "GB18030");
}

// ---- File format ------------------------------------------------------------------------------------------

enum class Kind { Put, Delete, Get };

struct Op {
    Kind kind;
    const char* section;
    const char* key;
    const char* value = ""; // Put: the value; Get: the expected value (default "<none>")
    int result = kDone;
};

struct FormatCase {
    const char* what;
    const char* initial;
    std::vector<Op> ops;
    const char* expected;
    friend void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.what; }
};

class StoreFormat : public ::testing::TestWithParam<FormatCase> { };

TEST_P(StoreFormat, EditsOnlyWhatItMust)
{
    const FormatCase& c = GetParam();
    TempDir dir;
    const auto file = dir.File("s.ini");
    if (*c.initial) {
        ASSERT_TRUE(WriteFileBytes(file, c.initial));
    }
    ConfigStore store;
    ASSERT_TRUE(store.Open(file.string(), OpenMode::InMemory));
    for (const Op& op : c.ops) {
        switch (op.kind) {
        case Kind::Put:
            EXPECT_EQ(store.PutValue(op.section, op.key, op.value, false), op.result) << op.section << "/" << op.key;
            break;
        case Kind::Delete:
            EXPECT_EQ(store.DeleteEntry(op.section, op.key, false), op.result) << op.section << "/" << op.key;
            break;
        case Kind::Get:
            EXPECT_EQ(store.GetValue(op.section, op.key, "<none>"), op.value) << op.section << "/" << op.key;
            break;
        }
    }
    EXPECT_EQ(store.Image(), c.expected);
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadFileBytes(file), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, StoreFormat,
    ::testing::Values(FormatCase{"first write to an empty file", "", {{Kind::Put, "S", "k", "v"}}, "[S]\r\nk=v"},
        FormatCase{"new key is the last line of its section", "[A]\r\na=1\r\n[B]\r\nb=2", {{Kind::Put, "A", "c", "3"}},
            "[A]\r\na=1\r\nc=3\r\n[B]\r\nb=2"},
        FormatCase{"existing value replaced in place", "x\r\n[A]\r\na=1\r\nb=2", {{Kind::Put, "A", "a", "long value"}},
            "x\r\n[A]\r\na=long value\r\nb=2"},
        FormatCase{"empty value keeps the key and its =", "[A]\r\na=1",
            {{Kind::Put, "A", "a", ""}, {Kind::Get, "A", "a", ""}}, "[A]\r\na="},
        FormatCase{"key of a later section is absent in an earlier one", "[A]\r\nx=1\r\n[B]\r\nk=2",
            {{Kind::Get, "A", "k", "<none>"}, {Kind::Put, "A", "k", "9"}, {Kind::Get, "B", "k", "2"}},
            "[A]\r\nx=1\r\nk=9\r\n[B]\r\nk=2"},
        FormatCase{"S2 is not S20", "[S20]\r\nk=1", {{Kind::Get, "S2", "k", "<none>"}, {Kind::Put, "S2", "k", "2"}},
            "[S20]\r\nk=1\r\n[S2]\r\nk=2"},
        FormatCase{"key a is not key ab", "[S]\r\nab=1", {{Kind::Get, "S", "a", "<none>"}, {Kind::Put, "S", "a", "2"}},
            "[S]\r\nab=1\r\na=2"},
        FormatCase{"first of two equal keys wins", "[S]\r\nk=1\r\nk=2",
            {{Kind::Get, "S", "k", "1"}, {Kind::Put, "S", "k", "3"}}, "[S]\r\nk=3\r\nk=2"},
        FormatCase{"header counts only at the start of a line", "[T]\r\nx=[S]\r\nk=1",
            {{Kind::Get, "S", "k", "<none>"}, {Kind::Put, "S", "k", "5"}}, "[T]\r\nx=[S]\r\nk=1\r\n[S]\r\nk=5"},
        FormatCase{"nothing trimmed, foreign lines kept", "; note\r\n[S]\r\n k = 1\r\nk=2\r\nno equals\r\n[T]\r\nt=1",
            {{Kind::Get, "S", " k ", " 1"}, {Kind::Put, "S", "k", "3"}, {Kind::Put, "S", "new", "4"}},
            "; note\r\n[S]\r\n k = 1\r\nk=3\r\nno equals\r\nnew=4\r\n[T]\r\nt=1"},
        FormatCase{"a malformed header inside a section ends nothing", "[A]\r\n[x]y\r\nk=1\r\n[B]\r\nb=1",
            {{Kind::Get, "A", "k", "1"}, {Kind::Get, "x", "k", "1"}, {Kind::Put, "A", "n", "2"}},
            "[A]\r\nn=2\r\n[x]y\r\nk=1\r\n[B]\r\nb=1"},
        FormatCase{"delete a middle section with the line break before the next header",
            "[A]\r\na=1\r\n[B]\r\nb=2\r\n[C]\r\nc=3", {{Kind::Delete, "B", "", ""}}, "[A]\r\na=1\r\n[C]\r\nc=3"},
        FormatCase{"delete the last section leaves no line break at the end", "[A]\r\na=1\r\n[B]\r\nb=2",
            {{Kind::Delete, "B", "", ""}, {Kind::Put, "C", "c", "1"}}, "[A]\r\na=1\r\n[C]\r\nc=1"},
        FormatCase{"a header on the last line ends no section", "[A]\r\na=1\r\n[B]", {{Kind::Delete, "A", "", ""}}, ""},
        FormatCase{"delete one key", "[A]\r\na=1\r\nb=2\r\n[B]\r\na=3",
            {{Kind::Delete, "A", "a", ""}, {Kind::Delete, "A", "a", "", kKeyNotFound}}, "[A]\r\nb=2\r\n[B]\r\na=3"},
        FormatCase{"delete misses", "[A]\r\na=1\r\n[B]\r\nb=2",
            {{Kind::Delete, "C", "", "", kSectionNotFound}, {Kind::Delete, "C", "a", "", kSectionNotFound},
                {Kind::Delete, "A", "b", "", kKeyNotFound}},
            "[A]\r\na=1\r\n[B]\r\nb=2"},
        FormatCase{"a raw value with a line break becomes two lines", "[A]\r\na=1",
            {{Kind::Put, "A", "a", "x\r\ny=2"}, {Kind::Get, "A", "y", "2"}}, "[A]\r\na=x\r\ny=2"},
        FormatCase{"a section name with a line break cannot be created", "[A]\r\na=1",
            {{Kind::Put, "B\r\nC", "a", "1", kFailed}}, "[A]\r\na=1"}));

// ---- The block model against the byte-image rules, on random files ------------------------------------------

// The store's rules written directly over one byte string, the way the file format is defined.
class ByteModel {
public:
    std::string image;

    size_t Section(const std::string& name) const
    {
        const std::string header = "[" + name + "]";
        for (size_t pos = image.find(header); pos != std::string::npos; pos = image.find(header, pos + 1))
            if (pos == 0 || (pos >= 2 && image.compare(pos - 2, 2, "\r\n") == 0))
                return pos;
        return std::string::npos;
    }
    size_t Key(size_t header, const std::string& name, const std::string& key) const
    {
        const size_t close = header + name.size() + 1;
        const size_t pos = image.find("\r\n" + key + "=", close);
        if (pos == std::string::npos)
            return pos;
        const long long between
            = FindHeaderBetween(image, static_cast<long long>(close) + 2, static_cast<long long>(pos));
        return between == -1 ? pos : std::string::npos;
    }
    int Put(const std::string& s, const std::string& k, const std::string& v)
    {
        size_t header = Section(s);
        if (header == std::string::npos) {
            image += (image.empty() ? "[" : "\r\n[") + s + "]";
            header = Section(s);
        }
        size_t pos = Key(header, s, k);
        if (pos == std::string::npos) {
            const size_t next = image.find("\r\n[", header + s.size() + 1);
            image.insert(next == std::string::npos ? image.size() : next, "\r\n" + k + "=");
            pos = Key(header, s, k);
        }
        const size_t start = pos + 2 + k.size() + 1;
        const size_t end = image.find("\r\n", start);
        image.replace(start, (end == std::string::npos ? image.size() : end) - start, v);
        return kDone;
    }
    std::string Get(const std::string& s, const std::string& k) const
    {
        const size_t header = Section(s);
        const size_t pos = header == std::string::npos ? header : Key(header, s, k);
        if (pos == std::string::npos)
            return "<none>";
        const size_t start = pos + 2 + k.size() + 1;
        const size_t end = image.find("\r\n", start);
        return image.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }
    int Delete(const std::string& s, const std::string& k)
    {
        const size_t header = Section(s);
        if (header == std::string::npos)
            return kSectionNotFound;
        const long long next
            = FindHeaderBetween(image, static_cast<long long>(header) + 1, static_cast<long long>(image.size()));
        const size_t end = next == -1 ? image.size() : static_cast<size_t>(next) - 1;
        if (k.empty()) {
            // No line break is left behind at the end of the file.
            const size_t from = end == image.size() && header >= 2 ? header - 2 : header;
            image.erase(from, end - from);
            return kDone;
        }
        const size_t pos = image.find("\r\n" + k + "=", header);
        if (pos == std::string::npos)
            return kKeyNotFound;
        const size_t lineEnd = std::min(image.find("\r\n", pos + 2), image.size());
        if (lineEnd > end)
            return kKeyNotFound;
        image.erase(pos, lineEnd - pos);
        return kDone;
    }
};

TEST(StoreModel, AgreesWithTheByteRulesOnRandomFiles)
{
    const std::vector<std::string> lines
        = {"[S]", "[S2]", "[S20]", "[T]", "[S]x", "[", "[]", "a=1", "ab=2", "a=", "b=x=y", "=e", "junk", "", "[T"};
    const std::vector<std::string> sections = {"S", "S2", "T", "", "S]x", "U"};
    const std::vector<std::string> keys = {"a", "ab", "b", "", "b=x", "[q", "c"};
    const std::vector<std::string> values = {"", "v", "w=1", "x\r\n[T]", "y\r\n"};
    std::mt19937 random(12345);
    auto pick = [&random](const std::vector<std::string>& from) { return from[random() % from.size()]; };
    for (int round = 0; round < 400; ++round) {
        ByteModel model;
        const int lineCount = static_cast<int>(random() % 8);
        for (int i = 0; i < lineCount; ++i)
            model.image += (i ? "\r\n" : "") + pick(lines);
        TempDir dir;
        ASSERT_TRUE(WriteFileBytes(dir.File("r.ini"), model.image));
        ConfigStore store;
        store.Open(dir.File("r.ini").string(), OpenMode::InMemory);
        for (int step = 0; step < 12; ++step) {
            const std::string s = pick(sections);
            const std::string k = pick(keys);
            const std::string before = model.image;
            switch (random() % 4) {
            case 0:
            case 1: {
                const std::string v = pick(values);
                ASSERT_EQ(store.PutValue(s, k, v, false), model.Put(s, k, v)) << before << " put " << s << "/" << k;
                break;
            }
            case 2:
                ASSERT_EQ(store.GetValue(s, k, "<none>"), model.Get(s, k)) << before << " get " << s << "/" << k;
                break;
            default: {
                const std::string key = random() % 2 ? k : std::string();
                ASSERT_EQ(store.DeleteEntry(s, key, false), model.Delete(s, key))
                    << before << " delete " << s << "/" << key;
            }
            }
            ASSERT_EQ(store.Image(), model.image) << "after " << before;
        }
    }
}

// ---- FindHeaderBetween ------------------------------------------------------------------------------------

struct HeaderCase {
    const char* image;
    long long from, to, expected;
};

TEST(FindHeaderBetween, FindsOnlyWellFormedHeaders)
{
    const HeaderCase cases[] = {
        {"[A]\r\nk=1\r\n[B]\r\nx", 1, 100, 11},
        {"[A]\r\nk=1\r\n[B]\r\nx", 1, 10, -1}, // before the limit
        {"[A]\r\nk=1\r\n[B]", 1, 100, -1}, // the last line has no line break after it
        {"[A]\r\n[b\r\nc]\r\nx", 1, 100, -1}, // brackets across a line break
        {"[A]\r\n[b\r\n[c]\r\nx", 1, 100, 10},
        {"[A]\r\nk=[x]\r\n", 1, 100, -1}, // not at the start of a line
        {"[A]\r\n[x]y\r\n[z]\r\nq", 1, 100, 12},
    };
    for (const HeaderCase& c : cases)
        EXPECT_EQ(FindHeaderBetween(c.image, c.from, c.to), c.expected) << c.image;
}

// ---- Typed values -----------------------------------------------------------------------------------------

TEST(StoreValues, TextKeepsLineBreaksOnOneLine)
{
    ConfigStore store;
    store.SelectSection("S");
    ASSERT_TRUE(store.WriteText("t", "one\r\ntwo\r\n"));
    EXPECT_EQ(store.Image(), "[S]\r\nt=one" + std::string(kLineBreakMark) + "two" + std::string(kLineBreakMark));
    EXPECT_EQ(store.ReadText("t"), "one\r\ntwo\r\n");
    store.PutValue("S", "raw", "a" + std::string(kLineBreakMark) + "b", true);
    EXPECT_EQ(store.ReadText("raw"), "a\r\nb");
    EXPECT_EQ(store.ReadText("missing", "x\r\ny"), "x\r\ny");
    EXPECT_EQ(store.ReadText("missing", "x" + std::string(kLineBreakMark) + "y"), "x\r\ny");
}

TEST(StoreValues, NumbersArePlainDecimalsThatReadBackExactly)
{
    ConfigStore store;
    store.SelectSection("N");
    // Never an exponent: a reader that takes the leading number of "1e+05" gets 1.
    const struct {
        double value;
        const char* stored;
    } written[] = {{0.0, "0"}, {7, "7"}, {-3, "-3"}, {0.01, "0.01"}, {0.03, "0.03"}, {0.5, "0.5"}, {100000, "100000"},
        {1e6, "1000000"}, {2147483647.0, "2147483647"}, {-2147483648.0, "-2147483648"}, {0.0001, "0.0001"},
        {1e21, "1000000000000000000000"}, {0.1 + 0.2, "0.30000000000000004"}, {1.0 / 3, "0.3333333333333333"},
        {std::numeric_limits<double>::quiet_NaN(), "0"}, {std::numeric_limits<double>::infinity(), "0"}};
    for (const auto& c : written) {
        ASSERT_TRUE(store.WriteNumber("n", c.value));
        EXPECT_EQ(store.GetValue("N", "n"), c.stored) << c.value;
        if (std::isfinite(c.value)) {
            EXPECT_EQ(store.ReadNumber("n", 99), c.value) << c.stored;
        }
    }
    EXPECT_EQ(store.ReadNumber("missing", 0.25), 0.25);
    EXPECT_EQ(store.ReadNumber("missing", 1e-300), 1e-300); // a default survives its own text form

    const struct {
        const char* stored;
        double expected;
    } hand[] = {{"2.9", 2.9}, {"abc", 0}, {"", 0}, {" 7x", 7}, {"-1.5e2", -150}, {"+4", 4}, {".5", 0.5}, {"1e", 1}};
    for (const auto& c : hand) {
        store.PutValue("N", "h", c.stored, true);
        EXPECT_EQ(store.ReadNumber("h", 99), c.expected) << c.stored;
    }
}

TEST(StoreValues, OnlyTrueTextIsTrue)
{
    ConfigStore store;
    store.SelectSection("B");
    ASSERT_TRUE(store.WriteBool("t", true));
    ASSERT_TRUE(store.WriteBool("f", false));
    EXPECT_EQ(store.GetValue("B", "t"), kTrueText);
    EXPECT_EQ(store.GetValue("B", "f"), kFalseText);
    EXPECT_TRUE(store.ReadBool("t"));
    EXPECT_FALSE(store.ReadBool("f", true));
    EXPECT_TRUE(store.ReadBool("missing", true));
    for (const char* foreign : {"1", "true", "", "\xD5\xE6 "}) {
        store.PutValue("B", "x", foreign, true);
        EXPECT_FALSE(store.ReadBool("x", true)) << foreign;
    }
    store.SelectSection("Missing");
    EXPECT_TRUE(store.ReadBool("t", true));
}

// ---- Pending queue ----------------------------------------------------------------------------------------

TEST(StoreQueue, WritesFromEventHandlersRunInOrderAfterTheRunningOne)
{
    ConfigStore store;
    std::vector<int> nested;
    bool inside = false;
    kc::platform::SetEventPump([&] {
        if (inside || !nested.empty())
            return;
        inside = true;
        nested.push_back(store.PutValue("S", "second", "2", false));
        nested.push_back(store.DeleteEntry("S", "first", false));
        nested.push_back(store.PutValue("S", "third", "3", false));
        nested.push_back(store.PutValue("S", "now", "0", true)); // an immediate write runs at once
        // Reads are never queued: the first write has not happened yet.
        EXPECT_EQ(store.GetValue("S", "first", "<none>"), "<none>");
        inside = false;
    });
    EXPECT_EQ(store.PutValue("S", "first", "1", false), kDone);
    kc::platform::SetEventPump({});
    EXPECT_EQ(nested, (std::vector<int>{kQueued, kQueued, kQueued, kDone}));
    EXPECT_EQ(store.Image(), "[S]\r\nnow=0\r\nsecond=2\r\nthird=3");
}

TEST(StoreQueue, AnotherThreadsWriteDuringTheQueueRunsAtOnce)
{
    ConfigStore store;
    int fromWorker = -99;
    bool once = false;
    kc::platform::SetEventPump([&] {
        if (once)
            return;
        once = true;
        // The window thread is working off its queue and lets events run: a worker is neither queued behind it
        // nor kept waiting for it.
        std::thread([&] { fromWorker = store.PutValue("W", "k", "1", false); }).join();
    });
    EXPECT_EQ(store.PutValue("S", "k", "0", false), kDone);
    kc::platform::SetEventPump({});
    EXPECT_EQ(fromWorker, kDone);
    EXPECT_EQ(store.Image(), "[W]\r\nk=1\r\n[S]\r\nk=0");
}

// ---- Threads ----------------------------------------------------------------------------------------------

TEST(StoreThreads, WorkersWritingTheirSectionsNeverDisturbTheWindowThread)
{
    ConfigStore store;
    store.SelectSection("main");
    ASSERT_TRUE(store.WriteText("value", "kept"));
    constexpr int kWorkers = 4;
    constexpr int kWrites = 300;
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w)
        workers.emplace_back([&store, w] {
            for (int i = 0; i < kWrites; ++i) {
                // Each worker selects its own site's section, as the title write-back does.
                store.SelectSection("site" + std::to_string(w * kWrites + i));
                store.WriteText("titles", "t" + std::to_string(i) + "\r\nnext");
                store.WriteNumber("n", i);
            }
        });
    // Meanwhile the window thread keeps reading and writing its own section through the typed operations.
    int misses = 0;
    for (int i = 0; i < 2000; ++i) {
        if (store.ReadText("value") != "kept")
            ++misses;
        store.WriteNumber("count", i);
    }
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(misses, 0);
    EXPECT_EQ(store.CurrentSection(), "main");
    EXPECT_EQ(store.GetValue("main", "count"), "1999");
    for (int n = 0; n < kWorkers * kWrites; ++n) {
        const std::string section = "site" + std::to_string(n);
        ASSERT_EQ(
            store.GetValue(section, "titles"), "t" + std::to_string(n % kWrites) + std::string(kLineBreakMark) + "next")
            << section;
        ASSERT_EQ(store.GetValue(section, "n"), std::to_string(n % kWrites)) << section;
    }
    // One header line and two key lines per site, three lines for the window thread's section.
    const std::string image = store.Image();
    size_t lines = 1;
    for (size_t pos = image.find("\r\n"); pos != std::string::npos; pos = image.find("\r\n", pos + 2))
        ++lines;
    EXPECT_EQ(lines, static_cast<size_t>(3 * kWorkers * kWrites + 3));
}

// ---- Byte values ------------------------------------------------------------------------------------------

TEST(StoreBytes, LiveInInibinFilesWrittenAtOnce)
{
    TempDir dir;
    const auto ini = dir.File("k.ini");
    ASSERT_TRUE(WriteFileBytes(ini, "[A]\r\na=1"));
    const std::string section = Gbk("站点序号_1");
    const std::string key = Gbk("分类数据");
    const std::string bytes("\x00\x01\xFF\r\n", 5);
    {
        ConfigStore store;
        ASSERT_TRUE(store.Open(ini.string(), OpenMode::InMemory));
        store.SelectSection(section);
        EXPECT_EQ(store.ReadBytes(key, "dflt"), "dflt");
        ASSERT_TRUE(store.WriteBytes(key, bytes));
        EXPECT_EQ(store.ReadBytes(key), bytes);
        store.PutValue("A", "a", "2", false);
        // Destroyed without Save: the settings file stays, the byte file is there.
    }
    EXPECT_EQ(ReadFileBytes(ini), "[A]\r\na=1");
    EXPECT_EQ(ReadFileBytes(dir.Path() / "inibin" / "站点序号_1-分类数据.ibn"), bytes);

    ConfigStore store;
    store.Open(ini.string(), OpenMode::InMemory);
    store.SelectSection(section);
    EXPECT_EQ(store.ReadBytes(key), bytes);
    ASSERT_TRUE(store.WriteBytes(key, ""));
    EXPECT_EQ(store.ReadBytes(key, "dflt"), "dflt"); // an empty file reads as the default
    store.SelectSection("a/b");
    ASSERT_TRUE(store.WriteBytes("c", "x"));
    EXPECT_EQ(ReadFileBytes(dir.Path() / "inibin" / "a_b-c.ibn"), "x");

    ConfigStore unopened;
    unopened.SelectSection("S");
    EXPECT_FALSE(unopened.WriteBytes("k", "x"));
}

TEST(StoreBytes, AFileThatAlreadyHoldsTheBytesIsNotRewritten)
{
    TempDir dir;
    ConfigStore store;
    store.Open(dir.File("u.ini").string(), OpenMode::InMemory);
    store.SelectSection("S");
    ASSERT_TRUE(store.WriteBytes("k", "tree"));
    // From here every real write fails, so a true result means nothing had to be written.
    SetWriteFaultHook([](std::string_view) { return true; });
    const struct {
        const char* key;
        const char* bytes;
        bool ok;
    } cases[] = {
        {"k", "tree", true}, // the same bytes
        {"k", "trees", false}, // changed bytes are written (and fail here)
        {"k", "", false}, // emptying a file that has bytes is a write
        {"none", "", true}, // no file and no bytes read the same
        {"none", "x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(store.WriteBytes(c.key, c.bytes), c.ok) << c.key << " " << c.bytes;
    SetWriteFaultHook({});
    EXPECT_EQ(store.ReadBytes("k"), "tree");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "inibin" / "S-none.ibn"));
}

// ---- Section names ----------------------------------------------------------------------------------------

TEST(StoreSections, NamesInFileOrderEachOnce)
{
    const struct {
        const char* image;
        std::vector<std::string> names;
    } cases[] = {
        {"", {}},
        {"junk\r\n[B]\r\nk=1\r\n[A]", {"B", "A"}},
        {"[A]\r\n[B]\r\n[A]\r\nx=1", {"A", "B"}}, // a repeated header counts where it first stands
        {"[A]x\r\n[B\r\nk=[C]", {"A"}}, // text after "]" belongs to no name; "[B" has no "]"
        {"[]\r\n[S20]\r\n[S2]", {"", "S20", "S2"}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        ASSERT_TRUE(WriteFileBytes(dir.File("n.ini"), c.image));
        ConfigStore store;
        store.Open(dir.File("n.ini").string(), OpenMode::InMemory);
        EXPECT_EQ(store.SectionNames(), c.names) << c.image;
    }
}

// ---- Held-open files --------------------------------------------------------------------------------------

TEST(StoreHeldOpen, EveryEditReachesTheFileAndOtherWritersAreDenied)
{
    TempDir dir;
    const auto file = dir.File("held.ini");
    ConfigStore held;
    ASSERT_TRUE(held.Open(file.string(), OpenMode::HeldOpen));
    EXPECT_TRUE(std::filesystem::exists(file)); // created empty at Open
    EXPECT_EQ(held.PutValue("S", "k", "1", false), kDone);
    EXPECT_EQ(ReadFileBytes(file), "[S]\r\nk=1");
    held.SelectSection("S");
    EXPECT_TRUE(held.WriteText("t", "x"));
    EXPECT_EQ(ReadFileBytes(file), "[S]\r\nk=1\r\nt=x");

    ConfigStore other;
    EXPECT_FALSE(other.Open(file.string(), OpenMode::HeldOpen));
    EXPECT_EQ(other.GetValue("S", "k"), "1"); // still readable
    EXPECT_EQ(other.PutValue("S", "k", "2", false), kFailed); // but nothing reaches the disk
    ConfigStore reader;
    ASSERT_TRUE(reader.Open(file.string(), OpenMode::InMemory));
    reader.PutValue("S", "k", "3", false);
    EXPECT_FALSE(reader.Save());
    EXPECT_EQ(ReadFileBytes(file), "[S]\r\nk=1\r\nt=x");

    held.BeginBatch();
    held.PutValue("S", "k", "4", false);
    held.DeleteEntry("S", "t", false);
    EXPECT_EQ(ReadFileBytes(file), "[S]\r\nk=1\r\nt=x"); // a batch reaches the disk as a whole
    EXPECT_TRUE(held.EndBatch());
    EXPECT_EQ(ReadFileBytes(file), "[S]\r\nk=4");

    held.Close();
    EXPECT_TRUE(reader.Save());
    EXPECT_EQ(ReadFileBytes(file), "[S]\r\nk=3\r\nt=x");
    EXPECT_TRUE(other.Open(file.string(), OpenMode::HeldOpen));
}

} // namespace
