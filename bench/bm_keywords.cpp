// Keyword extraction from a long article: the indexed extractor against the plain whole-list search.
#include "keyword_reference.h"
#include "services/keyword_extractor.h"
#include "text/native_path.h"
#include "text/text_encoding.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

const std::string& WordList()
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

const std::string& Article()
{
    static const std::string article = kc::bench::MakeArticle(WordList(), 20240601, 10000);
    return article;
}

void BM_ExtractKeywords(benchmark::State& state)
{
    kc::services::KeywordExtractor extractor;
    extractor.UseWordList(WordList());
    std::vector<std::string> words, referenceWords;
    // A figure for wrong keywords would mean nothing: the result must be the plain search's.
    if (extractor.Extract(Article(), words, 5) != kc::bench::ReferenceExtract(WordList(), Article(), referenceWords, 5)
        || words != referenceWords) {
        state.SkipWithError("keywords differ from the reference extractor's");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(extractor.Extract(Article(), words, 5));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Article().size()));
}
BENCHMARK(BM_ExtractKeywords)->Unit(benchmark::kMicrosecond);

void BM_ExtractKeywordsReference(benchmark::State& state)
{
    std::vector<std::string> words;
    for (auto _ : state)
        benchmark::DoNotOptimize(kc::bench::ReferenceExtract(WordList(), Article(), words, 5));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(Article().size()));
}
BENCHMARK(BM_ExtractKeywordsReference)->Unit(benchmark::kMillisecond);

} // namespace
