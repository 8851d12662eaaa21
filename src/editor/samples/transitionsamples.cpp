// Draws the two sample pictures of the editor's transition preview, "trans1.jpg" (a sunset over a
// lake between mountains) and "trans2.jpg" (a summer meadow), into the folder given as the only
// argument. Each is drawn at twice its size and reduced with the resampler, which smooths every
// edge. Run by the build; the pictures are the same on every machine.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>

#include "imaging/filters.h"
#include "imaging/resample.h"
#include "raster/bitmap.h"

namespace {

// 4:3 like the preview area (156 x 117), at four times its size.
constexpr int kWidth = 624;
constexpr int kHeight = 468;
constexpr int kOversample = 2;
constexpr int kJpegQuality = 92;
constexpr int kFlowerCount = 600;

struct Rgb {
    float r, g, b;
};

Rgb Mix(Rgb a, Rgb b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Add(Rgb a, Rgb b, float k)
{
    return {a.r + b.r * k, a.g + b.g * k, a.b + b.b * k};
}

Rgb Scale(Rgb a, float k)
{
    return {a.r * k, a.g * k, a.b * k};
}

float Clamp01(float x)
{
    return x < 0 ? 0 : (x > 1 ? 1 : x);
}

float Smooth(float edge0, float edge1, float x)
{
    const float t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

// A colour along vertical stops (position, colour), positions ascending.
Rgb Gradient(const std::vector<std::pair<float, Rgb>>& stops, float v)
{
    if (v <= stops.front().first)
        return stops.front().second;
    for (std::size_t i = 1; i < stops.size(); ++i)
        if (v <= stops[i].first)
            return Mix(stops[i - 1].second, stops[i].second,
                       (v - stops[i - 1].first) / (stops[i].first - stops[i - 1].first));
    return stops.back().second;
}

std::uint32_t Pack(Rgb c)
{
    auto byte = [](float x) { return std::uint8_t(std::lround(Clamp01(x) * 255.0f)); };
    return qel::raster::FromRgb({byte(c.r), byte(c.g), byte(c.b)});
}

// Darker corners draw the eye to the middle of the picture.
Rgb Vignette(Rgb c, float u, float v)
{
    const float du = u - 0.5f, dv = v - 0.5f;
    return Scale(c, 1.0f - 0.35f * (du * du + dv * dv));
}

template <class Shade> qel::raster::Bitmap Paint(Shade shade)
{
    const int w = kWidth * kOversample, h = kHeight * kOversample;
    qel::raster::Bitmap big(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float u = (float(x) + 0.5f) / float(w), v = (float(y) + 0.5f) / float(h);
            big.SetPixel(x, y, Pack(Vignette(shade(u, v), u, v)));
        }
    return big;
}

// --- the sunset -----------------------------------------------------------------------------------

constexpr float kLakeHorizon = 0.64f;
constexpr float kAspect = float(kWidth) / float(kHeight);

float FarRidge(float u)
{
    return 0.47f + 0.035f * std::sin(u * 7.0f + 1.3f) + 0.02f * std::sin(u * 19.0f + 0.4f) +
           0.008f * std::sin(u * 53.0f) + 0.13f * std::exp(-std::pow((u - 0.5f) / 0.16f, 2.0f));
}

float NearRidge(float u)
{
    return 0.55f + 0.04f * std::sin(u * 5.0f + 2.0f) + 0.015f * std::sin(u * 23.0f + 1.0f) +
           0.006f * std::sin(u * 71.0f) + 0.16f * std::exp(-std::pow((u - 0.5f) / 0.22f, 2.0f));
}

Rgb SunsetSky(float u, float v)
{
    static const std::vector<std::pair<float, Rgb>> sky{{0.0f, {0.07f, 0.09f, 0.28f}},
                                                        {0.33f, {0.40f, 0.19f, 0.45f}},
                                                        {0.53f, {0.93f, 0.45f, 0.30f}},
                                                        {kLakeHorizon, {1.0f, 0.80f, 0.47f}}};
    Rgb c = Gradient(sky, v);
    const float du = (u - 0.5f) * kAspect, dv = v - 0.565f;
    const float d = std::sqrt(du * du + dv * dv);
    c = Add(c, {1.0f, 0.55f, 0.25f}, 0.55f * std::exp(-std::pow(d / 0.2f, 2.0f)));
    c = Add(c, {1.0f, 0.85f, 0.55f}, 0.5f * std::exp(-std::pow(d / 0.09f, 2.0f)));
    if (d < 0.075f)
        c = Mix(c, {1.0f, 0.95f, 0.78f}, Smooth(0.075f, 0.07f, d));
    const float far = FarRidge(u), near = NearRidge(u);
    if (v > far)
        c = Mix(c, Mix({0.36f, 0.20f, 0.38f}, {0.62f, 0.36f, 0.45f}, Clamp01((v - far) / 0.2f)),
                Smooth(far, far + 0.002f, v));
    if (v > near)
        c = Mix(c, Mix({0.14f, 0.08f, 0.19f}, {0.24f, 0.12f, 0.24f}, Clamp01((v - near) / 0.15f)),
                Smooth(near, near + 0.002f, v));
    return c;
}

Rgb Sunset(float u, float v)
{
    if (v < kLakeHorizon)
        return SunsetSky(u, v);
    // The lake mirrors what stands above it, broken into ripples that widen towards the viewer.
    const float depth = (v - kLakeHorizon) / (1.0f - kLakeHorizon);
    const float ripple = (0.002f + 0.01f * depth) * std::sin(v * 420.0f + 6.0f * std::sin(u * 9.0f));
    const Rgb mirrored = SunsetSky(u + ripple, 2 * kLakeHorizon - v - 0.004f);
    const float shimmer = 0.94f + 0.06f * std::sin(v * 700.0f + u * 40.0f);
    return Mix(Scale(mirrored, 0.72f * shimmer), {0.04f, 0.05f, 0.16f}, 0.65f * depth);
}

// --- the meadow ------------------------------------------------------------------------------------

constexpr float kMeadowHorizon = 0.58f;

struct Puff {
    float u, v, su, sv;
};

float CloudDensity(float u, float v)
{
    static const std::vector<Puff> puffs{
        {0.18f, 0.24f, 0.07f, 0.04f}, {0.25f, 0.20f, 0.08f, 0.06f},  {0.33f, 0.24f, 0.07f, 0.045f},
        {0.28f, 0.27f, 0.10f, 0.03f}, {0.55f, 0.36f, 0.06f, 0.03f},  {0.61f, 0.33f, 0.07f, 0.045f},
        {0.68f, 0.36f, 0.06f, 0.03f}, {0.88f, 0.42f, 0.08f, 0.025f}, {0.05f, 0.44f, 0.07f, 0.02f}};
    float density = 0;
    for (const Puff& p : puffs)
        density += std::exp(-(std::pow((u - p.u) / p.su, 2.0f) + std::pow((v - p.v) / p.sv, 2.0f)));
    return density;
}

float BackHill(float u)
{
    return 0.50f + 0.05f * std::sin(u * 4.0f + 0.5f) + 0.02f * std::sin(u * 11.0f + 2.0f);
}

float FrontHill(float u)
{
    return 0.63f + 0.07f * std::cos(u * 3.2f + 0.8f) + 0.01f * std::sin(u * 17.0f);
}

Rgb Meadow(float u, float v)
{
    static const std::vector<std::pair<float, Rgb>> sky{{0.0f, {0.16f, 0.40f, 0.80f}},
                                                        {kMeadowHorizon, {0.72f, 0.86f, 0.97f}}};
    Rgb c = Gradient(sky, v);
    const float du = (u - 0.82f) * kAspect, dv = v - 0.14f;
    const float d = std::sqrt(du * du + dv * dv);
    c = Add(c, {1.0f, 0.95f, 0.7f}, 0.45f * std::exp(-std::pow(d / 0.16f, 2.0f)));
    if (d < 0.05f)
        c = Mix(c, {1.0f, 0.98f, 0.85f}, Smooth(0.05f, 0.045f, d));
    const float cloud = Smooth(0.35f, 0.95f, CloudDensity(u, v));
    c = Mix(c, Mix({1.0f, 1.0f, 1.0f}, {0.80f, 0.84f, 0.92f}, Clamp01((v - 0.2f) * 3.0f)), cloud);
    const float back = BackHill(u), front = FrontHill(u);
    if (v > back)
        c = Mix(c, Mix({0.50f, 0.70f, 0.50f}, {0.34f, 0.58f, 0.30f}, Clamp01((v - back) / 0.15f)),
                Smooth(back, back + 0.002f, v));
    if (v > front) {
        // Mown stripes across the near field.
        const float stripes = 0.93f + 0.07f * std::sin((v - front) * 120.0f + u * 3.0f);
        const Rgb grass = Mix({0.45f, 0.76f, 0.22f}, {0.16f, 0.42f, 0.09f}, Clamp01((v - front) / 0.3f));
        c = Mix(c, Scale(grass, stripes), Smooth(front, front + 0.002f, v));
    }
    return c;
}

// Flowers scattered over the near field, larger towards the viewer.
void Flowers(qel::raster::Bitmap& big)
{
    static const Rgb colours[] = {
        {0.92f, 0.16f, 0.18f}, {1.0f, 0.85f, 0.15f}, {1.0f, 1.0f, 1.0f}, {0.62f, 0.32f, 0.85f}};
    std::uint32_t seed = 20240607;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return float(seed >> 8) / float(1u << 24);
    };
    const int w = big.Width(), h = big.Height();
    for (int i = 0; i < kFlowerCount; ++i) {
        const float u = next();
        const float top = FrontHill(u) + 0.02f;
        const float v = top + (1.0f - top) * std::pow(next(), 0.7f);
        const Rgb colour = colours[int(next() * 4) % 4];
        const float radius = (1.0f + 5.0f * (v - 0.6f) / 0.4f) * kOversample;
        const int cx = int(u * float(w)), cy = int(v * float(h));
        for (int y = int(float(cy) - radius); y <= int(float(cy) + radius); ++y)
            for (int x = int(float(cx) - radius); x <= int(float(cx) + radius); ++x) {
                const float dx = float(x - cx), dy = float(y - cy);
                if (x < 0 || y < 0 || x >= w || y >= h || dx * dx + dy * dy > radius * radius)
                    continue;
                const float centre = dx * dx + dy * dy < radius * radius * 0.12f ? 1.0f : 0.0f;
                const Rgb petal = Mix(colour, {1.0f, 0.75f, 0.1f}, centre);
                big.SetPixel(x, y, Pack(Vignette(petal, float(x) / float(w), float(y) / float(h))));
            }
    }
}

bool WriteJpeg(const std::string& path, const qel::raster::Bitmap& b)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = JDIMENSION(b.Width());
    info.image_height = JDIMENSION(b.Height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kJpegQuality, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(std::size_t(b.Width()) * 3);
    for (int y = 0; y < b.Height(); ++y) {
        const std::uint8_t* bgr = b.Scanline(y);
        for (int x = 0; x < b.Width(); ++x) {
            row[std::size_t(x) * 3 + 0] = bgr[x * 3 + 2];
            row[std::size_t(x) * 3 + 1] = bgr[x * 3 + 1];
            row[std::size_t(x) * 3 + 2] = bgr[x * 3 + 0];
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return std::fclose(file) == 0;
}

bool Save(const std::string& path, qel::raster::Bitmap big)
{
    qel::imaging::ScaleBitmap(kWidth, kHeight, qel::imaging::kLanczos3, big);
    if (WriteJpeg(path, big))
        return true;
    std::fprintf(stderr, "%s: cannot be written\n", path.c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    qel::raster::Bitmap meadow = Paint(Meadow);
    Flowers(meadow);
    const bool ok = Save(folder + "trans1.jpg", Paint(Sunset)) && Save(folder + "trans2.jpg", std::move(meadow));
    return ok ? 0 : 1;
}
