#include "imaging/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "base/parallel.h"
#include "imaging/contributors.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QEL_RESAMPLE_X86 1
#endif

namespace qel::imaging {
namespace {

using raster::Bitmap;

// The intermediate picture: 3 bytes a pixel, rows padded so that 16-byte loads past the last pixel
// of a row stay inside the buffer.
struct Plane {
    int width = 0;
    int height = 0;
    size_t stride = 0;
    std::vector<std::uint8_t> data;

    Plane(int w, int h) : width(w), height(h), stride((static_cast<size_t>(w) * 3 + 16 + 15) & ~size_t{15})
    {
        data.assign(stride * static_cast<size_t>(h) + 16, 0);
    }
    std::uint8_t* Row(int y) { return data.data() + stride * static_cast<size_t>(y); }
    const std::uint8_t* Row(int y) const { return data.data() + stride * static_cast<size_t>(y); }
};

inline std::uint8_t ClampByte(int v)
{
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Weights of neighbouring taps packed in pairs (low 16 bits: even tap, high: odd tap), the form the
// multiply-add instructions take; an odd count gets a zero partner.
struct PairedWeights {
    std::vector<int> firstPair;
    std::vector<std::int32_t> pairs;

    explicit PairedWeights(const AxisContributors& c)
    {
        firstPair.resize(c.outputs);
        for (int i = 0; i < c.outputs; ++i) {
            firstPair[i] = static_cast<int>(pairs.size());
            const std::int16_t* w = c.weights.data() + c.first[i];
            for (int k = 0; k < c.count[i]; k += 2) {
                const std::uint16_t lo = static_cast<std::uint16_t>(w[k]);
                const std::uint16_t hi = k + 1 < c.count[i] ? static_cast<std::uint16_t>(w[k + 1]) : 0;
                pairs.push_back(
                    static_cast<std::int32_t>(static_cast<std::uint32_t>(lo) | (static_cast<std::uint32_t>(hi) << 16)));
            }
        }
    }
};

// One source row with its mirrored margins, so that every output pixel reads contiguous taps.
class ExtendedRow {
public:
    explicit ExtendedRow(const AxisContributors& c) : c_(c)
    {
        const size_t pixels = static_cast<size_t>(c.reachBefore) + c.length + c.reachAfter + 2;
        buffer_.assign(pixels * 3 + 32, 0);
    }
    const std::uint8_t* Fill(const std::uint8_t* src)
    {
        std::uint8_t* out = buffer_.data();
        for (int e = 0; e < c_.reachBefore; ++e)
            std::memcpy(out + 3 * e, src + 3 * MirrorIndex(e - c_.reachBefore, c_.length), 3);
        std::memcpy(out + 3 * static_cast<size_t>(c_.reachBefore), src, 3 * static_cast<size_t>(c_.length));
        std::uint8_t* after = out + 3 * (static_cast<size_t>(c_.reachBefore) + c_.length);
        for (int e = 0; e < c_.reachAfter; ++e)
            std::memcpy(after + 3 * e, src + 3 * MirrorIndex(c_.length + e, c_.length), 3);
        return out;
    }

private:
    const AxisContributors& c_;
    std::vector<std::uint8_t> buffer_;
};

void HorizontalRowsScalar(const Bitmap& src, const AxisContributors& cx, Plane& inter, int y0, int y1)
{
    ExtendedRow ext(cx);
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* row = ext.Fill(src.Scanline(y));
        std::uint8_t* out = inter.Row(y);
        for (int x = 0; x < cx.outputs; ++x) {
            const std::uint8_t* p = row + 3 * static_cast<size_t>(cx.left[x] + cx.reachBefore);
            const std::int16_t* w = cx.weights.data() + cx.first[x];
            int b = 0, g = 0, r = 0;
            for (int k = 0; k < cx.count[x]; ++k) {
                b += w[k] * p[3 * k];
                g += w[k] * p[3 * k + 1];
                r += w[k] * p[3 * k + 2];
            }
            const int ws = cx.weightSum[x];
            out[3 * x] = ClampByte(b / ws);
            out[3 * x + 1] = ClampByte(g / ws);
            out[3 * x + 2] = ClampByte(r / ws);
        }
    }
}

void VerticalRowsScalar(const Plane& inter, const AxisContributors& cy, Bitmap& dst, int y0, int y1)
{
    const int bytes = inter.width * 3;
    std::vector<const std::uint8_t*> rows(static_cast<size_t>(cy.maxCount));
    for (int y = y0; y < y1; ++y) {
        const int n = cy.count[y];
        for (int k = 0; k < n; ++k)
            rows[k] = inter.Row(MirrorIndex(cy.left[y] + k, cy.length));
        const std::int16_t* w = cy.weights.data() + cy.first[y];
        const int ws = cy.weightSum[y];
        std::uint8_t* out = dst.Scanline(y);
        for (int i = 0; i < bytes; ++i) {
            int sum = 0;
            for (int k = 0; k < n; ++k)
                sum += w[k] * rows[k][i];
            out[i] = ClampByte(sum / ws);
        }
    }
}

#ifdef QEL_RESAMPLE_X86
// Division by the weight sum in single precision, truncated: exact here, because sums stay far
// below 2^24 and a quotient that is not a whole number lies at least 1/ws away from the next one,
// more than the rounding error of one division. The saturating packs then clamp to 0..255.
__attribute__((target("ssse3"))) void HorizontalRowsSsse3(const Bitmap& src, const AxisContributors& cx,
                                                          const PairedWeights& pw, Plane& inter, int y0, int y1)
{
    ExtendedRow ext(cx);
    const __m128i taps01 = _mm_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1);
    const __m128i taps23 = _mm_setr_epi8(6, -1, 9, -1, 7, -1, 10, -1, 8, -1, 11, -1, -1, -1, -1, -1);
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* row = ext.Fill(src.Scanline(y));
        std::uint8_t* out = inter.Row(y);
        for (int x = 0; x < cx.outputs; ++x) {
            const std::uint8_t* p = row + 3 * static_cast<size_t>(cx.left[x] + cx.reachBefore);
            const std::int32_t* w = pw.pairs.data() + pw.firstPair[x];
            const int pairs = (cx.count[x] + 1) / 2;
            __m128i acc = _mm_setzero_si128();
            int k = 0;
            for (; k + 1 < pairs; k += 2) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 6 * k));
                acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_shuffle_epi8(v, taps01), _mm_set1_epi32(w[k])));
                acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_shuffle_epi8(v, taps23), _mm_set1_epi32(w[k + 1])));
            }
            if (k < pairs) {
                const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 6 * k));
                acc = _mm_add_epi32(acc, _mm_madd_epi16(_mm_shuffle_epi8(v, taps01), _mm_set1_epi32(w[k])));
            }
            const __m128 q = _mm_div_ps(_mm_cvtepi32_ps(acc), _mm_set1_ps(static_cast<float>(cx.weightSum[x])));
            __m128i r = _mm_cvttps_epi32(q);
            r = _mm_packs_epi32(r, r);
            r = _mm_packus_epi16(r, r);
            const std::uint32_t bgr = static_cast<std::uint32_t>(_mm_cvtsi128_si32(r));
            std::memcpy(out + 3 * static_cast<size_t>(x), &bgr, 4);  // the plane's padding takes the 4th byte
        }
    }
}

