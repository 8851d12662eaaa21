#include "imaging/filters.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace qel::imaging {
namespace {

float Sinc(float t)
{
    if (t == 0.0f)
        return 1.0f;
    const float pt = t * 3.14159265358979f;
    return std::sin(pt) / pt;
}

constexpr ResampleFilter kFilters[kFilterCount] = {
    {"box", &BoxKernel, 0.5f},           {"triangle", &TriangleKernel, 1.0f}, {"hermite", &HermiteKernel, 1.0f},
    {"bell", &BellKernel, 1.5f},         {"b-spline", &BSplineKernel, 2.0f},  {"lanczos3", &Lanczos3Kernel, 3.0f},
    {"mitchell", &MitchellKernel, 2.0f},
};

}  // namespace

const ResampleFilter& Filter(int index)
{
    if (index < 0 || index >= kFilterCount)
        throw std::out_of_range("filter number " + std::to_string(index) + " is not between 0 and " +
                                std::to_string(kFilterCount - 1));
    return kFilters[index];
}

float BoxKernel(float x)
{
    return (x > -0.5f && x <= 0.5f) ? 1.0f : 0.0f;
}

float TriangleKernel(float x)
{
    const float a = std::fabs(x);
    return a < 1.0f ? 1.0f - a : 0.0f;
}

float HermiteKernel(float x)
{
    const float a = std::fabs(x);
    if (a >= 1.0f)
        return 0.0f;
    const float a2 = a * a;
    const float t = 2.0f * a - 3.0f;
    return t * a2 + 1.0f;
}

float BellKernel(float x)
{
    const float a = std::fabs(x);
    if (a < 0.5f)
        return 0.75f - a * a;
    if (a < 1.5f) {
        const float t = a - 1.5f;
        return 0.5f * (t * t);
    }
    return 0.0f;
}

float BSplineKernel(float x)
{
    const float a = std::fabs(x);
    if (a < 1.0f) {
        const float a2 = a * a;
        const float a3 = a2 * a;
        return 0.5f * a3 - a2 + 2.0f / 3.0f;
    }
    if (a < 2.0f) {
        const float t = 2.0f - a;
        return (t * t * t) / 6.0f;
    }
    return 0.0f;
}

float Lanczos3Kernel(float x)
{
    const float a = std::fabs(x);
    if (a >= 3.0f)
        return 0.0f;
    return Sinc(a) * Sinc(a / 3.0f);
}

float MitchellKernel(float x)
{
    const float a = std::fabs(x);
    const float a2 = a * a;
    const float a3 = a2 * a;
    if (a < 1.0f)
        return (7.0f * a3 - 12.0f * a2 + 16.0f / 3.0f) / 6.0f;
    if (a < 2.0f)
        return (-(7.0f / 3.0f) * a3 + 12.0f * a2 - 20.0f * a + 32.0f / 3.0f) / 6.0f;
    return 0.0f;
}

}  // namespace qel::imaging
