#pragma once
// The dissolve cell table: one table and one cell size for the whole program, shared by every
// picture control, rebuilt whenever a control prepares a dissolve style (the latest wins).
// Dissolve frames consume it: chosen entries are overwritten by entries past the pool.

#include <vector>

#include "raster/rect.h"

namespace qel::pictureshow {

class CellTable {
public:
    static CellTable& Instance();

    // Covers a w x h picture with cells of side m (raised to 1), row by row, then seeds the
    // random generator from the clock.
    void Build(int w, int h, int m);

    [[nodiscard]] int CellSize() const { return m_; }
    [[nodiscard]] int CellCount() const { return static_cast<int>(cells_.size()); }
    [[nodiscard]] raster::Point& operator[](int i) { return cells_[static_cast<size_t>(i)]; }

private:
    int m_ = 1;
    std::vector<raster::Point> cells_;
};

}  // namespace qel::pictureshow
