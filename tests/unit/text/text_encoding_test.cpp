// Reading outside bytes into internal text and writing internal text back out.
#include "text/native_path.h"
#include "text/text_encoding.h"

#include "support/temp_dir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>

namespace {

using namespace kc::text;
using kc::test::DataDir;
using kc::test::ReadFileBytes;
using kc::test::TempDir;

// Internal text is GB18030; for these characters it is the GBK bytes.
const std::string kGbkText
    = "\xD6\xD0\xCE\xC4\xB1\xEA\xCC\xE2\r\n" // 中文标题
      "\xB5\xDA\xB6\xFE\xD0\xD0\xA3\xBA\xB2\xE2\xCA\xD4\xCE\xC4\xD5\xC2\xA3\xAC" // 第二行：测试文章，
      "\xBA\xAC"
      "English words\xA1\xA3\r\n";

std::string Fixture(const char* name)
{
    return (DataDir() / "text" / name).string();
}

struct LoadCase {
    const char* file;
    int requested;
    int expectedDetected;
    const char* what;
    friend void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.what; }
};

class LoadTextFixtures : public ::testing::TestWithParam<LoadCase> { };

TEST_P(LoadTextFixtures, DecodesToInternalText)
{
    const LoadCase& c = GetParam();
    int detected = -1;
    const std::string text = LoadText(Fixture(c.file), c.requested, &detected);
    EXPECT_EQ(detected, c.expectedDetected) << c.what;
    EXPECT_EQ(text, kGbkText) << c.what;
}

INSTANTIATE_TEST_SUITE_P(AllEncodings, LoadTextFixtures,
    ::testing::Values(LoadCase{"gbk.txt", 0, 1, "GBK file, automatic"}, LoadCase{"gbk.txt", 1, 1, "GBK file, GBK"},
        LoadCase{"utf8-bom.txt", 0, 2, "UTF-8 with mark, automatic"},
        LoadCase{"utf8-bom.txt", 2, 2, "UTF-8 with mark, UTF-8"},
        LoadCase{"utf8.txt", 0, 2, "UTF-8 without mark, automatic"},
        LoadCase{"utf8.txt", 2, 2, "UTF-8 without mark, UTF-8"},
        LoadCase{"utf16le.txt", 0, 3, "UTF-16LE with mark, automatic"},
        LoadCase{"utf16le.txt", 3, 3, "UTF-16LE, requested"},
        LoadCase{"utf16be.txt", 0, 4, "UTF-16BE with mark, automatic"},
        LoadCase{"utf16be.txt", 4, 4, "UTF-16BE, requested"},
        LoadCase{"utf8-bom.txt.gz", 0, 2, "gzip of UTF-8 with mark"},
        LoadCase{"gbk.txt", 9, 1, "a code outside 0 to 6 reads as GBK"}));

TEST(LoadText, MarkKeptWhenReadAsGbk)
{
    int detected = 0;
    const std::string text = LoadText(Fixture("utf8-bom.txt"), 1, &detected);
    EXPECT_EQ(detected, 1);
    EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
}

TEST(LoadText, Utf16LosesFirstTwoBytesWhateverTheyAre)
{
    const std::string bytes = std::string("A\0B\0C\0", 6);
    EXPECT_EQ(LoadText("", 3, nullptr, bytes), "BC");
    EXPECT_EQ(LoadText("", 4, nullptr, std::string("\0A\0B\0C", 6)), "BC");
}

struct DetectCase {
    const char* file;
    int expectedDetected;
    bool rawBytes; // the answer is the file's bytes as they stand
    friend void PrintTo(const DetectCase& c, std::ostream* os) { *os << c.file; }
};

class LoadTextDetection : public ::testing::TestWithParam<DetectCase> { };

TEST_P(LoadTextDetection, ReportsTheEncodingApplied)
{
    const DetectCase& c = GetParam();
    int detected = -1;
    const std::string text = LoadText(Fixture(c.file), 0, &detected);
    EXPECT_EQ(detected, c.expectedDetected) << c.file;
    if (c.rawBytes) {
        EXPECT_EQ(text, ReadFileBytes(Fixture(c.file))) << c.file;
    }
}