void VerticalRowsSse2(const Plane& inter, const AxisContributors& cy, const PairedWeights& pw, Bitmap& dst, int y0,
                      int y1)
{
    const int bytes = inter.width * 3;
    const int chunks = (bytes + 15) / 16;
    std::vector<std::uint8_t> line(static_cast<size_t>(chunks) * 16);
    std::vector<const std::uint8_t*> rows(static_cast<size_t>(cy.maxCount) + 1);
    const std::vector<std::uint8_t> zeros(inter.stride, 0);
    const __m128i z = _mm_setzero_si128();
    for (int y = y0; y < y1; ++y) {
        const int n = cy.count[y];
        for (int k = 0; k < n; ++k)
            rows[k] = inter.Row(MirrorIndex(cy.left[y] + k, cy.length));
        rows[n] = zeros.data();
        const std::int32_t* w = pw.pairs.data() + pw.firstPair[y];
        const int pairs = (n + 1) / 2;
        const __m128 ws = _mm_set1_ps(static_cast<float>(cy.weightSum[y]));
        for (int c = 0; c < chunks; ++c) {
            const size_t i = static_cast<size_t>(c) * 16;
            __m128i acc0 = z, acc1 = z, acc2 = z, acc3 = z;
            for (int k = 0; k < pairs; ++k) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * k] + i));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * k + 1] + i));
                const __m128i wv = _mm_set1_epi32(w[k]);
                const __m128i alo = _mm_unpacklo_epi8(a, z), ahi = _mm_unpackhi_epi8(a, z);
                const __m128i blo = _mm_unpacklo_epi8(b, z), bhi = _mm_unpackhi_epi8(b, z);
                acc0 = _mm_add_epi32(acc0, _mm_madd_epi16(_mm_unpacklo_epi16(alo, blo), wv));
                acc1 = _mm_add_epi32(acc1, _mm_madd_epi16(_mm_unpackhi_epi16(alo, blo), wv));
                acc2 = _mm_add_epi32(acc2, _mm_madd_epi16(_mm_unpacklo_epi16(ahi, bhi), wv));
                acc3 = _mm_add_epi32(acc3, _mm_madd_epi16(_mm_unpackhi_epi16(ahi, bhi), wv));
            }
            const __m128i r0 = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(acc0), ws));
            const __m128i r1 = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(acc1), ws));
            const __m128i r2 = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(acc2), ws));
            const __m128i r3 = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(acc3), ws));
            const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(r0, r1), _mm_packs_epi32(r2, r3));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(line.data() + i), packed);
        }
        std::memcpy(dst.Scanline(y), line.data(), static_cast<size_t>(bytes));
    }
}

