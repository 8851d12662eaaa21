#pragma once
// Internal to the raster layer: appends bands to a region's box list while keeping the region's
// invariants (see region.h): spans of a band sorted and merged, empty bands dropped, a band that
// repeats the band directly above it folded into that band.

#include <cstddef>
#include <vector>

#include "rect.h"

namespace qel::raster::detail {

class BandWriter {
public:
    // Appends after the boxes already in `out`, which must satisfy the invariants themselves.
    explicit BandWriter(std::vector<Rect>& out) : out_(out)
    {
        if (!out_.empty()) {
            // Find where the last band starts, so the first new band can fold into it.
            std::size_t i = out_.size() - 1;
            while (i > 0 && out_[i - 1].top == out_.back().top) {
                --i;
            }
            prevStart_ = i;
            hasPrev_ = true;
        }
    }

    // Starts a band covering rows top ... bottom - 1; top must not lie above the last band's bottom.
    void Begin(int top, int bottom)
    {
        top_ = top;
        bottom_ = bottom;
        start_ = out_.size();
    }

    // Adds the span left ... right - 1 to the current band. Spans come in ascending order of left;
    // one that touches or overlaps the previous span is merged with it.
    void Add(int left, int right)
    {
        if (right <= left) {
            return;
        }
        if (out_.size() > start_ && left <= out_.back().right) {
            if (right > out_.back().right) {
                out_.back().right = right;
            }
            return;
        }
        out_.push_back(Rect{left, top_, right, bottom_});
    }

    // Ends the current band.
    void End()
    {
        const std::size_t count = out_.size() - start_;
        if (count == 0) {
            return;
        }
        if (hasPrev_ && start_ - prevStart_ == count && out_[prevStart_].bottom == top_ && SameSpans(count)) {
            for (std::size_t i = prevStart_; i < start_; ++i) {
                out_[i].bottom = bottom_;
            }
            out_.resize(start_);
            return;
        }
        prevStart_ = start_;
        hasPrev_ = true;
    }

    // Appends boxes [first, last) that already form whole bands satisfying the invariants and lie
    // below everything written so far.
    void AppendBands(const Rect* first, const Rect* last)
    {
        if (first == last) {
            return;
        }
        // Only the first band can fold into earlier output ...
        const Rect* bandEnd = first;
        while (bandEnd != last && bandEnd->top == first->top) {
            ++bandEnd;
        }
        Begin(first->top, first->bottom);
        for (const Rect* b = first; b != bandEnd; ++b) {
            Add(b->left, b->right);
        }
        End();
        if (bandEnd == last) {
            return;
        }
        // ... the rest did not fold in their own region, so they are copied wholesale.
        out_.insert(out_.end(), bandEnd, last);
        std::size_t i = out_.size() - 1;
        while (i > 0 && out_[i - 1].top == out_.back().top) {
            --i;
        }
        prevStart_ = i;
        hasPrev_ = true;
    }

private:
    [[nodiscard]] bool SameSpans(std::size_t count) const
    {
        for (std::size_t i = 0; i < count; ++i) {
            const Rect& a = out_[prevStart_ + i];
            const Rect& b = out_[start_ + i];
            if (a.left != b.left || a.right != b.right) {
                return false;
            }
        }
        return true;
    }

    std::vector<Rect>& out_;
    std::size_t prevStart_ = 0;
    bool hasPrev_ = false;
    std::size_t start_ = 0;
    int top_ = 0;
    int bottom_ = 0;
};

}  // namespace qel::raster::detail
