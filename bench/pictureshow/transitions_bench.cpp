// One transition frame of every style at 1920 x 1080 and 3840 x 2160, as the automatic sequence
// draws it: the frame at P drawn right after the frame at P - Step (the whole frame pipeline: the
// style's geometry, the frame bitmap brought up to date, the invalidation mapped to the client
// area), without painting a window. The same run times one full-frame copy at each size, the
// yardstick of the frame budget (every style within 4 copies):
//
//   pictureshow_bench --benchmark_format=json > frames.json
//   bench/pictureshow/frame_costs.py frames.json [BEFORE.json]

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "pictureshow/pictureshowengine.h"
#include "pictureshow/random.h"
#include "pictureshow/styles.h"
#include "raster/copy.h"

namespace {

using namespace qel::pictureshow;
using qel::raster::Bitmap;

// Takes the invalidations a window would get and drops them.
class NullWindow : public PictureShowHost {
public:
    NullWindow(int w, int h) : w_(w), h_(h) {}
    void InvalidateRect(const qel::raster::Rect&) override {}
    void InvalidateRegion(const qel::raster::Region&) override {}
    void UpdateNow() override {}
    int ClientWidth() const override { return w_; }
    int ClientHeight() const override { return h_; }
    void SetClientSize(int, int) override {}

private:
    int w_, h_;
};

Bitmap Picture(int w, int h, std::uint32_t seed)
{
    Bitmap b(w, h);
    std::uint32_t s = seed;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = b.Scanline(y);
        for (int i = 0; i < w * 3; ++i) {
            s = s * 1664525u + 1013904223u;
            row[i] = static_cast<std::uint8_t>((s >> 24) / 2 + ((i / 3 + y) & 127));
        }
    }
    return b;
}

// The two pictures of one size, made once.
const Bitmap& Pictures(int height, int which)
{
    static const Bitmap hd[2] = {Picture(1920, 1080, 1), Picture(1920, 1080, 2)};
    static const Bitmap uhd[2] = {Picture(3840, 2160, 1), Picture(3840, 2160, 2)};
    return height == 1080 ? hd[which] : uhd[which];
}

void BM_FullFrameCopy(benchmark::State& state)
{
    const Bitmap& src = Pictures(static_cast<int>(state.range(0)), 0);
    Bitmap dst(src.Width(), src.Height());
    for (auto _ : state) {
        qel::raster::Copy(dst, 0, 0, src);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FullFrameCopy)->Arg(1080)->Arg(2160)->Unit(benchmark::kMillisecond);

void BM_Frame(benchmark::State& state)
{
    const int style = static_cast<int>(state.range(0));
    const int percent = static_cast<int>(state.range(1));
    const Bitmap& oldPic = Pictures(static_cast<int>(state.range(2)), 0);
    const Bitmap& newPic = Pictures(static_cast<int>(state.range(2)), 1);
    SetFixedSeed(5);
    NullWindow window(oldPic.Width(), oldPic.Height());
    PictureShowEngine engine(&window);
    engine.SetAutoSize(false);
    engine.SetPicture(oldPic);
    engine.Execute();
    engine.SetPicture(newPic);
    engine.SetStyle(style);
    engine.SetManual(true);
    engine.Execute();
    // The same share of the way for styles with another end value (the line styles), on the
    // automatic sequence of values.
    const int step = engine.Step();
    const int p = std::max(engine.ProgressMax() * percent / 100 / step * step, step);
    for (auto _ : state) {
        state.PauseTiming();
        engine.SetProgress(p - step);
        state.ResumeTiming();
        engine.SetProgress(p);
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::string(StyleDisplayName(style)));
}

void Args(benchmark::internal::Benchmark* b)
{
    for (int height : {1080, 2160})
        for (int style = 0; style < kStyleCount; ++style)
            for (int percent : {10, 50, 90})
                b->Args({style, percent, height});
}

BENCHMARK(BM_Frame)->Apply(Args)->Unit(benchmark::kMillisecond)->MinTime(0.05);

}  // namespace
