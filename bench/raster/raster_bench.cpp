// Costs of the raster operations a transition frame is built from, at 1920 x 1080.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "raster/bilinear.h"
#include "raster/copy.h"
#include "raster/muldiv.h"
#include "raster/xrgb.h"

using namespace qel::raster;

namespace {

constexpr int kW = 1920;
constexpr int kH = 1080;

Bitmap Picture(int w, int h)
{
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = b.Scanline(y);
        for (int x = 0; x < w * 3; ++x) {
            row[x] = std::uint8_t(x * 7 + y * 13);
        }
    }
    return b;
}

// 200 squares in a 20 x 10 grid, each centred in its cell (the box-zoom pattern).
std::vector<Rect> Squares()
{
    std::vector<Rect> squares;
    const int cw = kW / 20;
    const int ch = kH / 10;
    const int d = 80;
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) {
            const int l = x * cw + (cw - d) / 2;
            const int t = y * ch + (ch - d) / 2;
            squares.push_back(Rect{l, t, l + d, t + d});
        }
    }
    return squares;
}

// The 100 triangles of the triangle style at its end: every cell's triangle reaches past the
// far corner of its cell, so the union is one big region of slanted rows.
Region Triangles()
{
    const int a = kW / 5;
    const int b = MulDiv(a, kH, kW);
    Region r;
    for (int row = 0; row < 10; ++row) {
        for (int col = 0; col < 10; ++col) {
            const int x = kW * col / 10;
            const int y = kH * row / 10;
            r.Combine(Region::FromPolygon({{x, y}, {x + a, y}, {x, y + b}}), CombineMode::Or);
        }
    }
    return r;
}

