// Reading a large UTF-8 file into internal text, and internal text converted to UTF-8 as a UTF-8 shop is sent it.
#include "text/text_encoding.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// Mixed Chinese and ASCII text, as articles are: about 60% of bytes in three-byte sequences.
std::string MakeUtf8Article(size_t size)
{
    const std::string paragraph = "<p>\xE4\xB8\xAD\xE6\x96\x87\xE6\xA0\x87\xE9\xA2\x98\xEF\xBC\x8C"
                                  "Kestrune Courier \xE6\xB5\x8B\xE8\xAF\x95\xE6\x96\x87\xE7\xAB\xA0\xE3\x80\x82"
                                  "</p>\r\n";
    std::string text;
    text.reserve(size + paragraph.size());
    while (text.size() < size)
        text += paragraph;
    return text;
}

void BM_LoadTextUtf8(benchmark::State& state)
{
    const size_t size = static_cast<size_t>(state.range(0)) << 20;
    const auto path = std::filesystem::temp_directory_path() / "kc_bench_utf8.txt";
    {
        const std::string text = MakeUtf8Article(size);
        std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    for (auto _ : state) {
        int detected = 0;
        benchmark::DoNotOptimize(kc::text::LoadText(path.string(), 0, &detected));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadTextUtf8)->Arg(1)->Arg(50)->Unit(benchmark::kMillisecond);

// An article form of the given size in KiB, internal text to UTF-8: what every submission to a UTF-8 shop
// converts.
void BM_InternalToUtf8(benchmark::State& state)
{
    const std::string internal
        = kc::text::ConvertCharset(MakeUtf8Article(static_cast<size_t>(state.range(0)) << 10), "UTF-8", "GB18030");
    for (auto _ : state)
        benchmark::DoNotOptimize(kc::text::ConvertCharset(internal, "GB18030", "UTF-8"));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(internal.size()));
}
BENCHMARK(BM_InternalToUtf8)->Arg(4)->Arg(1024)->Unit(benchmark::kMicrosecond);

// LoadText of a file the caller names in KC_BENCH_UTF8_FILE, so that bench/compare_iconv.sh can time
// it against iconv on the very same bytes. Registered only when the variable is set.
void BM_LoadTextFile(benchmark::State& state, const std::string& path)
{
    const auto size = static_cast<int64_t>(std::filesystem::file_size(path));
    for (auto _ : state) {
        int detected = 0;
        benchmark::DoNotOptimize(kc::text::LoadText(path, 0, &detected));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
}

const bool g_fileRegistered = [] {
    const char* path = std::getenv("KC_BENCH_UTF8_FILE");
    if (path && *path)
        benchmark::RegisterBenchmark("BM_LoadTextFile", BM_LoadTextFile, std::string(path))
            ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
