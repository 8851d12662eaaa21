#include "imaging/contributors.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace qel::imaging {
namespace {

// Round to nearest, ties to even (the default floating-point rounding mode).
int RoundWeight(float v)
{
    return static_cast<int>(std::lrint(v));
}

}  // namespace

AxisContributors BuildContributors(int outputs, int length, FilterKernel kernel, float radius)
{
    if (outputs < 1 || length < 1 || !(radius > 0.0f))
        throw std::invalid_argument("resampling needs a non-empty source, a non-empty target and a radius above 0");

    // The first and last source pixels map onto the first and last output pixels. A single output
    // would make that scale 0 (and every centre a division by zero): it takes the whole source, centred.
    float scale;
    float fixedCentre = -1.0f;
    if (outputs == 1 && length > 1) {
        scale = 1.0f / static_cast<float>(length);
        fixedCentre = static_cast<float>(length - 1) / 2.0f;
    } else if (length == 1) {
        scale = static_cast<float>(outputs) / static_cast<float>(length);
    } else {
        scale = static_cast<float>(outputs - 1) / static_cast<float>(length - 1);
    }
    const bool reduce = scale < 1.0f;
    const float w = reduce ? radius / scale : radius;

    AxisContributors c;
    c.outputs = outputs;
    c.length = length;
    c.left.resize(outputs);
    c.count.resize(outputs);
    c.first.resize(outputs);
    c.weightSum.resize(outputs);
    c.weights.reserve(static_cast<size_t>(outputs) * static_cast<size_t>(std::trunc(2.0f * w + 1.0f) + 2));

    std::vector<int> taps;
    for (int i = 0; i < outputs; ++i) {
        const float centre = fixedCentre >= 0.0f ? fixedCentre : static_cast<float>(i) / scale;
        const int lo = static_cast<int>(std::floor(centre - w));
        const int hi = static_cast<int>(std::ceil(centre + w));
        taps.clear();
        int sum = 0;
        for (int j = lo; j <= hi; ++j) {
            const float d = centre - static_cast<float>(j);
            const int weight =
                reduce ? RoundWeight(kernel(d * scale) * scale * 256.0f) : RoundWeight(kernel(d) * 256.0f);
            taps.push_back(weight);
            sum += weight;
        }
        // Far reductions (beyond about 1:500) round every weight to 0, which would make the pixel black:
        // fall back to an even average of the taps under the kernel's positive part.
        if (sum == 0) {
            for (int j = lo; j <= hi; ++j) {
                const float d = centre - static_cast<float>(j);
                taps[j - lo] = kernel(reduce ? d * scale : d) > 0.0f ? 1 : 0;
                sum += taps[j - lo];
            }
            if (sum == 0) {  // cannot happen for the table's kernels; keep the nearest pixel
                std::fill(taps.begin(), taps.end(), 0);
                taps[static_cast<int>(std::lrint(centre)) - lo] = 1;
                sum = 1;
            }
        }
        // Trim zero weights at both ends so the taps stay short.
        int a = 0, b = static_cast<int>(taps.size());
        while (a < b && taps[a] == 0)
            ++a;
        while (b > a && taps[b - 1] == 0)
            --b;
        c.left[i] = lo + a;
        c.count[i] = b - a;
        c.first[i] = static_cast<int>(c.weights.size());
        c.weightSum[i] = sum;
        for (int k = a; k < b; ++k)
            c.weights.push_back(static_cast<std::int16_t>(taps[k]));
        c.maxCount = std::max(c.maxCount, b - a);
        c.reachBefore = std::max(c.reachBefore, -(lo + a));
        c.reachAfter = std::max(c.reachAfter, lo + b - 1 - (length - 1));
    }
    return c;
}

}  // namespace qel::imaging