void BM_PolygonBigTriangle(benchmark::State& state)
{
    for (auto _ : state) {
        Region r = Region::FromPolygon({{kW / 2, kH / 2}, {-200, -600}, {kW + 300, -100}});
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_PolygonBigTriangle)->Unit(benchmark::kMicrosecond);

void BM_PolygonFourTrianglesUnion(benchmark::State& state)
{
    const int cx = kW / 2;
    const int cy = kH / 2;
    for (auto _ : state) {
        Region r = Region::FromPolygon({{0, 0}, {kW, 0}, {cx, cy}});
        r.Combine(Region::FromPolygon({{kW, 0}, {kW, kH}, {cx, cy}}), CombineMode::Or);
        r.Combine(Region::FromPolygon({{kW, kH}, {0, kH}, {cx, cy}}), CombineMode::Or);
        r.Combine(Region::FromPolygon({{0, kH}, {0, 0}, {cx, cy}}), CombineMode::Or);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_PolygonFourTrianglesUnion)->Unit(benchmark::kMicrosecond);

void BM_Union100Triangles(benchmark::State& state)
{
    for (auto _ : state) {
        Region r = Triangles();
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_Union100Triangles)->Unit(benchmark::kMicrosecond);

void BM_Union100TrianglesUnionOf(benchmark::State& state)
{
    const int a = kW / 5;
    const int b = MulDiv(a, kH, kW);
    for (auto _ : state) {
        std::vector<Region> parts;
        parts.reserve(100);
        for (int row = 0; row < 10; ++row) {
            for (int col = 0; col < 10; ++col) {
                const int x = kW * col / 10;
                const int y = kH * row / 10;
                parts.push_back(Region::FromPolygon({{x, y}, {x + a, y}, {x, y + b}}));
            }
        }
        Region r = Region::UnionOf(std::move(parts));
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_Union100TrianglesUnionOf)->Unit(benchmark::kMicrosecond);

void BM_Union200SquaresOneByOne(benchmark::State& state)
{
    const std::vector<Rect> squares = Squares();
    for (auto _ : state) {
        Region r;
        for (const Rect& s : squares) {
            r.Combine(Region::FromRect(s), CombineMode::Or);
        }
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_Union200SquaresOneByOne)->Unit(benchmark::kMicrosecond);

void BM_Union200SquaresFromRects(benchmark::State& state)
{
    const std::vector<Rect> squares = Squares();
    for (auto _ : state) {
        Region r = Region::FromRects(squares);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_Union200SquaresFromRects)->Unit(benchmark::kMicrosecond);

void BM_Union100RoundRects(benchmark::State& state)
{
    // 10 x 10 overlapping rounded cells.
    for (auto _ : state) {
        Region r;
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 10; ++x) {
                const int l = x * kW / 10 - 20;
                const int t = y * kH / 10 - 20;
                r.Combine(Region::FromRoundRect(l, t, l + kW / 10 + 40, t + kH / 10 + 40, 150, 120), CombineMode::Or);
            }
        }
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_Union100RoundRects)->Unit(benchmark::kMicrosecond);

void BM_BigRoundRectArc(benchmark::State& state)
{
    // The arc styles: a rounded rectangle far larger than the picture, ellipse 2H x 2H.
    for (auto _ : state) {
        Region r = Region::FromRoundRect(-5, kH - 2 * 540, kW + 5, 3 * kH, 2 * kH, 2 * kH);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_BigRoundRectArc)->Unit(benchmark::kMicrosecond);

void BM_Union26Lines(benchmark::State& state)
{
    for (auto _ : state) {
        Region r;
        for (int i = 1; i <= 26; ++i) {
            const int z = i + (30 - i) * 26;
            r.Combine(Region::FromRect(z, 0, z + 1, kH), CombineMode::Or);
        }
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_Union26Lines)->Unit(benchmark::kMicrosecond);

void BM_XorRoundRectWithPicture(benchmark::State& state)
{
    for (auto _ : state) {
        Region r = Region::FromRect(0, 0, kW, kH);
        r.Combine(Region::FromRoundRect(300 - kW / 2, 200 - kH / 2, 3 * kW / 2 - 300, 3 * kH / 2 - 200,
                                        (kW - 300) * 9 / 5, (kH - 200) * 9 / 5),
                  CombineMode::Xor);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_XorRoundRectWithPicture)->Unit(benchmark::kMicrosecond);

void BM_CopyFull(benchmark::State& state)
{
    const Bitmap src = Picture(kW, kH);
    Bitmap dst(kW, kH);
    for (auto _ : state) {
        Copy(dst, 0, 0, src);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyFull)->Unit(benchmark::kMicrosecond);

void BM_CopyClippedTriangles(benchmark::State& state)
{
    const Bitmap src = Picture(kW, kH);
    Bitmap dst(kW, kH);
    const Region clip = Triangles();
    state.counters["boxes"] = double(clip.Rects().size());
    for (auto _ : state) {
        CopyClipped(dst, 0, 0, src, clip);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyClippedTriangles)->Unit(benchmark::kMicrosecond);

void BM_CopyClippedChequer(benchmark::State& state)
{
    // Many short spans: a 1080p chequer of 8 x 8 cells.
    const Bitmap src = Picture(kW, kH);
    Bitmap dst(kW, kH);
    std::vector<Rect> cells;
    for (int y = 0; y < kH; y += 8) {
        for (int x = (y / 8) % 2 * 8; x < kW; x += 16) {
            cells.push_back(Rect{x, y, x + 8, y + 8});
        }
    }
    const Region clip = Region::FromRects(cells);
    state.counters["boxes"] = double(clip.Rects().size());
    for (auto _ : state) {
        CopyClipped(dst, 0, 0, src, clip);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyClippedChequer)->Unit(benchmark::kMicrosecond);

void BM_StretchCopyUnscaled(benchmark::State& state)
{
    const Bitmap src = Picture(kW, kH);
    Bitmap dst(kW, kH);
    for (auto _ : state) {
        StretchCopy(dst, dst.Bounds(), src, src.Bounds());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StretchCopyUnscaled)->Unit(benchmark::kMicrosecond);

void BM_StretchCopyUpscaled(benchmark::State& state)
{
    const Bitmap src = Picture(1280, 720);
    Bitmap dst(kW, kH);
    for (auto _ : state) {
        StretchCopy(dst, dst.Bounds(), src, src.Bounds());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StretchCopyUpscaled)->Unit(benchmark::kMicrosecond);

void BM_StretchCopyDownscaled(benchmark::State& state)
{
    const Bitmap src = Picture(2560, 1440);
    Bitmap dst(kW, kH);
    for (auto _ : state) {
        StretchCopy(dst, dst.Bounds(), src, src.Bounds());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StretchCopyDownscaled)->Unit(benchmark::kMicrosecond);

void BM_StretchCopyMirroredStrip(benchmark::State& state)
{
    // The roll styles' mirrored strip: W div 10 columns, flipped.
    const Bitmap src = Picture(kW, kH);
    Bitmap dst(kW, kH);
    const int x = 800;
    const int r = kW / 10;
    for (auto _ : state) {
        StretchCopy(dst, Rect{x + r + 1, 0, x - 1, kH}, src, Rect{x + r, 0, x + 2 * r, kH});
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StretchCopyMirroredStrip)->Unit(benchmark::kMicrosecond);

}  // namespace

// Handing a 4K frame to a window surface: all of it, and the 30 bands of a blinds style at its
// widest (narrow strips down the whole height), against a copy of the same 24-bit pixels.
void BM_WindowSurface4K(benchmark::State& state)
{
    constexpr int kW4 = 3840, kH4 = 2160;
    const Bitmap src = Picture(kW4, kH4);
    std::vector<std::uint32_t> surface(std::size_t(kW4) * kH4);
    const XrgbSurface dst{reinterpret_cast<std::uint8_t*>(surface.data()), std::size_t(kW4) * 4, {0, 0, kW4, kH4}};
    Region clip = Region::FromRect(0, 0, kW4, kH4);
    if (state.range(0) == 1) {
        std::vector<Rect> bands;
        for (int x = 0; x < kW4; x += 128)
            bands.push_back({x, 0, x + 120, kH4});
        clip = Region::FromRects(bands);
    }
    for (auto _ : state) {
        ToXrgb32(dst, 0, 0, src, clip);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_WindowSurface4K)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

// One frame of a moving picture: a 3:2 photo fitted to the screen height, drawn from its source
// prepared for the largest zoom, at a zoom between (sub-pixel offsets), 1080p and 4K.
void BM_BilinearMotionFrame(benchmark::State& state)
{
    const int h = state.range(0) ? 2160 : 1080, w = h * 3 / 2;
    const SampleSource source(Picture(w * 115 / 100, h * 115 / 100));
    Bitmap frame(h * 16 / 9, h);
    const Rect shown{(frame.Width() - w) / 2, 0, (frame.Width() - w) / 2 + w, h};
    const double scale = 1.07;
    for (auto _ : state) {
        DrawBilinear(frame, shown, source, {3.3 - shown.left * scale, scale}, {2.7, scale});
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(w) * h);
}
BENCHMARK(BM_BilinearMotionFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
