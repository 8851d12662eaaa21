// The transition gallery the build draws: an animation of every style, each a small looping GIF
// that leaves the first picture and comes back to it, all of them on the manual's page in style
// order under their names.

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <gtest/gtest.h>

#include "editor/previewpictures.h"
#include "editor/transitiongallery.h"
#include "pictureshow/styles.h"

namespace qel::editor::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kMaxBytes = 64 * 1024;

const fs::path kManual = fs::path(QEL_BIN_DIR) / "manual";

struct Decoded {
    int frames = 0;
    int width = 0, height = 0;
    std::vector<GifByteType> first;  // the picture after the first frame, as palette indices
    std::vector<GifByteType> last;   // and after the last
    bool changes = false;            // some frame shows another picture than the first
};

// Decodes the file and plays it through as a viewer does (frames left in place, transparent
// pixels keeping what was there).
Decoded Play(const fs::path& path)
{
    Decoded d;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif)
        return d;
    if (DGifSlurp(gif) == GIF_OK) {
        d.frames = gif->ImageCount;
        d.width = gif->SWidth;
        d.height = gif->SHeight;
        std::vector<GifByteType> canvas(std::size_t(d.width) * std::size_t(d.height));
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage& image = gif->SavedImages[i];
            GraphicsControlBlock control{};
            control.TransparentColor = NO_TRANSPARENT_COLOR;
            DGifSavedExtensionToGCB(gif, i, &control);
            const GifImageDesc& at = image.ImageDesc;
            for (int y = 0; y < at.Height; ++y)
                for (int x = 0; x < at.Width; ++x) {
                    const GifByteType p = image.RasterBits[y * at.Width + x];
                    const int cx = at.Left + x, cy = at.Top + y;
                    if (p != control.TransparentColor && cx < d.width && cy < d.height)
                        canvas[std::size_t(cy) * std::size_t(d.width) + std::size_t(cx)] = p;
                }
            if (i == 0)
                d.first = canvas;
            else if (canvas != d.first)
                d.changes = true;
        }
        d.last = canvas;
    }
    DGifCloseFile(gif, &error);
    return d;
}

TEST(TransitionGallery, EveryStyleLoopsThroughBothPicturesAndIsOnThePageInOrder)
{
    std::ifstream in(kManual / kGalleryPage, std::ios::binary);
    ASSERT_TRUE(in) << "the gallery page";
    std::stringstream page;
    page << in.rdbuf();
    const std::string html = page.str();

    std::size_t onPage = 0;
    for (int style = 0; style < pictureshow::kStyleCount; ++style) {
        SCOPED_TRACE(style);
        const std::string name = GalleryAnimationName(style);
        const fs::path file = kManual / name;
        ASSERT_TRUE(fs::is_regular_file(file));
        EXPECT_LE(fs::file_size(file), kMaxBytes);
        const Decoded d = Play(file);
        EXPECT_EQ(d.width, kPreviewWidth);
        EXPECT_EQ(d.height, kPreviewHeight);
        EXPECT_GT(d.frames, 2);
        EXPECT_TRUE(d.changes) << "the second picture comes in";
        EXPECT_EQ(d.first, d.last) << "it ends on the picture it starts with, so the loop has no jump";

        const std::string entry = "src=\"" + name + "\"";
        const std::size_t at = html.find(entry, onPage);
        ASSERT_NE(at, std::string::npos) << "in style order on the page";
        const std::string caption =
            std::to_string(style) + "</span>" + std::string(pictureshow::StyleDisplayName(style));
        EXPECT_LT(html.find(caption, at), html.find("</figure>", at)) << "its number and name beside it";
        onPage = at;
    }
    int animations = 0;
    for (const auto& entry : fs::directory_iterator(kManual / "gallery"))
        animations += entry.path().extension() == ".gif";
    EXPECT_EQ(animations, pictureshow::kStyleCount);
}

}  // namespace
}  // namespace qel::editor::test
