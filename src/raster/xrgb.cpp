#include "xrgb.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QEL_XRGB_X86 1
#endif

namespace qel::raster {
namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;

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

}  // namespace

void ToXrgb32(const Bitmap& src, const Rect& area, std::uint8_t* dst, std::size_t stride)
{
    const Rect r = area.Intersect(src.Bounds());
    if (r.IsEmpty())
        return;
    // About a megabyte: past that, the pixels written would only push others out of the cache.
    constexpr long long kStreamFrom = 1 << 18;
    auto row = RowScalar;
#ifdef QEL_XRGB_X86
    const bool stream = static_cast<long long>(r.Width()) * r.Height() >= kStreamFrom;
    if (HaveSsse3())
        row = stream ? RowSsse3<true> : RowSsse3<false>;
#endif
    for (int y = r.top; y < r.bottom; ++y) {
        auto* out = reinterpret_cast<std::uint32_t*>(dst + std::size_t(y) * stride) + r.left;
        row(src.Scanline(y) + std::size_t(r.left) * kBytesPerPixel, out, r.Width());
    }
#ifdef QEL_XRGB_X86
    if (stream)
        _mm_sfence();
#endif
}

}  // namespace qel::raster
