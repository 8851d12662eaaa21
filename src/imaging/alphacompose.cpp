#include "imaging/alphacompose.h"

namespace qel::imaging {
namespace {

constexpr unsigned kOpaque = 255;

}  // namespace

void RgbRowToBgr(const std::uint8_t* rgb, std::uint8_t* bgr, int width)
{
    for (int x = 0; x < width; ++x, rgb += 3, bgr += 3) {
        bgr[0] = rgb[2];
        bgr[1] = rgb[1];
        bgr[2] = rgb[0];
    }
}

void ComposeRowOnBackground(const std::uint8_t* src, SampleOrder order, bool premultiplied, raster::Color background,
                            std::uint8_t* bgr, int width)
{
    const raster::Rgb rgb = raster::ToRgb(background);
    const unsigned bg[3] = {rgb.blue, rgb.green, rgb.red};
    // Index of blue, green, red within the source pixel.
    const int blue = order == SampleOrder::Bgra ? 0 : 2;
    const int red = 2 - blue;
    for (int x = 0; x < width; ++x, src += 4, bgr += 3) {
        const unsigned a = src[3];
        const unsigned c[3] = {src[blue], src[1], src[red]};
        for (int i = 0; i < 3; ++i) {
            // Rounded to the nearest; a premultiplied sample already holds its share.
            const unsigned v =
                premultiplied ? c[i] * kOpaque + bg[i] * (kOpaque - a) : c[i] * a + bg[i] * (kOpaque - a);
            const unsigned out = (v + kOpaque / 2) / kOpaque;
            bgr[i] = static_cast<std::uint8_t>(out > kOpaque ? kOpaque : out);
        }
    }
}

}  // namespace qel::imaging
