#pragma once
// The seven reconstruction filters of the resampler. Each kernel takes and returns single precision,
// and every intermediate value is a float: the integer weights built from them are part of the
// resampler's contract (the same input must give the same bytes on every machine).

namespace qel::imaging {

using FilterKernel = float (*)(float x);

struct ResampleFilter {
    const char* name;
    FilterKernel kernel;
    float support;  // default radius
};

constexpr int kFilterCount = 7;
// Filter 5, Lanczos-3, is what the slideshow and the editor use.
constexpr int kLanczos3 = 5;

// 0 box, 1 triangle, 2 Hermite, 3 Bell, 4 cubic B-spline, 5 Lanczos-3, 6 Mitchell-Netravali (B = C = 1/3).
// Throws std::out_of_range for an index outside 0..6.
const ResampleFilter& Filter(int index);

float BoxKernel(float x);
float TriangleKernel(float x);
float HermiteKernel(float x);
float BellKernel(float x);
float BSplineKernel(float x);
float Lanczos3Kernel(float x);
float MitchellKernel(float x);

}  // namespace qel::imaging
