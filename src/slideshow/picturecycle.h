#pragma once
// The picture side of the slideshow and the preview: which picture comes next and turning it into
// the bitmap the picture control shows. A picture that is missing, or that exists but cannot be
// decoded, is passed over for its turn so the show goes on; until a first picture has been shown
// the following pictures are tried in the same turn, so one bad file at the head of the list does
// not leave the screen empty.
//
// Toolkit-free; the window supplies how a file becomes a screen bitmap.

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "raster/bitmap.h"
#include "slideshow/showorder.h"

namespace qel::slideshow {

class PictureCycle {
public:
    // Loads and composes the picture at `path`; throws std::exception naming the file and cause.
    using Prepare = std::function<raster::Bitmap(const std::string& path)>;
    // Receives one line per picture that could not be shown (once per file and run).
    using Report = std::function<void(const std::string& message)>;

    PictureCycle(std::vector<std::string> pictures, bool random, RandomIndex draw, Report report = {});

    // Moves to the next picture and prepares it. Returns nothing when the list is empty or the
    // picture's turn is passed over (the control then shows its previous picture again).
    // `nothingShownYet`: the control holds no picture, so keep trying the following entries.
    [[nodiscard]] std::optional<raster::Bitmap> PrepareNext(const Prepare& prepare, bool nothingShownYet);

    // The same in two steps, so the decoding can run on another thread: Plan chooses the pictures
    // to try (it draws from the random generator, so it runs where the generator's owner runs);
    // Try prepares the first of them that works. Nothing else may touch the cycle while Try runs.
    struct Plan {
        std::vector<int> indices;
    };
    [[nodiscard]] Plan PlanNext(bool nothingShownYet);
    [[nodiscard]] std::optional<raster::Bitmap> Try(const Plan& plan, const Prepare& prepare);

    [[nodiscard]] int Current() const { return current_; }
    [[nodiscard]] int Count() const { return int(pictures_.size()); }

private:
    std::optional<raster::Bitmap> TryOne(int index, const Prepare& prepare);

    std::vector<std::string> pictures_;
    bool random_;
    RandomIndex draw_;
    Report report_;
    int current_ = -1;
    std::set<std::string> reported_;
};

}  // namespace qel::slideshow
