#include "pictureshow/random.h"

#include <chrono>

namespace qel::pictureshow {
namespace {

// splitmix64: small, fast and with a full period, so any seed is a good one.
std::uint64_t state = 0x853c49e6748fea9bULL;
std::optional<std::uint64_t> fixedSeed;

std::uint64_t Next()
{
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

}  // namespace

int Random(int n)
{
    if (n <= 0)
        return 0;
    // Multiply-shift maps 32 random bits onto [0, n) without a division.
    auto bits = static_cast<std::uint32_t>(Next() >> 32);
    return static_cast<int>((static_cast<std::uint64_t>(bits) * static_cast<std::uint64_t>(n)) >> 32);
}

void RandSeed(std::uint64_t s)
{
    state = s;
}

void Randomize()
{
    if (fixedSeed) {
        state = *fixedSeed;
        return;
    }
    state = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
            static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

void SetFixedSeed(std::optional<std::uint64_t> s)
{
    fixedSeed = s;
    if (s)
        state = *s;
}

}  // namespace qel::pictureshow
