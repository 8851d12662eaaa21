// The resampler alone, on the sizes the slideshow meets: a 24-megapixel photo (or its reduced
// decode) fitted to a 1920 x 1080 screen.

#include <random>

#include <benchmark/benchmark.h>

#include "imaging/filters.h"
#include "imaging/resample.h"

namespace {

using qel::raster::Bitmap;

Bitmap Noise(int w, int h)
{
    std::mt19937 rng(7);
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 3 * w; ++x)
            b.Scanline(y)[x] = static_cast<std::uint8_t>(rng());
    return b;
}

void Resample(benchmark::State& state, int sw, int sh, int dw, int dh, bool simd, int threads)
{
    const Bitmap src = Noise(sw, sh);
    Bitmap dst(dw, dh);
    const auto& f = qel::imaging::Filter(qel::imaging::kLanczos3);
    for (auto _ : state) {
        qel::imaging::detail::ResampleBitmapWith(f.kernel, src, dst, f.support, simd, threads);
        benchmark::DoNotOptimize(dst.Scanline(0));
    }
}

BENCHMARK_CAPTURE(Resample, full6000_scalar_1thread, 6000, 4000, 1620, 1080, false, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Resample, full6000_simd_1thread, 6000, 4000, 1620, 1080, true, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Resample, full6000_simd_2threads, 6000, 4000, 1620, 1080, true, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Resample, reduced2250_simd_2threads, 2250, 1500, 1620, 1080, true, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Resample, enlarge640_simd_2threads, 640, 480, 1440, 1080, true, 2)->Unit(benchmark::kMillisecond);

}  // namespace
