#pragma once
// The process-wide pseudo-random generator of the transitions (dissolve, swarm and ragged edges).
// One generator for the whole program, as every picture control shares it; the slideshow reseeds
// it from the clock before each style choice. A fixed seed (qelsaver-tool --seed, tests) makes
// every reseed return to that seed, so a whole transition repeats exactly.

#include <cstdint>
#include <optional>

namespace qel::pictureshow {

// 0 ... n - 1, uniformly; 0 for n <= 0.
[[nodiscard]] int Random(int n);
// Seeds the generator with s.
void RandSeed(std::uint64_t s);
// Seeds from the clock, or with the fixed seed when one is set.
void Randomize();
// Sets (or with nullopt removes) the seed every Randomize() uses; also seeds at once.
void SetFixedSeed(std::optional<std::uint64_t> s);

}  // namespace qel::pictureshow
