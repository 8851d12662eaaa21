// Composing one 1920 x 1080 frame of every transition style at several progress values: the
// whole frame pipeline (old picture copied in, the style's geometry, drawing the new picture,
// invalidation mapped to the client area), without painting a window.
//
//   pictureshow_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

#include "pictureshow/pictureshowengine.h"
#include "pictureshow/random.h"
#include "pictureshow/styles.h"

namespace {

using namespace qel::pictureshow;
using qel::raster::Bitmap;

constexpr int kW = 1920, kH = 1080;

// Takes the invalidations a window would get and drops them.
class NullWindow : public PictureShowHost {
public:
    void InvalidateRect(const qel::raster::Rect&) override {}
    void InvalidateRegion(const qel::raster::Region&) override {}
    void UpdateNow() override {}
    int ClientWidth() const override { return kW; }
    int ClientHeight() const override { return kH; }
    void SetClientSize(int, int) override {}
};

Bitmap Picture(std::uint32_t seed)
{
    Bitmap b(kW, kH);
    std::uint32_t s = seed;
    for (int y = 0; y < kH; ++y) {
        std::uint8_t* row = b.Scanline(y);
        for (int i = 0; i < kW * 3; ++i) {
            s = s * 1664525u + 1013904223u;
            row[i] = static_cast<std::uint8_t>((s >> 24) / 2 + ((i / 3 + y) & 127));
        }
    }
    return b;
}

void BM_Frame(benchmark::State& state)
{
    static const Bitmap oldPic = Picture(1), newPic = Picture(2);
    const int style = static_cast<int>(state.range(0));
    const int percent = static_cast<int>(state.range(1));
    SetFixedSeed(5);
    NullWindow window;
    PictureShowEngine engine(&window);
    engine.SetAutoSize(false);
    engine.SetPicture(oldPic);
    engine.Execute();
    engine.SetPicture(newPic);
    engine.SetStyle(style);
    engine.SetManual(true);
    engine.Execute();
    // The same share of the way for styles with another end value (the line styles).
    engine.SetProgress(engine.ProgressMax() * percent / 100);
    for (auto _ : state) {
        engine.DrawFrame();
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::string(StyleDisplayName(style)));
}

void Args(benchmark::internal::Benchmark* b)
{
    for (int style = 0; style < kStyleCount; ++style)
        for (int percent : {10, 50, 90})
            b->Args({style, percent});
}

BENCHMARK(BM_Frame)->Apply(Args)->Unit(benchmark::kMillisecond)->MinTime(0.05);

}  // namespace
