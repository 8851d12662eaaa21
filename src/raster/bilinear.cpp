#include "bilinear.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QEL_BILINEAR_X86 1
#endif

namespace qel::raster {
namespace {

constexpr int kWeightBits = 8;
constexpr int kWeightOne = 1 << kWeightBits;
constexpr unsigned kHalf = 1u << (kWeightBits - 1);

// Where one destination column or row reads: the first of its two source pixels and the weight
// of the second, in 1/256.
struct Tap {
    int first;
    int weight;
};

Tap TapAt(double s, int size)
{
    s = std::clamp(s, 0.0, double(size - 1));
    int first = static_cast<int>(s);
    int weight = static_cast<int>(std::lround((s - first) * kWeightOne));
    if (weight == kWeightOne) {
        ++first;
        weight = 0;
    }
    return {std::min(first, size - 1), first >= size - 1 ? 0 : weight};
}

// Two source rows blended down, byte by byte (16-bit sums: the weights add up to 256).
__attribute__((target_clones("avx2", "default"))) void BlendDown(const std::uint8_t* __restrict upper,
                                                                 const std::uint8_t* __restrict lower, unsigned weight,
                                                                 std::uint8_t* __restrict out, std::size_t n)
{
    const unsigned keep = kWeightOne - weight;
    for (std::size_t i = 0; i < n; ++i)
        out[i] = std::uint8_t((std::uint16_t(upper[i] * keep + lower[i] * weight + kHalf)) >> kWeightBits);
}

// The weights of destination column i: four lanes for the pixel at byte offsets[i] of the row, four
// for its right-hand neighbour (blue, green, red, unused).
constexpr int kLanes = 8;

// One blended row blended across into blue, green, red bytes (Xrgb: and an opaque fourth byte, as
// window surfaces take them).
template <bool Xrgb>
void AcrossScalar(const std::uint8_t* row, const int* offsets, const std::uint16_t* weights, std::uint8_t* out, int n)
{
    constexpr int kStep = Xrgb ? 4 : kBytesPerPixel;
    for (int i = 0; i < n; ++i, out += kStep) {
        const std::uint8_t* p = row + offsets[i];
        const unsigned v = weights[kLanes * i], w = weights[kLanes * i + 4];
        for (int c = 0; c < kBytesPerPixel; ++c)
            out[c] = std::uint8_t((p[c] * v + p[c + 4] * w + kHalf) >> kWeightBits);
        if constexpr (Xrgb)
            out[3] = 0xFF;
    }
}

#ifdef QEL_BILINEAR_X86
// Four destination pixels at a time: each pair of source pixels is widened to 16-bit lanes and
// weighed in one multiplication, the two halves added; the four results are packed to twelve
// bytes. The last (up to seven) pixels go one by one, so nothing is written past the row.
template <bool Xrgb>
__attribute__((target("ssse3"))) void AcrossSsse3(const std::uint8_t* row, const int* offsets,
                                                  const std::uint16_t* weights, std::uint8_t* out, int n)
{
    constexpr int kStep = Xrgb ? 4 : kBytesPerPixel;
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(static_cast<short>(kHalf));
    const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const auto pairWeights = [&](int i) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + std::ptrdiff_t(kLanes) * i));
    };
    const auto two = [&](int i) {
        const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + offsets[i]));
        const __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + offsets[i + 1]));
        const __m128i wa = _mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), pairWeights(i));
        const __m128i wb = _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), pairWeights(i + 1));
        const __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(wa, wb), _mm_unpackhi_epi64(wa, wb));
        return _mm_srli_epi16(_mm_add_epi16(sum, half), kWeightBits);
    };
    int i = 0;
    for (; i + 8 <= n; i += 4, out += 4 * kStep) {
        const __m128i bytes = _mm_packus_epi16(two(i), two(i + 2));
        if constexpr (Xrgb) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(bytes, opaque));
        } else {
            // Sixteen bytes stored, twelve of them this group's: the rest is rewritten next.
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(bytes, pack));
        }
    }
    AcrossScalar<Xrgb>(row, offsets + i, weights + std::ptrdiff_t(kLanes) * i, out, n - i);
}

bool HaveSsse3()
{
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

}  // namespace

SampleSource::SampleSource(const Bitmap& picture)
    : width_(picture.Width()), height_(picture.Height()),
      pixels_(picture.IsEmpty() ? 0 : std::size_t(picture.Height()) * std::size_t(picture.Width() + 1) * 4)
{
    if (picture.IsEmpty()) {
        width_ = height_ = 0;
        return;
    }
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* s = picture.Scanline(y);
        std::uint8_t* d = pixels_.data() + std::size_t(y) * RowBytes();
        for (int x = 0; x < width_; ++x, s += kBytesPerPixel, d += 4) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
            d[3] = 0;
        }
        std::memcpy(d, d - 4, 4);
    }
}

