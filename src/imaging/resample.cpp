#include "imaging/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
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
// of a row stay inside the buffer. It keeps `slots` rows: all of them, or, while rows arrive one
// group after another, the last few (row y in slot y mod slots).
struct Plane {
    int width = 0;
    int height = 0;
    int slots = 0;
    size_t stride = 0;
    std::vector<std::uint8_t> data;

    Plane(int w, int h, int keptRows)
        : width(w), height(h), slots(std::clamp(keptRows, 1, h)),
          stride((static_cast<size_t>(w) * 3 + 16 + 15) & ~size_t{15})
    {
        data.assign(stride * static_cast<size_t>(slots) + 16, 0);
    }
    std::uint8_t* Row(int y) { return data.data() + stride * static_cast<size_t>(y % slots); }
    const std::uint8_t* Row(int y) const { return data.data() + stride * static_cast<size_t>(y % slots); }
};

// Rows of a picture being written: row y starts at base + y * stride.
struct TargetRows {
    std::uint8_t* base;
    size_t stride;
    std::uint8_t* Row(int y) const { return base + stride * static_cast<size_t>(y); }
};

// The rows of a source picture: row y starts at base + y * stride.
struct SourceRows {
    const std::uint8_t* base;
    size_t stride;
    const std::uint8_t* Row(int y) const { return base + stride * static_cast<size_t>(y); }
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

void HorizontalRowsScalar(SourceRows src, const AxisContributors& cx, Plane& inter, int y0, int y1)
{
    ExtendedRow ext(cx);
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* row = ext.Fill(src.Row(y));
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

void VerticalRowsScalar(const Plane& inter, const AxisContributors& cy, TargetRows dst, int y0, int y1)
{
    const int bytes = inter.width * 3;
    std::vector<const std::uint8_t*> rows(static_cast<size_t>(cy.maxCount));
    for (int y = y0; y < y1; ++y) {
        const int n = cy.count[y];
        for (int k = 0; k < n; ++k)
            rows[k] = inter.Row(MirrorIndex(cy.left[y] + k, cy.length));
        const std::int16_t* w = cy.weights.data() + cy.first[y];
        const int ws = cy.weightSum[y];
        std::uint8_t* out = dst.Row(y);
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
__attribute__((target("ssse3"))) void HorizontalRowsSsse3(SourceRows src, const AxisContributors& cx,
                                                          const PairedWeights& pw, Plane& inter, int y0, int y1)
{
    ExtendedRow ext(cx);
    const __m128i taps01 = _mm_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1);
    const __m128i taps23 = _mm_setr_epi8(6, -1, 9, -1, 7, -1, 10, -1, 8, -1, 11, -1, -1, -1, -1, -1);
    for (int y = y0; y < y1; ++y) {
        const std::uint8_t* row = ext.Fill(src.Row(y));
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

void VerticalRowsSse2(const Plane& inter, const AxisContributors& cy, const PairedWeights& pw, TargetRows dst, int y0,
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
        std::memcpy(dst.Row(y), line.data(), static_cast<size_t>(bytes));
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

// The two passes of one resampling, set up once: the contributors of both axes, the intermediate
// picture and the choice of code. Ranges of rows of either pass may run on different threads; a
// row's bytes never depend on how the rows were split.
class ResamplePasses {
public:
    // keptRows: how many intermediate rows are kept at a time (all of them when sh or more).
    ResamplePasses(FilterKernel kernel, float radius, int sw, int sh, int dw, int dh, bool allowSimd, int keptRows)
        : cx(BuildContributors(dw, sw, kernel, radius)), cy(BuildContributors(dh, sh, kernel, radius)),
          inter(dw, sh, keptRows)
    {
#ifdef QEL_RESAMPLE_X86
        simd = allowSimd && HaveSsse3();
        if (simd) {
            px.emplace(cx);
            py.emplace(cy);
        }
#else
        (void)allowSimd;
#endif
    }

    // Rows y0..y1-1 of the intermediate picture, from the same rows of the source.
    void Horizontal(SourceRows src, int y0, int y1)
    {
#ifdef QEL_RESAMPLE_X86
        if (simd)
            return HorizontalRowsSsse3(src, cx, *px, inter, y0, y1);
#endif
        HorizontalRowsScalar(src, cx, inter, y0, y1);
    }

    // Rows y0..y1-1 of the destination; the intermediate rows they read must be there.
    void Vertical(TargetRows dst, int y0, int y1)
    {
#ifdef QEL_RESAMPLE_X86
        if (simd)
            return VerticalRowsSse2(inter, cy, *py, dst, y0, y1);
#endif
        VerticalRowsScalar(inter, cy, dst, y0, y1);
    }

    [[nodiscard]] long long HorizontalWork() const
    {
        return static_cast<long long>(inter.height) * static_cast<long long>(cx.weights.size());
    }
    [[nodiscard]] long long VerticalWork() const
    {
        return static_cast<long long>(inter.width) * static_cast<long long>(cy.weights.size());
    }
    [[nodiscard]] int KeptRows() const
    {
        return inter.slots;
    }

    const AxisContributors cx;
    const AxisContributors cy;

private:
    Plane inter;
    bool simd = false;
#ifdef QEL_RESAMPLE_X86
    std::optional<PairedWeights> px, py;
#endif
};

namespace detail {

void ResampleBitmapWith(FilterKernel kernel, const Bitmap& source, Bitmap& destination, float radius, bool allowSimd,
                        int threads)
{
    if (destination.IsEmpty())
        return;
    if (source.IsEmpty())
        throw std::invalid_argument("cannot resample an empty picture");
    ResamplePasses passes(kernel, radius, source.Width(), source.Height(), destination.Width(), destination.Height(),
                          allowSimd, source.Height());
    const SourceRows rows{source.Scanline(0), static_cast<size_t>(source.Stride())};
    const TargetRows target{destination.Scanline(0), static_cast<size_t>(destination.Stride())};
    base::ParallelRanges(source.Height(), ThreadsFor(passes.HorizontalWork(), threads),
                         [&](int b, int e) { passes.Horizontal(rows, b, e); });
    base::ParallelRanges(destination.Height(), ThreadsFor(passes.VerticalWork(), threads),
                         [&](int b, int e) { passes.Vertical(target, b, e); });
}

}  // namespace detail

namespace {

// Rows resampled along the row in one go beyond what the destination rows in progress need.
constexpr int kArrivingChunk = 64;

}  // namespace

ArrivingRowsResampler::ArrivingRowsResampler(FilterKernel kernel, float radius, int sourceWidth, int sourceHeight,
                                             std::function<Bitmap()> makeDestination, raster::Rect place,
                                             bool allowSimd)
    : sourceHeight_(sourceHeight), makeDestination_(std::move(makeDestination)), place_(place)
{
    if (sourceWidth < 1 || sourceHeight < 1 || place.Width() < 1 || place.Height() < 1 || place.left < 0 ||
        place.top < 0 || !makeDestination_)
        throw std::invalid_argument("resampling needs a non-empty source, a place and a destination");
    const int height = place.Height();
    // For each destination row, the first and the last intermediate row it or any row after it reads
    // (first) and it or any row before it reads (last): rows arrive top to bottom, but mirrored taps
    // near the edges reach back. A destination row can be made once the rows up to its last are
    // done, and only rows from the first of the rows in progress need to be kept.
    const AxisContributors cy = BuildContributors(height, sourceHeight, kernel, radius);
    lastRowNeeded_.resize(static_cast<size_t>(height));
    firstRowNeeded_.resize(static_cast<size_t>(height));
    int most = 0;
    for (int y = 0; y < height; ++y) {
        int lo = sourceHeight;
        for (int k = 0; k < cy.count[y]; ++k) {
            const int row = MirrorIndex(cy.left[y] + k, cy.length);
            most = std::max(most, row);
            lo = std::min(lo, row);
        }
        lastRowNeeded_[static_cast<size_t>(y)] = most;
        firstRowNeeded_[static_cast<size_t>(y)] = lo;
    }
    int span = 1;
    for (int y = height - 1; y >= 0; --y) {
        if (y + 1 < height)
            firstRowNeeded_[static_cast<size_t>(y)] =
                std::min(firstRowNeeded_[static_cast<size_t>(y)], firstRowNeeded_[static_cast<size_t>(y) + 1]);
        span = std::max(span, lastRowNeeded_[static_cast<size_t>(y)] - firstRowNeeded_[static_cast<size_t>(y)] + 1);
    }
    passes_ = std::make_unique<ResamplePasses>(kernel, radius, sourceWidth, sourceHeight, place.Width(), height,
                                               allowSimd, span + kArrivingChunk);
}

ArrivingRowsResampler::~ArrivingRowsResampler()
{
    (void)Finish();
}

void ArrivingRowsResampler::Start(const std::uint8_t* rows, std::size_t stride)
{
    if (worker_.joinable() || finished_)
        throw std::logic_error("the resampler has already been started");
    worker_ = std::thread([this, rows, stride] { Work(rows, stride); });
}

void ArrivingRowsResampler::RowsArrived(int count)
{
    {
        const std::lock_guard lock(mutex_);
        arrived_ = std::clamp(count, arrived_, sourceHeight_);
    }
    changed_.notify_one();
}

std::optional<Bitmap> ArrivingRowsResampler::Finish()
{
    {
        const std::lock_guard lock(mutex_);
        finishing_ = true;
    }
    changed_.notify_one();
    if (worker_.joinable())
        worker_.join();
    const bool result = complete_ && !finished_;
    finished_ = true;
    if (!result)
        return std::nullopt;
    return std::move(destination_);
}

void ArrivingRowsResampler::Work(const std::uint8_t* rows, std::size_t stride)
{
    const SourceRows source{rows, stride};
    const int height = place_.Height();
    const int kept = passes_->KeptRows();
    int horizontalDone = 0, verticalDone = 0;
    try {
        // Made here, not by the thread that gives the rows: that one is busy decoding.
        destination_ = makeDestination_();
        if (place_.right > destination_.Width() || place_.bottom > destination_.Height())
            return;
        const TargetRows target{destination_.Scanline(place_.top) + 3 * static_cast<size_t>(place_.left),
                                static_cast<size_t>(destination_.Stride())};
        while (verticalDone < height) {
            int arrived;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return arrived_ > horizontalDone || finishing_; });
                arrived = arrived_;
                // Finishing before every row came: the picture will not be complete, so stop here.
                if (arrived <= horizontalDone || (finishing_ && arrived < sourceHeight_))
                    return;
            }
            while (horizontalDone < arrived && verticalDone < height) {
                // An intermediate row takes the place of the row `kept` rows above it, which no
                // destination row still to be made may read.
                const int until = std::min(arrived, firstRowNeeded_[static_cast<size_t>(verticalDone)] +
                                                        std::min(kept, sourceHeight_));
                passes_->Horizontal(source, horizontalDone, until);
                horizontalDone = until;
                int ready = verticalDone;
                while (ready < height && lastRowNeeded_[static_cast<size_t>(ready)] < horizontalDone)
                    ++ready;
                passes_->Vertical(target, verticalDone, ready);
                verticalDone = ready;
            }
        }
        complete_ = true;
    } catch (const std::exception&) {
        // Left incomplete (no memory): the caller resamples the whole picture the ordinary way.
    }
}

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
