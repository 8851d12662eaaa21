#pragma once
// Colours as the settings file stores them, 0x00BBGGRR (red in the low byte), and their red, green
// and blue: the one place that knows which byte is which.

#include <cstdint>

namespace qel::raster {

using Color = std::uint32_t;

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

[[nodiscard]] constexpr Rgb ToRgb(Color c)
{
    return {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16)};
}

[[nodiscard]] constexpr Color FromRgb(Rgb rgb)
{
    return Color(rgb.red) | (Color(rgb.green) << 8) | (Color(rgb.blue) << 16);
}

}  // namespace qel::raster
