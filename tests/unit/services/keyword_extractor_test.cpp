// Tests of the built-in keyword extractor: matching, ranking, cleaning, loading, sharing between threads.
#include "services/keyword_extractor.h"

#include "keyword_reference.h"
#include "support/temp_dir.h"
#include "text/native_path.h"
#include "text/text_encoding.h"

#include <gtest/gtest.h>

#include <cctype>

#include <string>
#include <thread>
#include <vector>

namespace {

using kc::services::KeywordExtractor;

// Internal text from a UTF-8 literal.
std::string G(std::string_view utf8)
{
    return kc::text::ConvertCharset(utf8, "UTF-8", "GB18030");
}

std::vector<std::string> G(const std::vector<std::string_view>& utf8)
{
    std::vector<std::string> out;
    for (auto word : utf8)
        out.push_back(G(word));
    return out;
}

// A word list in its file form: longest first, each word between single spaces.
std::string MakeList(const std::vector<std::string_view>& utf8Words)
{
    std::vector<std::string> words = G(utf8Words);
    std::stable_sort(words.begin(), words.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
    std::string list = " ";
    for (const auto& word : words)
        list += word + " ";
    return list;
}

const std::string& BuiltInList()
{
    static const std::string list = [] {
        for (const auto& path : kc::services::WordListCandidates()) {
            std::string text = kc::text::LoadText(kc::text::InternalPath(path), kc::text::kEncodingGbk);
            if (!text.empty())
                return text;
        }
        return std::string();
    }();
    return list;
}

struct TopFrequentCase {
    const char* name;
    std::vector<std::string> words;
    int count;
    std::string expected;
};

class TopFrequentTest : public testing::TestWithParam<TopFrequentCase> { };

TEST_P(TopFrequentTest, RanksByNumberThenLaterFirstOccurrence)
{
    const auto& c = GetParam();
    EXPECT_EQ(KeywordExtractor::TopFrequent(c.words, c.count), c.expected);
    EXPECT_EQ(kc::bench::ReferenceTopFrequent(c.words, c.count), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, TopFrequentTest,
    testing::Values(TopFrequentCase{"MostFrequentFirst", {"A", "B", "A", "C", "B", "A"}, 2, "A,B"},
        TopFrequentCase{"EqualNumbersLaterFirstOccurrenceFirst", {"A", "B", "B", "A"}, 2, "B,A"},
        TopFrequentCase{"AllEqualReversed", {"A", "B", "C"}, 3, "C,B,A"},
        TopFrequentCase{"CountOne", {"A", "B", "A"}, 1, "A"},
        TopFrequentCase{"CountZeroStillTakesOne", {"A", "B", "B"}, 0, "B"},
        TopFrequentCase{"NegativeCountStillTakesOne", {"A", "B", "B"}, -4, "B"},
        TopFrequentCase{"FewerWordsThanCount", {"A", "B", "A"}, 5, "A,B"},
        TopFrequentCase{"CaseMakesDifferentWords", {"php", "PHP", "php"}, 5, "php,PHP"},
        TopFrequentCase{"Empty", {}, 5, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct ExtractCase {
    const char* name;
    std::vector<std::string_view> list; // UTF-8
    std::string_view text; // UTF-8
    int count;
    std::vector<std::string_view> words; // UTF-8, every matched word in order
    std::string_view keywords; // UTF-8
};

class ExtractTest : public testing::TestWithParam<ExtractCase> { };

TEST_P(ExtractTest, MatchesAndRanks)
{
    const auto& c = GetParam();
    const std::string list = MakeList(c.list);
    KeywordExtractor extractor;
    extractor.UseWordList(list);
    std::vector<std::string> words{"left over from an earlier call"};
    EXPECT_EQ(extractor.Extract(G(c.text), words, c.count), G(c.keywords));
    EXPECT_EQ(words, G(c.words));

    std::vector<std::string> referenceWords;
    EXPECT_EQ(kc::bench::ReferenceExtract(list, G(c.text), referenceWords, c.count), G(c.keywords));
    EXPECT_EQ(referenceWords, words);
}

INSTANTIATE_TEST_SUITE_P(Table, ExtractTest,
    testing::Values(ExtractCase{"LongestListedWordWins", {"中华", "人民", "共和国", "中华人民共和国"},
                        "中华人民共和国成立，中华儿女", 5, {"中华人民共和国", "中华"}, "中华,中华人民共和国"},
        // Forward matching is greedy: 研究生 is taken, so 生命 is never seen.
        ExtractCase{"ForwardMatchingIsGreedy", {"研究生", "研究", "生命", "起源"}, "研究生命起源", 5,
            {"研究生", "起源"}, "起源,研究生"},
        ExtractCase{"UpperCaseAsciiMatchesButKeepsItsCase", {"php", "win"}, "PHP和php还有Php与WIN", 5,
            {"PHP", "php", "Php", "WIN"}, "WIN,Php,php,PHP"},
        ExtractCase{"MixedForms", {"4月", "g点"}, "4月的G点", 5, {"4月", "G点"}, "G点,4月"},
        ExtractCase{"TagsNeverGiveKeywords", {"中国", "title"},
            "<p class=\"中国\"><a title=\"中国\">新闻</a></p><img alt=中国>", 5, {}, ""},
        ExtractCase{
            "NamedReferencesNeverGiveKeywords", {"nbsp", "ldquo", "amp"}, "&nbsp;&NBSP;&Ldquo;&amp;&AMP;", 5, {}, ""},
        // Deleting a reference joins what stood either side of it.
        ExtractCase{"DeletedReferenceJoinsText", {"中国"}, "中&nbsp;国", 5, {"中国"}, "中国"},
        // "&amp;" goes last, so an escaped reference leaves its name behind.
        ExtractCase{"EscapedReferenceLeavesItsName", {"lt", "中国"}, "&amp;lt;中国", 5, {"lt", "中国"}, "中国,lt"},
        ExtractCase{"UnpairedAnglesStay", {"中国", "美国"}, "中国>1 < 2美国", 5, {"中国", "美国"}, "美国,中国"},
        // The second byte of 镕 is an upper-case letter; lowering the text must leave it alone.
        ExtractCase{"TrailByteThatLooksLikeALetter", {"朱镕基"}, "朱镕基说", 5, {"朱镕基"}, "朱镕基"},
        ExtractCase{"FourByteCharacterIsOneCharacter", {"𠀀中", "中国"}, "𠀀中国𠀀中", 5, {"𠀀中", "𠀀中"}, "𠀀中"},
        ExtractCase{"WordAtTheVeryEnd", {"中国"}, "我爱中国", 5, {"中国"}, "中国"},
        ExtractCase{"WordCutByTheEnd", {"中国人"}, "我是中国", 5, {}, ""},
        ExtractCase{"LineBreakIsOneCharacter", {"中国"}, "中\r\n国\r\n中国", 5, {"中国"}, "中国"},
        ExtractCase{"NoListedWord", {"中国"}, "今天天气很好", 5, {}, ""},
        ExtractCase{"EmptyText", {"中国"}, "", 5, {}, ""},
        ExtractCase{"OneCharacterWordsAreIgnored", {"中", "国", "中国"}, "中人国人", 5, {}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeywordExtractorLoad, BuiltInListIsInItsForm)
{
    const std::string& list = BuiltInList();
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front(), ' ');
    EXPECT_EQ(list.back(), ' ');
    EXPECT_EQ(list.find("  "), std::string::npos);
    KeywordExtractor extractor;
    ASSERT_TRUE(extractor.LoadWordList());
    EXPECT_GT(extractor.WordCount(), 40000u);

    // Longest first, every word of two or more characters, all of it GBK.
    size_t previous = SIZE_MAX;
    for (size_t at = 1; at < list.size();) {
        const size_t space = list.find(' ', at);
        const std::string word = list.substr(at, space - at);
        EXPECT_LE(word.size(), previous) << "out of order";
        EXPECT_GE(word.size(), 2u);
        // Single-byte characters are lower-case letters or digits (a second byte may look like anything).
        for (size_t k = 0; k < word.size(); k += static_cast<unsigned char>(word[k]) >= 0x80 ? 2 : 1)
            EXPECT_TRUE(std::islower(static_cast<unsigned char>(word[k]))
                || std::isdigit(static_cast<unsigned char>(word[k])) || static_cast<unsigned char>(word[k]) >= 0x80)
                << word;
        previous = word.size();
        at = space + 1;
    }
    EXPECT_EQ(kc::text::ConvertCharset(kc::text::ConvertCharset(list, "GBK", "UTF-8"), "UTF-8", "GBK"), list);

    std::vector<std::string> words;
    EXPECT_EQ(extractor.Extract(G("中华人民共和国的人民"), words, 5), G("人民,中华人民共和国"));
}

TEST(KeywordExtractorLoad, FileListAndUnreadableFile)
{
    kc::test::TempDir dir;
    const auto path = dir.File("words.txt");
    ASSERT_TRUE(kc::test::WriteFileBytes(path, MakeList({"中国", "美国"})));
    KeywordExtractor extractor;
    ASSERT_TRUE(extractor.LoadWordList(kc::text::InternalPath(path)));
    EXPECT_EQ(extractor.WordCount(), 2u);

    // A missing or empty file leaves the list in use alone.
    EXPECT_FALSE(extractor.LoadWordList(kc::text::InternalPath(dir.File("missing.txt"))));
    ASSERT_TRUE(kc::test::WriteFileBytes(dir.File("empty.txt"), "   "));
    EXPECT_FALSE(extractor.LoadWordList(kc::text::InternalPath(dir.File("empty.txt"))));
    std::vector<std::string> words;
    EXPECT_EQ(extractor.Extract(G("美国中国中国"), words, 5), G("中国,美国"));
}

TEST(KeywordExtractorReference, SameKeywordsOnGeneratedArticles)
{
    const std::string& list = BuiltInList();
    ASSERT_FALSE(list.empty());
    KeywordExtractor extractor;
    extractor.UseWordList(list);
    size_t matched = 0;
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        const std::string article = kc::bench::MakeArticle(list, seed, 100 + seed % 5 * 25);
        const int count = static_cast<int>(seed % 9) - 1;
        std::vector<std::string> words, referenceWords;
        const std::string keywords = extractor.Extract(article, words, count);
        ASSERT_EQ(keywords, kc::bench::ReferenceExtract(list, article, referenceWords, count)) << "seed " << seed;
        ASSERT_EQ(words, referenceWords) << "seed " << seed;
        matched += words.size();
    }
    EXPECT_GT(matched, 200u * 10);
}

TEST(KeywordExtractorThreads, SharedExtractorGivesEveryCallerItsOwnResult)
{
    KeywordExtractor extractor;
    ASSERT_TRUE(extractor.LoadWordList());
    const std::string& list = BuiltInList();
    std::vector<std::string> articles, expected;
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        articles.push_back(kc::bench::MakeArticle(list, 1000 + seed, 600));
        std::vector<std::string> words;
        expected.push_back(extractor.Extract(articles.back(), words, 5));
    }
    std::vector<std::string> results(articles.size() * 4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (size_t k = 0; k < articles.size(); ++k) {
                std::vector<std::string> words;
                results[t * articles.size() + k] = extractor.Extract(articles[k], words, 5);
            }
        });
    }
    // A list put in place while others extract: the same list, so the results stay the same.
    threads.emplace_back([&] { extractor.UseWordList(list); });
    for (auto& thread : threads)
        thread.join();
    for (size_t k = 0; k < results.size(); ++k)
        EXPECT_EQ(results[k], expected[k % articles.size()]) << k;
}

} // namespace