bool HaveSsse3()
{
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

int ThreadsFor(long long work, int requested)
{
    if (requested > 0)
        return requested;
    // Below a few million multiply-adds a thread costs more than it saves.
    if (work < 4'000'000)
        return 1;
    const unsigned hw = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(hw == 0 ? 1u : hw, 1u, 8u));
}

}  // namespace

namespace detail {

void ResampleBitmapWith(FilterKernel kernel, const Bitmap& source, Bitmap& destination, float radius, bool allowSimd,
                        int threads)
{
    if (destination.IsEmpty())
        return;
    if (source.IsEmpty())
        throw std::invalid_argument("cannot resample an empty picture");
    const int sw = source.Width(), sh = source.Height();
    const int dw = destination.Width(), dh = destination.Height();

    const AxisContributors cx = BuildContributors(dw, sw, kernel, radius);
    Plane inter(dw, sh);
    const AxisContributors cy = BuildContributors(dh, sh, kernel, radius);

    bool simd = false;
#ifdef QEL_RESAMPLE_X86
    simd = allowSimd && HaveSsse3();
#else
    (void)allowSimd;
#endif
    const long long hWork = static_cast<long long>(sh) * static_cast<long long>(cx.weights.size());
    const long long vWork = static_cast<long long>(dw) * static_cast<long long>(cy.weights.size());

    if (simd) {
#ifdef QEL_RESAMPLE_X86
        const PairedWeights px(cx), py(cy);
        base::ParallelRanges(sh, ThreadsFor(hWork, threads),
                             [&](int b, int e) { HorizontalRowsSsse3(source, cx, px, inter, b, e); });
        base::ParallelRanges(dh, ThreadsFor(vWork, threads),
                             [&](int b, int e) { VerticalRowsSse2(inter, cy, py, destination, b, e); });
#endif
    } else {
        base::ParallelRanges(sh, ThreadsFor(hWork, threads),
                             [&](int b, int e) { HorizontalRowsScalar(source, cx, inter, b, e); });
        base::ParallelRanges(dh, ThreadsFor(vWork, threads),
                             [&](int b, int e) { VerticalRowsScalar(inter, cy, destination, b, e); });
    }
}

}  // namespace detail

void ResampleBitmap(FilterKernel kernel, const Bitmap& source, Bitmap& destination, float radius)
{
    detail::ResampleBitmapWith(kernel, source, destination, radius, true, 0);
}

void ScaleBitmap(int newWidth, int newHeight, int filterIndex, Bitmap& bitmap, float support)
{
    if (filterIndex < 0 || filterIndex >= kFilterCount)
        throw std::invalid_argument("filter number " + std::to_string(filterIndex) + " is not between 0 and " +
                                    std::to_string(kFilterCount - 1));
    if (!(support >= 0.0f && support <= 100.0f))
        throw std::invalid_argument("filter support must be between 0 and 100");
    if (newWidth < 1 || newHeight < 1)
        throw std::invalid_argument("cannot scale a picture to " + std::to_string(newWidth) + "x" +
                                    std::to_string(newHeight));
    if (bitmap.IsEmpty())
        throw std::invalid_argument("cannot scale an empty picture");
    const ResampleFilter& filter = Filter(filterIndex);
    // Every kernel of the table is 0 beyond its own support, so a larger radius would only add taps
    // of weight 0 (and time): the result is the same with the radius cut there.
    const float radius = support == 0.0f ? filter.support : std::min(support, filter.support);
    Bitmap destination(newWidth, newHeight);
    ResampleBitmap(filter.kernel, bitmap, destination, radius);
    bitmap = std::move(destination);
}

}  // namespace qel::imaging