INSTANTIATE_TEST_SUITE_P(Automatic, LoadTextDetection,
    ::testing::Values(DetectCase{"ascii.txt", 1, true}, DetectCase{"malformed-utf8.txt", 1, true},
        DetectCase{"utf8-4byte.txt", 1, true}, DetectCase{"big5.htm", 5, false},
        DetectCase{"big5hkscs.htm", 6, false}));

TEST(LoadText, Big5PageBecomesInternalText)
{
    const std::string text = LoadText(Fixture("big5.htm"));
    // 中文標題 → GBK bytes of the same traditional characters.
    EXPECT_NE(text.find("\xD6\xD0\xCE\xC4\x98\xCB\xEE\x7D"), std::string::npos);
}

TEST(LoadText, TextEndsAtFirstZeroByte)
{
    int detected = 0;
    EXPECT_EQ(LoadText(Fixture("zero-byte.txt"), 0, &detected), "\xC7\xB0\xC3\xE6"); // 前面
    EXPECT_EQ(detected, 1);
    EXPECT_EQ(LoadText("", 2, nullptr, std::string("ab\0cd", 5)), "ab");
    // 7-bit bytes read automatically end there too.
    detected = 0;
    EXPECT_EQ(LoadText("", 0, &detected, std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(detected, 1);
}

TEST(LoadText, MissingFileGivesEmptyTextAndLeavesDetectedAlone)
{
    int detected = 42;
    EXPECT_EQ(LoadText("/nonexistent/folder/file.txt", 0, &detected), "");
    EXPECT_EQ(detected, 42);
    // A folder where a file was expected (a list setting naming the article folder) is no file either.
    TempDir dir;
    EXPECT_EQ(LoadText(dir.Path().string(), 1, &detected), "");
    EXPECT_EQ(detected, 42);
}

TEST(LoadText, ReadOnlyFileIsStillRead)
{
    TempDir dir;
    const auto path = dir.File("ro.txt");
    ASSERT_TRUE(kc::test::WriteFileBytes(path, "abc"));
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    EXPECT_EQ(LoadText(path.string()), "abc");
}

TEST(ReadRegularFile, ReadsFilesAndTellsWhatElseIsThere)
{
    TempDir dir;
    ASSERT_TRUE(kc::test::WriteFileBytes(dir.File("a.txt"), "article"));
    ASSERT_TRUE(kc::test::WriteFileBytes(dir.File("empty.txt"), ""));
    std::filesystem::create_symlink(dir.File("a.txt"), dir.File("link.txt"));
    std::filesystem::create_directory(dir.File("folder.txt"));
    // A pipe with no writer: opening it for an ordinary read would wait for ever.
    ASSERT_EQ(::mkfifo(dir.File("pipe.txt").c_str(), 0600), 0);
    struct Case {
        const char* name;
        RegularFile expected;
        const char* bytes;
    } cases[] = {
        {"a.txt", RegularFile::kRead, "article"},
        {"empty.txt", RegularFile::kRead, ""},
        {"link.txt", RegularFile::kRead, "article"},
        {"folder.txt", RegularFile::kNotRegular, ""},
        {"pipe.txt", RegularFile::kNotRegular, ""},
        {"missing.txt", RegularFile::kUnreadable, ""},
    };
    for (const Case& c : cases) {
        std::string bytes = "left over";
        EXPECT_EQ(ReadRegularFile(dir.File(c.name).string(), bytes), c.expected) << c.name;
        EXPECT_EQ(bytes, c.bytes) << c.name;
    }
}

TEST(ReadRegularFile, LeavesTheAccessTimeAlone)
{
    TempDir dir;
    const auto path = dir.File("a.txt");
    ASSERT_TRUE(kc::test::WriteFileBytes(path, "article"));
    // An access time before the last change is one that an ordinary read brings up to date.
    const timespec times[2] = {{946684800, 0}, {0, UTIME_OMIT}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    std::string bytes;
    ASSERT_EQ(ReadRegularFile(path.string(), bytes), RegularFile::kRead);
    EXPECT_EQ(LoadText(path.string()), "article");
    struct stat info { };
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_atim.tv_sec, 946684800);
}

TEST(ReadRegularFile, ReadsAnotherUsersFileToo)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "reading as another user needs root to switch users";
    TempDir dir;
    const auto path = dir.File("a.txt");
    ASSERT_TRUE(kc::test::WriteFileBytes(path, "article"));
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
        std::filesystem::perm_options::add);
    std::filesystem::permissions(path, std::filesystem::perms::others_read, std::filesystem::perm_options::add);
    // A reader that does not own the file may not leave its access time alone, and reads it all the same.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        std::string bytes;
        ::_exit(ReadRegularFile(path.string(), bytes) == RegularFile::kRead && bytes == "article" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(LoadText, BytesPreferredOverTextWhenPathIsEmpty)
{
    EXPECT_EQ(LoadText("", 1, nullptr, "bytes", "text"), "bytes");
    EXPECT_EQ(LoadText("", 1, nullptr, "", "text"), "text");
}

TEST(LoadText, CharactersOutsideGbkSurviveTheRoundTrip)
{
    const std::string utf8 = "\xF0\x9F\x98\x80 \xE4\xB8\x80"; // 😀 一
    const std::string internal = LoadText("", 2, nullptr, utf8);
    EXPECT_EQ(internal, "\x94\x39\xFC\x36 \xD2\xBB");
    std::string back;
    SaveText("", internal, 2, &back, true);
    EXPECT_EQ(back, utf8);
}

struct SaveCase {
    int encoding;
    bool withoutBom;
    std::string expected;
    friend void PrintTo(const SaveCase& c, std::ostream* os) { *os << c.encoding << (c.withoutBom ? " no mark" : ""); }
};

class SaveTextCases : public ::testing::TestWithParam<SaveCase> { };

TEST_P(SaveTextCases, WritesTheEncodedBytes)
{
    const SaveCase& c = GetParam();
    TempDir dir;
    const auto path = dir.File("out.txt");
    std::string bytes;
    EXPECT_TRUE(SaveText(path.string(),
        "\xD6\xD0"
        "a",
        c.encoding, &bytes, c.withoutBom)); // 中a
    EXPECT_EQ(bytes, c.expected);
    EXPECT_EQ(ReadFileBytes(path), c.expected);
}

INSTANTIATE_TEST_SUITE_P(AllEncodings, SaveTextCases,
    ::testing::Values(SaveCase{0, false,
                          "\xD6\xD0"
                          "a"},
        SaveCase{1, false,
            "\xD6\xD0"
            "a"},
        SaveCase{2, false,
            "\xEF\xBB\xBF\xE4\xB8\xAD"
            "a"},
        SaveCase{2, true,
            "\xE4\xB8\xAD"
            "a"},
        SaveCase{3, false, std::string("\xFF\xFE\x2D\x4E\x61\x00", 6)},
        SaveCase{3, true, std::string("\x2D\x4E\x61\x00", 4)},
        SaveCase{4, false, std::string("\xFE\xFF\x4E\x2D\x00\x61", 6)},
        SaveCase{5, false,
            "\xA4\xA4"
            "a"},
        SaveCase{6, false,
            "\xA4\xA4"
            "a"}));

TEST(SaveText, EmptyPathGivesBytesButReportsFalse)
{
    std::string bytes;
    EXPECT_FALSE(SaveText("", "abc", 2, &bytes));
    EXPECT_EQ(bytes,
        "\xEF\xBB\xBF"
        "abc");
}

TEST(SaveText, UnwritablePathReportsFalse)
{
    EXPECT_FALSE(SaveText("/nonexistent/folder/out.txt", "abc", 1));
}

TEST(ConvertCharset, NeverStartsWithAMark)
{
    EXPECT_EQ(ConvertCharset("\xD6\xD0", "GB18030", "utf-8"), "\xE4\xB8\xAD");
    EXPECT_EQ(ConvertCharset("\xD6\xD0", "GB18030", "UTF-16LE"), "\x2D\x4E");
    EXPECT_EQ(ConvertCharset("\xE4\xB8\xAD", "UTF-8", "gbk"), "\xD6\xD0");
    EXPECT_EQ(ConvertCharset("abc", "no-such-charset", "utf-8"), "");
    EXPECT_EQ(ConvertCharset("", "GB18030", "utf-8"), "");
}

struct DeclaredCase {
    const char* html;
    int expected;
    friend void PrintTo(const DeclaredCase& c, std::ostream* os) { *os << c.html; }
};

class DeclaredCharsetCases : public ::testing::TestWithParam<DeclaredCase> { };

TEST_P(DeclaredCharsetCases, FindsTheFirstDeclaringMetaTag)
{
    EXPECT_EQ(DeclaredCharset(GetParam().html), GetParam().expected) << GetParam().html;
}

INSTANTIATE_TEST_SUITE_P(Declarations, DeclaredCharsetCases,
    ::testing::Values(DeclaredCase{"<html><head><title>t</title><meta charset=big5></head>", 2},
        DeclaredCase{"<HEAD><META http-equiv=x content='text/html; charset=UTF-8'></HEAD>", 1},
        DeclaredCase{"<head><meta charset=\"utf-8\"></head>", 1},
        DeclaredCase{"<head><meta charset=Big5-HKSCS></head>", 2},
        DeclaredCase{"<head><meta charset=\"Big5-HKSCS\"></head>", 3},
        DeclaredCase{"<head><meta charset='Big5-HKSCS'></head>", 3},
        DeclaredCase{"<head><meta name=a><meta charset=gbk><meta charset=utf-8></head>", 1},
        DeclaredCase{"<head><meta charset=gbk></head>", 0}, DeclaredCase{"no head <meta charset=utf-8>", 1},
        DeclaredCase{"<head><meta></head>", 0}, DeclaredCase{"<head><meta charset=utf-8", 0},
        DeclaredCase{"<head></head><meta charset=utf-8>", 1}, DeclaredCase{"", 0}));

struct Utf8Case {
    std::string bytes;
    bool expected;
    friend void PrintTo(const Utf8Case& c, std::ostream* os) { *os << ::testing::PrintToString(c.bytes); }
};

class LooksLikeUtf8Cases : public ::testing::TestWithParam<Utf8Case> { };

TEST_P(LooksLikeUtf8Cases, Judges)
{
    EXPECT_EQ(LooksLikeUtf8(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Sequences, LooksLikeUtf8Cases,
    ::testing::Values(Utf8Case{"", false}, Utf8Case{"plain", false}, Utf8Case{"\xC3\xA9", true},
        Utf8Case{"a\xE4\xB8\xAD"
                 "b",
            true},
        Utf8Case{"\xC0\x80", true}, // overlong forms pass
        Utf8Case{"\xF0\x9F\x98\x80", false}, // four-byte sequence
        Utf8Case{"\xE4\xB8", false}, // cut short
        Utf8Case{"\xD6\xD0\xCE\xC4", false})); // GBK

TEST(GunzipBytes, DecodesAndKeepsWhatItCouldOnDamage)
{
    const std::string packed = ReadFileBytes(Fixture("utf8-bom.txt.gz"));
    EXPECT_EQ(GunzipBytes(packed), ReadFileBytes(Fixture("utf8-bom.txt")));
    EXPECT_EQ(GunzipBytes("not gzip"), "");
    EXPECT_LE(GunzipBytes(packed.substr(0, packed.size() / 2)).size(), ReadFileBytes(Fixture("utf8-bom.txt")).size());
}

TEST(NativePath, ConvertsNamesAndSeparators)
{
    EXPECT_EQ(NativePath("a\\b\\\xD6\xD0.txt").string(), "a/b/\xE4\xB8\xAD.txt");
    EXPECT_EQ(InternalPath(std::filesystem::path("a/\xE4\xB8\xAD.txt")), "a/\xD6\xD0.txt");
}

TEST(NativePath, LoadTextReachesFilesWithChineseNames)
{
    TempDir dir;
    ASSERT_TRUE(kc::test::WriteFileBytes(dir.Path() / "\xE4\xB8\xAD.txt", "x"));
    EXPECT_EQ(LoadText(InternalPath(dir.Path() / "\xE4\xB8\xAD.txt")), "x");
}

} // namespace

namespace {

// The table-driven UTF-8 reader must give the general converter's bytes for every character.
TEST(ConvertCharset, Utf8FastPathMatchesTheGeneralConverter)
{
    std::string utf8;
    std::string utf16;
    auto add = [&](uint32_t cp) {
        if (cp < 0x80) {
            utf8 += static_cast<char>(cp);
        } else if (cp < 0x800) {
            utf8 += static_cast<char>(0xC0 | cp >> 6);
            utf8 += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            utf8 += static_cast<char>(0xE0 | cp >> 12);
            utf8 += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | cp >> 18);
            utf8 += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            utf8 += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (cp & 0x3F));
        }
        auto unit = [&](uint32_t u) {
            utf16 += static_cast<char>(u & 0xFF);
            utf16 += static_cast<char>(u >> 8);
        };
        if (cp < 0x10000) {
            unit(cp);
        } else {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    };
    for (uint32_t cp = 1; cp < 0x10000; ++cp)
        if (cp < 0xD800 || cp > 0xDFFF)
            add(cp);
    for (uint32_t cp : {0x10000u, 0x1F600u, 0x20000u, 0x2A6D6u, 0x10FFFFu})
        add(cp);
    const std::string viaTable = ConvertCharset(utf8, "UTF-8", "GB18030");
    const std::string viaIcu = ConvertCharset(utf16, "UTF-16LE", "GB18030");
    ASSERT_FALSE(viaIcu.empty());
    EXPECT_TRUE(viaTable == viaIcu);
}

// Internal text sent to a UTF-8 shop takes a table for ASCII and two-byte characters; whatever the
// table does not hold goes to the general converter. Either way the bytes are the general converter's.
TEST(ConvertCharset, Gb18030ToUtf8MatchesTheGeneralConverterForEveryPair)
{
    auto viaIcu = [](const std::string& gb) {
        return ConvertCharset(ConvertCharset(gb, "GB18030", "UTF-16LE"), "UTF-16LE", "UTF-8");
    };
    std::string allPairs;
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
        for (int trail = 0; trail <= 0xFF; ++trail) {
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            const std::string gb = "a" + pair + "b";
            ASSERT_EQ(ConvertCharset(gb, "GB18030", "UTF-8"), viaIcu(gb)) << std::hex << lead << ' ' << trail;
            if (lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F)
                allPairs += pair + (trail % 7 == 0 ? " " : "");
        }
    }
    EXPECT_TRUE(ConvertCharset(allPairs, "GB18030", "UTF-8") == viaIcu(allPairs));
    // A four-byte character, a lead byte at the very end and a mark-less start stay the general converter's.
    for (const std::string& gb : {std::string("\xD6\xD0\x81\x30\x81\x30x"), std::string("abc\xD6"),
             std::string("\x84\x31\x95\x33\xD6\xD0"), std::string("plain ASCII only")})
        EXPECT_EQ(ConvertCharset(gb, "GB18030", "UTF-8"), viaIcu(gb));
}

TEST(ConvertCharset, MalformedUtf8StillConverts)
{
    // Damaged input leaves the table-driven path; the general converter substitutes what it cannot read.
    const std::string converted = ConvertCharset("a\xE4\xB8"
                                                 "b",
        "UTF-8", "GB18030");
    EXPECT_EQ(converted.front(), 'a');
    EXPECT_EQ(converted.back(), 'b');
}

} // namespace
