#include "pictureshow/celltable.h"

#include <algorithm>

#include "pictureshow/random.h"

namespace qel::pictureshow {

CellTable& CellTable::Instance()
{
    static CellTable table;
    return table;
}

void CellTable::Build(int w, int h, int m)
{
    // A picture narrower than 40 (or 20) pixels would give cells of size 0.
    m_ = std::max(m, 1);
    int columns = (std::max(w, 0) + m_ - 1) / m_;
    int rows = (std::max(h, 0) + m_ - 1) / m_;
    cells_.clear();
    cells_.reserve(static_cast<size_t>(columns) * static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            cells_.push_back({c * m_, r * m_});
    Randomize();
}

}  // namespace qel::pictureshow
