// Properties of the resampler over every filter, checked against a plain reading of the algorithm:
// sparse contributor lists of mirrored indices, three channel buffers, a column-by-column vertical
// pass and integer division. The fast path (vector instructions, threads) must give the same bytes.

#include <cmath>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/contributors.h"
#include "imaging/filters.h"
#include "imaging/picturewriter.h"
#include "imaging/resample.h"

namespace qel::imaging {
namespace {

using raster::Bitmap;

struct Tap {
    int index;
    int weight;
};

std::vector<std::vector<Tap>> ReferenceContributors(int n, int length, FilterKernel f, float radius)
{
    float scale = length == 1 ? static_cast<float>(n) / static_cast<float>(length)
                              : static_cast<float>(n - 1) / static_cast<float>(length - 1);
    float single = -1.0f;
    if (n == 1 && length > 1) {  // the whole source, centred
        scale = 1.0f / static_cast<float>(length);
        single = static_cast<float>(length - 1) / 2.0f;
    }
    const float w = scale < 1.0f ? radius / scale : radius;
    std::vector<std::vector<Tap>> lists(n);
    for (int i = 0; i < n; ++i) {
        const float centre = single >= 0.0f ? single : static_cast<float>(i) / scale;
        std::vector<Tap> all;
        int sum = 0;
        for (int j = static_cast<int>(std::floor(centre - w)); j <= static_cast<int>(std::ceil(centre + w)); ++j) {
            const float x = scale < 1.0f ? (centre - static_cast<float>(j)) * scale : centre - static_cast<float>(j);
            const int weight = static_cast<int>(std::nearbyint(scale < 1.0f ? f(x) * scale * 256.0f : f(x) * 256.0f));
            int k = j < 0 ? -j : j;
            if (k >= length)
                k = 2 * length - k - 1;
            k = std::clamp(k, 0, length - 1);
            all.push_back({k, weight});
            sum += weight;
        }
        if (sum == 0) {  // weights all rounded away: even average under the kernel's positive part
            for (int j = static_cast<int>(std::floor(centre - w)), t = 0; t < static_cast<int>(all.size()); ++j, ++t) {
                const float x =
                    scale < 1.0f ? (centre - static_cast<float>(j)) * scale : centre - static_cast<float>(j);
                all[t].weight = f(x) > 0.0f ? 1 : 0;
            }
        }
        for (const Tap& t : all)
            if (t.weight != 0)
                lists[i].push_back(t);
    }
    return lists;
}

std::uint8_t Clamp(int v)
{
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

void ApplyTaps(const std::vector<Tap>& taps, const std::vector<int>& r, const std::vector<int>& g,
               const std::vector<int>& b, std::uint8_t* out)
{
    int sr = 0, sg = 0, sb = 0, ws = 0;
    for (const Tap& t : taps) {
        sr += r[t.index] * t.weight;
        sg += g[t.index] * t.weight;
        sb += b[t.index] * t.weight;
        ws += t.weight;
    }
    out[0] = Clamp(sb / ws);
    out[1] = Clamp(sg / ws);
    out[2] = Clamp(sr / ws);
}

Bitmap ReferenceScale(const Bitmap& src, int dw, int dh, int filter)
{
    const ResampleFilter& f = Filter(filter);
    const int sw = src.Width(), sh = src.Height();
    Bitmap mid(dw, sh), dst(dw, dh);
    const auto cx = ReferenceContributors(dw, sw, f.kernel, f.support);
    std::vector<int> r(std::max(sw, sh)), g(r.size()), b(r.size());
    for (int y = 0; y < sh; ++y) {
        for (int x = 0; x < sw; ++x) {
            b[x] = src.Scanline(y)[3 * x];
            g[x] = src.Scanline(y)[3 * x + 1];
            r[x] = src.Scanline(y)[3 * x + 2];
        }
        for (int x = 0; x < dw; ++x)
            ApplyTaps(cx[x], r, g, b, mid.Scanline(y) + 3 * x);
    }
    const auto cy = ReferenceContributors(dh, sh, f.kernel, f.support);
    for (int x = 0; x < dw; ++x) {
        for (int y = 0; y < sh; ++y) {
            b[y] = mid.Scanline(y)[3 * x];
            g[y] = mid.Scanline(y)[3 * x + 1];
            r[y] = mid.Scanline(y)[3 * x + 2];
        }
        for (int y = 0; y < dh; ++y)
            ApplyTaps(cy[y], r, g, b, dst.Scanline(y) + 3 * x);
    }
    return dst;
}

Bitmap Noise(int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    Bitmap bmp(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 3 * w; ++x)
            bmp.Scanline(y)[x] = static_cast<std::uint8_t>(rng() & 0xFF);
    return bmp;
}

// The rows given to the resampler in uneven groups, the result drawn at (3, 2) on a larger bitmap.
Bitmap ScaledAsRowsArrive(const Bitmap& src, int w, int h, int filter, bool simd)
{
    const auto blank = [w, h] {
        Bitmap b(w + 5, h + 4);
        b.Fill(0x00ABCDEF);
        return b;
    };
    ArrivingRowsResampler r(Filter(filter).kernel, Filter(filter).support, src.Width(), src.Height(), blank,
                            {3, 2, 3 + w, 2 + h}, simd);
    r.Start(src.Scanline(0), static_cast<std::size_t>(src.Stride()));
    for (int rows = 1; rows < src.Height(); rows += rows % 7 + 1)
        r.RowsArrived(rows);
    r.RowsArrived(src.Height());
    const Bitmap canvas = *r.Finish();
    Bitmap dst(w, h);
    for (int y = 0; y < h + 4; ++y)
        for (int x = 0; x < w + 5; ++x) {
            if (x >= 3 && x < 3 + w && y >= 2 && y < 2 + h)
                dst.SetPixel(x - 3, y - 2, canvas.Pixel(x, y));
            else if (canvas.Pixel(x, y) != 0x00ABCDEF)
                ADD_FAILURE() << "pixel " << x << "," << y << " outside the place was drawn";
        }
    return dst;
}

Bitmap Scaled(const Bitmap& src, int w, int h, int filter, bool simd, int threads)
{
    Bitmap dst(w, h);
    detail::ResampleBitmapWith(Filter(filter).kernel, src, dst, Filter(filter).support, simd, threads);
    return dst;
}

struct Case {
    int sw, sh, dw, dh;
};
const Case kCases[] = {{1, 1, 1, 1},     {1, 1, 5, 3},       {1, 7, 4, 3},       {7, 1, 3, 9},
                       {2, 2, 2, 2},     {2, 2, 7, 5},       {2, 2, 1, 1},       {13, 11, 1, 1},
                       {33, 17, 16, 8},  {17, 33, 40, 70},   {64, 48, 21, 7},    {5, 40, 3, 200},
                       {300, 200, 7, 5}, {100, 80, 101, 79}, {23, 500, 17, 190}, {9, 300, 5, 700}};

// Every filter, every shape: the scalar path, the vector path, several threads and rows arriving
// in groups give exactly the bytes of the plain reading.
TEST(Resample, MatchesThePlainAlgorithmByteForByte)
{
    unsigned seed = 1;
    for (int filter = 0; filter < kFilterCount; ++filter) {
        for (const Case& c : kCases) {
            SCOPED_TRACE(testing::Message()
                         << "filter " << filter << " " << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh);
            const Bitmap src = Noise(c.sw, c.sh, seed++);
            const Bitmap expected = ReferenceScale(src, c.dw, c.dh, filter);
            EXPECT_TRUE(Scaled(src, c.dw, c.dh, filter, false, 1) == expected);
            EXPECT_TRUE(Scaled(src, c.dw, c.dh, filter, true, 1) == expected);
            EXPECT_TRUE(Scaled(src, c.dw, c.dh, filter, true, 3) == expected);
            EXPECT_TRUE(ScaledAsRowsArrive(src, c.dw, c.dh, filter, false) == expected);
            EXPECT_TRUE(ScaledAsRowsArrive(src, c.dw, c.dh, filter, true) == expected);
            Bitmap viaScale = src;
            ScaleBitmap(c.dw, c.dh, filter, viaScale);
            EXPECT_TRUE(viaScale == expected);
        }
    }
}

// A uniform picture stays exactly uniform: the weights are normalised by their actual sum.
TEST(Resample, ConstantPictureStaysConstant)
{
    const raster::Color grey = 0x00806A3C;
    for (int filter = 0; filter < kFilterCount; ++filter) {
        for (const Case& c : kCases) {
            Bitmap bmp(c.sw, c.sh);
            bmp.Fill(grey);
            ScaleBitmap(c.dw, c.dh, filter, bmp);
            ASSERT_EQ(bmp.Width(), c.dw);
            ASSERT_EQ(bmp.Height(), c.dh);
            for (int y = 0; y < c.dh; ++y)
                for (int x = 0; x < c.dw; ++x)
                    ASSERT_EQ(bmp.Pixel(x, y), grey) << "filter " << filter << " at " << x << "," << y;
        }
    }
}

TEST(Resample, BoxAtTheSameSizeReproducesThePicture)
{
    const Bitmap src = Noise(37, 23, 7);
    Bitmap bmp = src;
    ScaleBitmap(37, 23, 0, bmp);
    EXPECT_TRUE(bmp == src);
}

// Halving with Lanczos-3: radius 6 source pixels, about 12 taps a pixel.
TEST(Resample, HalvingWithLanczosSpreadsOverTwelvePixels)
{
    const AxisContributors c = BuildContributors(50, 99, &Lanczos3Kernel, 3.0f);
    for (int i = 5; i < 45; ++i) {
        EXPECT_GE(c.count[i], 11);
        EXPECT_LE(c.count[i], 13);
        EXPECT_EQ(c.left[i], 2 * i - 5);
    }
}

// A hard black/white edge overshoots with Lanczos; the clamp keeps it at 0 and 255 instead of
// wrapping round.
TEST(Resample, LanczosOvershootIsClamped)
{
    Bitmap bmp(40, 4);
    bmp.Fill(raster::Rect{20, 0, 40, 4}, 0x00FFFFFF);
    ScaleBitmap(97, 4, kLanczos3, bmp);
    int darkest = 255, brightest = 0;
    for (int x = 0; x < 97; ++x) {
        const int v = bmp.Scanline(1)[3 * x];
        if (x < 40)
            darkest = std::min(darkest, v);
        if (x > 57)
            brightest = std::max(brightest, v);
    }
    EXPECT_EQ(darkest, 0);
    EXPECT_EQ(brightest, 255);
    EXPECT_EQ(bmp.Pixel(0, 0), 0u);
    EXPECT_EQ(bmp.Pixel(96, 3), 0x00FFFFFFu);
}

// Reductions far beyond 1:500 would round every weight to 0 and give black; they give the average.
TEST(Resample, ExtremeReductionIsNotBlack)
{
    for (int filter = 0; filter < kFilterCount; ++filter) {
        Bitmap bmp(3000, 2);
        bmp.Fill(0x00646464);
        ScaleBitmap(2, 1, filter, bmp);
        EXPECT_EQ(bmp.Pixel(0, 0), 0x00646464u) << "filter " << filter;
        EXPECT_EQ(bmp.Pixel(1, 0), 0x00646464u) << "filter " << filter;
    }
}

TEST(Resample, MeanHardlyMoves)
{
    const Bitmap src = Noise(120, 90, 3);
    auto mean = [](const Bitmap& b) {
        double s = 0;
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < 3 * b.Width(); ++x)
                s += b.Scanline(y)[x];
        return s / (3.0 * b.Width() * b.Height());
    };
    for (int filter = 0; filter < kFilterCount; ++filter) {
        Bitmap down = src, up = src;
        ScaleBitmap(47, 33, filter, down);
        ScaleBitmap(250, 201, filter, up);
        EXPECT_NEAR(mean(down), mean(src), 2.0) << "filter " << filter;
        EXPECT_NEAR(mean(up), mean(src), 2.0) << "filter " << filter;
    }
}

// A radius beyond the kernel's own support changes nothing (the kernels are 0 out there).
TEST(Resample, RadiusBeyondTheKernelChangesNothing)
{
    const Bitmap src = Noise(50, 30, 11);
    for (int filter = 0; filter < kFilterCount; ++filter) {
        Bitmap own = src, wide = src;
        ScaleBitmap(17, 45, filter, own);
        ScaleBitmap(17, 45, filter, wide, 100.0f);
        EXPECT_TRUE(own == wide) << "filter " << filter;
        EXPECT_TRUE(Scaled(src, 17, 45, filter, true, 1) == own);
    }
    Bitmap wideRadius(17, 45);
    detail::ResampleBitmapWith(Filter(kLanczos3).kernel, src, wideRadius, 7.5f, true, 1);
    Bitmap own = src;
    ScaleBitmap(17, 45, kLanczos3, own);
    EXPECT_TRUE(wideRadius == own);
}

TEST(Resample, BadArgumentsLeaveTheBitmapAlone)
{
    const Bitmap src = Noise(5, 4, 9);
    Bitmap bmp = src;
    EXPECT_THROW(ScaleBitmap(3, 3, 7, bmp), std::invalid_argument);
    EXPECT_THROW(ScaleBitmap(3, 3, -1, bmp), std::invalid_argument);
    EXPECT_THROW(ScaleBitmap(0, 3, 5, bmp), std::invalid_argument);
    EXPECT_THROW(ScaleBitmap(3, 3, 5, bmp, -1.0f), std::invalid_argument);
    EXPECT_THROW(ScaleBitmap(3, 3, 5, bmp, NAN), std::invalid_argument);
    EXPECT_TRUE(bmp == src);
    Bitmap empty;
    EXPECT_THROW(ScaleBitmap(3, 3, 5, empty), std::invalid_argument);
}

std::uint64_t Fnv(const std::vector<std::uint8_t>& bytes)
{
    std::uint64_t h = 1469598103934665603ULL;
    for (std::uint8_t b : bytes)
        h = (h ^ b) * 1099511628211ULL;
    return h;
}

// The output is a contract: these bytes must never change.
TEST(Resample, PinnedOutputs)
{
    Bitmap gradient(6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            gradient.SetPixel(x, y,
                              static_cast<raster::Color>((x * 50) | ((y * 80) << 8) | (((x * y * 13) & 0xFF) << 16)));
    Bitmap lanczosUp = gradient;
    ScaleBitmap(9, 5, kLanczos3, lanczosUp);
    const std::vector<std::uint8_t> row0 = {0, 0, 0, 0, 0, 24, 0, 0, 64};
    EXPECT_EQ(std::vector<std::uint8_t>(lanczosUp.Scanline(0), lanczosUp.Scanline(0) + 9), row0);
    EXPECT_EQ(Fnv(EncodeBmp(lanczosUp)), 12641353062385380272ULL);

    Bitmap mitchellDown = gradient;
    ScaleBitmap(4, 3, 6, mitchellDown, 1.5f);
    EXPECT_EQ(Fnv(EncodeBmp(mitchellDown)), 15538306773437578488ULL);

    Bitmap bellOdd = Noise(11, 7, 42);
    ScaleBitmap(5, 13, 3, bellOdd);
    EXPECT_EQ(Fnv(EncodeBmp(bellOdd)), 4580974087736519419ULL);
}

}  // namespace
}  // namespace qel::imaging
