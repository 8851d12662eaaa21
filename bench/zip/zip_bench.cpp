// The zip writer in process: archives of generated text and picture-like files written to memory, so
// the figures show compression and the writer's own overhead, not the disk. The whole-program
// comparison with other zip tools is hyperfine.sh beside this file.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "zip/zipwriter.h"

namespace {
namespace fs = std::filesystem;

// 8 files of text (words drawn at random) and 8 of noise that does not compress, 1 MB each.
struct TempDir {
    fs::path path = fs::temp_directory_path() / ("qel-zip-bench-" + std::to_string(getpid()));
    TempDir() { fs::create_directories(path); }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

const std::vector<std::string>& Corpus()
{
    static TempDir tmp;
    static std::vector<std::string> files = [] {
        const fs::path& dir = tmp.path;
        std::mt19937 rng(42);
        const char* words[] = {"picture", "slide", "show", "music", "fade",       "wipe",     "saver",  "colour",
                               "screen",  "the",   "and",  "of",    "transition", "interval", "random", "order"};
        std::vector<std::string> out;
        for (int i = 0; i < 16; ++i) {
            std::string data;
            while (data.size() < (1u << 20)) {
                if (i % 2 == 0) {
                    data += words[rng() % 16];
                    data += rng() % 12 ? ' ' : '\n';
                } else {
                    data += static_cast<char>(rng() >> 8);  // as incompressible as JPEG data
                }
            }
            fs::path p = dir / ("file" + std::to_string(i) + (i % 2 ? ".jpg" : ".txt"));
            std::ofstream(p, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
            out.push_back(p.string());
        }
        return out;
    }();
    return files;
}

void BM_Zip(benchmark::State& state)
{
    const auto& files = Corpus();
    std::int64_t bytes = 0;
    for (const auto& f : files)
        bytes += static_cast<std::int64_t>(fs::file_size(f));
    for (auto _ : state) {
        qel::zip::TZipWriter w;
        w.PackLevel = static_cast<int>(state.range(0));
        w.Threads = static_cast<int>(state.range(1));
        w.FilesList = files;
        qel::zip::MemorySink sink;
        benchmark::DoNotOptimize(w.Zip(sink));
        state.counters["ratio"] = static_cast<double>(sink.Bytes().size()) / static_cast<double>(bytes);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_Zip)
    ->ArgNames({"level", "threads"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({6, 1})
    ->Args({8, 1})
    ->Args({8, 2})
    ->Args({9, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
