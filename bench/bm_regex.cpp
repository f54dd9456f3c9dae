// Replacing every tag of a large HTML article, as the tag-stripping step of the description does.
#include "text/regex.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// GBK article HTML: paragraphs with inline tags, about half the bytes Chinese.
std::string MakeGbkHtml(size_t size)
{
    const std::string paragraph
        = "<p class=\"body\">\xD6\xD0\xCE\xC4\xB1\xEA\xCC\xE2\xA3\xAC" // 中文标题，
          "<b>Kestrune</b> \xB2\xE2\xCA\xD4\xCE\xC4\xD5\xC2" // 测试文章
          "<a\r\nhref=\"http://www.example.com/a.html\">\xC1\xB4\xBD\xD3</a>\xA1\xA3</p>\r\n"; // 链接 。
    std::string text;
    text.reserve(size + paragraph.size());
    while (text.size() < size)
        text += paragraph;
    return text;
}

void BM_RegexReplace(benchmark::State& state)
{
    const std::string html = MakeGbkHtml(size_t{1} << 20);
    kc::text::Regex regex;
    regex.Create("<[\\s\\S]+?>");
    for (auto _ : state)
        benchmark::DoNotOptimize(regex.Replace(html, ""));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(html.size()));
}
BENCHMARK(BM_RegexReplace)->Unit(benchmark::kMillisecond);

} // namespace