namespace {

// Draws the rows of `area` (destination coordinates, already clipped) through the mapping;
// row(y) is where destination row y's first pixel (at area.left) is written.
template <bool Xrgb, typename RowAt>
void Draw(const Rect& area, const SampleSource& src, const AxisMap& x, const AxisMap& y, RowAt row)
{
    const int n = area.Width();
    std::vector<int> offsets(static_cast<std::size_t>(n));
    std::vector<std::uint16_t> weights(static_cast<std::size_t>(n) * kLanes);
    int firstColumn = src.Width(), lastColumn = 0;
    for (int i = 0; i < n; ++i) {
        const Tap t = TapAt(x.offset + x.scale * (area.left + i), src.Width());
        firstColumn = std::min(firstColumn, t.first);
        lastColumn = std::max(lastColumn, t.first + 1);
        offsets[static_cast<std::size_t>(i)] = t.first;
        std::fill_n(weights.begin() + std::ptrdiff_t(kLanes) * i, 4, std::uint16_t(kWeightOne - t.weight));
        std::fill_n(weights.begin() + std::ptrdiff_t(kLanes) * i + 4, 4, std::uint16_t(t.weight));
    }
    // Only the columns the destination reads are blended down, into a row of their own.
    for (int& o : offsets)
        o = (o - firstColumn) * 4;
    const std::size_t spanBytes = std::size_t(lastColumn - firstColumn + 1) * 4;
    // Room past the span: the wide loads read eight bytes from the last pixel's offset.
    std::vector<std::uint8_t> blended(spanBytes + 8);

    auto across = AcrossScalar<Xrgb>;
#ifdef QEL_BILINEAR_X86
    if (HaveSsse3())
        across = AcrossSsse3<Xrgb>;
#endif
    for (int dy = area.top; dy < area.bottom; ++dy) {
        const Tap t = TapAt(y.offset + y.scale * dy, src.Height());
        const std::uint8_t* upper = src.Row(t.first) + std::size_t(firstColumn) * 4;
        if (t.weight == 0) {
            std::memcpy(blended.data(), upper, spanBytes);
        } else {
            const std::uint8_t* lower = src.Row(t.first + 1) + std::size_t(firstColumn) * 4;
            BlendDown(upper, lower, unsigned(t.weight), blended.data(), spanBytes);
        }
        across(blended.data(), offsets.data(), weights.data(), row(dy), n);
    }
}

}  // namespace

void DrawBilinear(Bitmap& dst, const Rect& areaIn, const SampleSource& src, const AxisMap& x, const AxisMap& y)
{
    const Rect area = areaIn.Intersect(dst.Bounds());
    if (area.IsEmpty() || src.IsEmpty())
        return;
    Draw<false>(area, src, x, y, [&](int dy) { return dst.Scanline(dy) + std::size_t(area.left) * kBytesPerPixel; });
}

void DrawBilinear(const XrgbSurface& dst, int dx, int dy, const Rect& areaIn, const SampleSource& src, const AxisMap& x,
                  const AxisMap& y)
{
    const Rect area = areaIn.Intersect(dst.bounds.Offset(-dx, -dy));
    if (area.IsEmpty() || src.IsEmpty())
        return;
    Draw<true>(area, src, x, y, [&](int row) {
        return dst.origin + std::ptrdiff_t(row + dy) * std::ptrdiff_t(dst.stride) + std::ptrdiff_t(area.left + dx) * 4;
    });
}

namespace {

// Lays the overlay's part `r` over the destination rows rowAt(y) gives (each at r.left), `step` bytes
// a pixel there. Nothing when the overlay holds fewer pixels than its box says.
template <typename RowAt> void BlendRows(const Overlay& overlay, const Rect& r, int step, RowAt rowAt)
{
    if (r.IsEmpty() || overlay.pixels.size() < std::size_t(overlay.box.Width()) * overlay.box.Height() * 4)
        return;
    for (int yy = r.top; yy < r.bottom; ++yy) {
        const std::uint8_t* o =
            overlay.pixels.data() +
            (std::size_t(yy - overlay.box.top) * overlay.box.Width() + (r.left - overlay.box.left)) * 4;
        std::uint8_t* d = rowAt(yy);
        for (int xx = r.left; xx < r.right; ++xx, o += 4, d += step) {
            const unsigned through = o[3];
            for (int c = 0; c < 3; ++c)
                d[c] = std::uint8_t(std::min(255u, o[c] + (d[c] * through + 127) / 255));
        }
    }
}

}  // namespace

void BlendOverlay(Bitmap& dst, const Overlay& overlay, const Rect& clip)
{
    const Rect r = overlay.box.Intersect(clip).Intersect(dst.Bounds());
    BlendRows(overlay, r, kBytesPerPixel,
              [&](int y) { return dst.Scanline(y) + std::size_t(r.left) * kBytesPerPixel; });
}

void BlendOverlay(const XrgbSurface& dst, int dx, int dy, const Overlay& overlay, const Rect& clip)
{
    const Rect r = overlay.box.Intersect(clip).Intersect(dst.bounds.Offset(-dx, -dy));
    BlendRows(overlay, r, 4, [&](int y) {
        return dst.origin + std::ptrdiff_t(y + dy) * std::ptrdiff_t(dst.stride) + std::ptrdiff_t(r.left + dx) * 4;
    });
}

}  // namespace qel::raster
