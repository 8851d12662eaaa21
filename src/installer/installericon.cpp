// Draws the installer's window icon, "icon.png" of install.pak, when the tree is built: a framed
// picture of hills under a sun, the same on every machine.
//   qel_installer_icon OUT.png

#include <cmath>
#include <cstdio>
#include <exception>

#include "imaging/picturewriter.h"
#include "raster/bitmap.h"

namespace {

constexpr int kSize = 64;
constexpr int kFrame = 4;

void Put(qel::raster::Bitmap& b, int x, int y, int red, int green, int blue)
{
    std::uint8_t* p = b.Scanline(y) + x * qel::raster::kBytesPerPixel;
    p[0] = std::uint8_t(blue);
    p[1] = std::uint8_t(green);
    p[2] = std::uint8_t(red);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: qel_installer_icon OUT.png\n");
        return 2;
    }
    qel::raster::Bitmap icon(kSize, kSize);
    const double sunX = kSize * 0.68, sunY = kSize * 0.32, sunR = kSize * 0.12;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            if (x < kFrame || y < kFrame || x >= kSize - kFrame || y >= kSize - kFrame) {
                Put(icon, x, y, 70, 52, 38);  // the frame
                continue;
            }
            const double hill = kSize * 0.62 + std::sin(x * 0.11) * kSize * 0.08;
            if (y > hill) {
                Put(icon, x, y, 46, 139 - (y - int(hill)), 87);
            } else if (std::hypot(x - sunX, y - sunY) < sunR) {
                Put(icon, x, y, 255, 204, 64);
            } else {
                const int t = y * 255 / kSize;
                Put(icon, x, y, 90 + t / 4, 150 + t / 5, 230);
            }
        }
    }
    try {
        qel::imaging::WritePicture(argv[1], icon);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qel_installer_icon: %s\n", e.what());
        return 1;
    }
    return 0;
}
