#pragma once
// A brute-force pixel model of regions for the tests: a boolean per pixel of a fixed window.

#include <cstdint>
#include <ostream>
#include <vector>

#include "raster/region.h"

namespace qel::raster {

// Readable failure messages: the boxes of a region.
inline void PrintTo(const Region& r, std::ostream* os)
{
    *os << "{";
    for (const Rect& b : r.Rects()) {
        *os << " (" << b.left << "," << b.top << "," << b.right << "," << b.bottom << ")";
    }
    *os << " }";
}

}  // namespace qel::raster

namespace qel::raster::test {

class Mask {
public:
    explicit Mask(const Rect& window) : window_(window), bits_(std::size_t(window.Width()) * window.Height(), 0) {}

    static Mask Of(const Region& r, const Rect& window)
    {
        Mask m(window);
        for (const Rect& b : r.Rects()) {
            for (int y = b.top; y < b.bottom; ++y) {
                for (int x = b.left; x < b.right; ++x) {
                    m.Set(x, y, true);
                }
            }
        }
        return m;
    }

    [[nodiscard]] bool Inside(int x, int y) const
    {
        return x >= window_.left && x < window_.right && y >= window_.top && y < window_.bottom;
    }
    [[nodiscard]] bool Get(int x, int y) const { return Inside(x, y) && bits_[Index(x, y)] != 0; }
    void Set(int x, int y, bool v)
    {
        if (Inside(x, y)) {
            bits_[Index(x, y)] = v ? 1 : 0;
        }
    }
    [[nodiscard]] const Rect& Window() const { return window_; }
    [[nodiscard]] int Count() const
    {
        int n = 0;
        for (auto b : bits_) {
            n += b;
        }
        return n;
    }
    // The same pixels as a region, built one pixel row at a time (a different path than the shapes).
    [[nodiscard]] Region ToRegion() const
    {
        std::vector<Rect> rows;
        for (int y = window_.top; y < window_.bottom; ++y) {
            int x = window_.left;
            while (x < window_.right) {
                if (!Get(x, y)) {
                    ++x;
                    continue;
                }
                const int start = x;
                while (x < window_.right && Get(x, y)) {
                    ++x;
                }
                rows.push_back(Rect{start, y, x, y + 1});
            }
        }
        return Region::FromRects(rows);
    }

    friend bool operator==(const Mask&, const Mask&) = default;

private:
    [[nodiscard]] std::size_t Index(int x, int y) const
    {
        return std::size_t(y - window_.top) * std::size_t(window_.Width()) + std::size_t(x - window_.left);
    }

    Rect window_;
    std::vector<std::uint8_t> bits_;
};

}  // namespace qel::raster::test
