#include "bilinear.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace qel::raster {
namespace {

constexpr int kWeightBits = 8;
constexpr int kWeightOne = 1 << kWeightBits;

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
    if (first >= size - 1) {
        first = size - 1;
        weight = 0;
    }
    return {first, weight};
}

// One source row blended across: three 16-bit sums a destination pixel (weights of 256 in all).
__attribute__((target_clones("avx2", "default"))) void BlendAcross(const std::uint8_t* __restrict row,
                                                                   const int* __restrict offsets,
                                                                   const std::uint16_t* __restrict weights,
                                                                   std::uint16_t* __restrict out, int n)
{
    for (int i = 0; i < n; ++i) {
        const std::uint8_t* p = row + offsets[i];
        const unsigned w = weights[i], v = kWeightOne - w;
        out[3 * i] = std::uint16_t(p[0] * v + p[3] * w);
        out[3 * i + 1] = std::uint16_t(p[1] * v + p[4] * w);
        out[3 * i + 2] = std::uint16_t(p[2] * v + p[5] * w);
    }
}

// Two blended rows blended down into destination bytes.
__attribute__((target_clones("avx2", "default"))) void BlendDown(const std::uint16_t* __restrict upper,
                                                                 const std::uint16_t* __restrict lower, unsigned weight,
                                                                 std::uint8_t* __restrict out, int n)
{
    const unsigned keep = kWeightOne - weight;
    constexpr unsigned kHalf = 1u << (2 * kWeightBits - 1);
    for (int i = 0; i < n; ++i)
        out[i] = std::uint8_t((upper[i] * keep + lower[i] * weight + kHalf) >> (2 * kWeightBits));
}

}  // namespace

void DrawBilinear(Bitmap& dst, const Rect& areaIn, const Bitmap& src, const AxisMap& x, const AxisMap& y)
{
    const Rect area = areaIn.Intersect(dst.Bounds());
    if (area.IsEmpty() || src.IsEmpty())
        return;
    const int n = area.Width();
    std::vector<int> offsets(static_cast<std::size_t>(n));
    std::vector<std::uint16_t> weights(static_cast<std::size_t>(n));
    // The last column reads its right-hand neighbour with weight 0: a one-pixel-wide source reads
    // itself twice, through a copy of its row with room for that neighbour.
    const bool narrow = src.Width() == 1;
    for (int i = 0; i < n; ++i) {
        const Tap t = TapAt(x.offset + x.scale * (area.left + i), src.Width());
        offsets[static_cast<std::size_t>(i)] = kBytesPerPixel * (narrow ? 0 : std::min(t.first, src.Width() - 2));
        weights[static_cast<std::size_t>(i)] =
            std::uint16_t(t.first == src.Width() - 1 && !narrow ? kWeightOne : t.weight);
    }
    std::vector<std::uint8_t> narrowRow(narrow ? 2 * kBytesPerPixel : 0);

    // The two source rows blended across, kept while the following rows read them too.
    const std::size_t rowValues = static_cast<std::size_t>(n) * kBytesPerPixel;
    std::vector<std::uint16_t> upper(rowValues), lower(rowValues);
    int upperRow = -1, lowerRow = -1;
    const auto across = [&](int sy, std::vector<std::uint16_t>& out) {
        const std::uint8_t* row = src.Scanline(sy);
        if (narrow) {
            std::copy(row, row + kBytesPerPixel, narrowRow.begin());
            std::copy(row, row + kBytesPerPixel, narrowRow.begin() + kBytesPerPixel);
            row = narrowRow.data();
        }
        BlendAcross(row, offsets.data(), weights.data(), out.data(), n);
    };
    for (int dy = area.top; dy < area.bottom; ++dy) {
        const Tap t = TapAt(y.offset + y.scale * dy, src.Height());
        const int second = std::min(t.first + 1, src.Height() - 1);
        if (upperRow != t.first) {
            if (lowerRow == t.first) {
                std::swap(upper, lower);
                std::swap(upperRow, lowerRow);
            } else {
                across(t.first, upper);
                upperRow = t.first;
            }
        }
        if (t.weight != 0 && lowerRow != second) {
            across(second, lower);
            lowerRow = second;
        }
        BlendDown(upper.data(), t.weight != 0 ? lower.data() : upper.data(), unsigned(t.weight),
                  dst.Scanline(dy) + std::size_t(area.left) * kBytesPerPixel, int(rowValues));
    }
}

void BlendOverlay(Bitmap& dst, const Overlay& overlay, const Rect& clip)
{
    const Rect r = overlay.box.Intersect(clip).Intersect(dst.Bounds());
    if (r.IsEmpty() || overlay.pixels.size() < std::size_t(overlay.box.Width()) * overlay.box.Height() * 4)
        return;
    for (int yy = r.top; yy < r.bottom; ++yy) {
        const std::uint8_t* o =
            overlay.pixels.data() +
            (std::size_t(yy - overlay.box.top) * overlay.box.Width() + (r.left - overlay.box.left)) * 4;
        std::uint8_t* d = dst.Scanline(yy) + std::size_t(r.left) * kBytesPerPixel;
        for (int xx = r.left; xx < r.right; ++xx, o += 4, d += kBytesPerPixel) {
            const unsigned through = o[3];
            for (int c = 0; c < 3; ++c)
                d[c] = std::uint8_t(std::min(255u, o[c] + (d[c] * through + 127) / 255));
        }
    }
}

}  // namespace qel::raster
