#pragma once
// The mouse-movement exit rule of the slideshow: movement counts from the first position seen, so
// slow drifting adds up, and only more than 10 pixels on either axis ends the show.

namespace qel::slideshow {

class MouseExitRule {
public:
    static constexpr int kTolerance = 10;

    // Forgets the first position; the next event seen becomes the new one.
    void Reset()
    {
        originX_ = -1;
        originY_ = -1;
    }

    // Records the first position when none is known yet; true when (x, y) lies more than
    // kTolerance pixels from it on either axis.
    [[nodiscard]] bool MovedTooFar(int x, int y);

private:
    int originX_ = -1;
    int originY_ = -1;
};

}  // namespace qel::slideshow
