#include "xrgb.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/parallel.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QEL_XRGB_X86 1
#endif

namespace qel::raster {
namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;
// Streaming stores pay off for rows of at least this many pixels, in areas of at least this many.
constexpr int kStreamWidth = 1024;
constexpr long long kStreamArea = 1 << 18;
// A thread costs tens of microseconds to start: worth it for a quarter of a megapixel at least.
constexpr long long kPixelsPerThread = 1 << 18;
constexpr int kMostThreads = 4;

void RowScalar(const std::uint8_t* src, std::uint32_t* dst, int n)
{
    for (int i = 0; i < n; ++i, src += kBytesPerPixel)
        dst[i] = kOpaque | std::uint32_t(src[0]) | (std::uint32_t(src[1]) << 8) | (std::uint32_t(src[2]) << 16);
}

#ifdef QEL_XRGB_X86
// Sixteen pixels (48 bytes) at a time: each group of four is shuffled into four words and made
// opaque. Only whole groups of 48 bytes are read, so nothing past the row is touched. Large areas
// are streamed past the cache (Stream): the window system reads them from memory anyway, and
// nothing here reads them again.
template <bool Stream>
__attribute__((target("ssse3"))) void RowSsse3(const std::uint8_t* src, std::uint32_t* dst, int n)
{
    constexpr std::uintptr_t kAlign = 16;
    int i = 0;
    if constexpr (Stream) {
        // Streaming stores need aligned destinations: the first few pixels go one by one.
        while (i < n && reinterpret_cast<std::uintptr_t>(dst + i) % kAlign != 0)
            ++i;
        RowScalar(src, dst, i);
        src += std::size_t(i) * kBytesPerPixel;
    }
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(kOpaque));
    const auto store = [](__m128i* p, __m128i v) {
        if constexpr (Stream)
            _mm_stream_si128(p, v);
        else
            _mm_storeu_si128(p, v);
    };
    for (; i + 16 <= n; i += 16, src += 48) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32));
        auto* out = reinterpret_cast<__m128i*>(dst + i);
        store(out, _mm_or_si128(_mm_shuffle_epi8(a, spread), opaque));
        store(out + 1, _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(b, a, 12), spread), opaque));
        store(out + 2, _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(c, b, 8), spread), opaque));
        store(out + 3, _mm_or_si128(_mm_shuffle_epi8(_mm_srli_si128(c, 4), spread), opaque));
    }
    RowScalar(src, dst + i, n - i);
}

bool HaveSsse3()
{
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

using RowFn = void (*)(const std::uint8_t*, std::uint32_t*, int);

// The rows [top, bottom) of every box. A band of boxes side by side is written a row at a time
// across all of them: down one narrow box after another, every row would start on another memory
// page, which costs several times the conversion itself.
void ConvertRows(const XrgbSurface& dst, int x, int y, const Bitmap& src, const std::vector<Rect>& boxes, int top,
                 int bottom)
{
    bool streamed = false;
    std::vector<RowFn> rows;
    for (std::size_t first = 0; first < boxes.size();) {
        std::size_t last = first + 1;
        while (last < boxes.size() && boxes[last].top == boxes[first].top)
            ++last;
        const int from = std::max(boxes[first].top, top), to = std::min(boxes[first].bottom, bottom);
        rows.assign(last - first, RowScalar);
        for (std::size_t i = first; i < last && from < to; ++i) {
#ifdef QEL_XRGB_X86
            // Wide areas go past the cache: the window system reads them from memory anyway, and
            // nothing here reads them again. Narrow ones would leave partly written cache lines
            // at both ends of every row, which costs more than it saves.
            const Rect& box = boxes[i];
            const bool stream =
                box.Width() >= kStreamWidth && static_cast<long long>(box.Width()) * box.Height() >= kStreamArea;
            if (HaveSsse3())
                rows[i - first] = stream ? RowSsse3<true> : RowSsse3<false>;
            streamed = streamed || stream;
#endif
        }
        for (int r = from; r < to; ++r) {
            std::uint8_t* out = dst.origin + std::ptrdiff_t(r) * std::ptrdiff_t(dst.stride);
            const std::uint8_t* in = src.Scanline(r - y);
            for (std::size_t i = first; i < last; ++i) {
                const Rect& box = boxes[i];
                rows[i - first](in + std::size_t(box.left - x) * kBytesPerPixel,
                                reinterpret_cast<std::uint32_t*>(out) + box.left, box.Width());
            }
        }
        first = last;
    }
#ifdef QEL_XRGB_X86
    if (streamed)
        _mm_sfence();
#endif
}

}  // namespace

void ToXrgb32(const XrgbSurface& dst, int x, int y, const Bitmap& src, const Region& clip)
{
    Region area = clip;
    area.Combine(Region::FromRect(dst.bounds.Intersect({x, y, x + src.Width(), y + src.Height()})), CombineMode::And);
    if (area.IsEmpty())
        return;
    long long pixels = 0;
    for (const Rect& box : area.Rects())
        pixels += static_cast<long long>(box.Width()) * box.Height();
    const Rect bounds = area.Bounds();
    const int threads = base::ThreadsFor(pixels, kPixelsPerThread, kMostThreads);
    base::ParallelRanges(bounds.Height(), threads, [&](int begin, int end) {
        ConvertRows(dst, x, y, src, area.Rects(), bounds.top + begin, bounds.top + end);
    });
}

}  // namespace qel::raster
