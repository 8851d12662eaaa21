#pragma once
// What the fuzzing harnesses feed with arbitrary bytes: the parts of the program that read what a
// user can hand it. Each target takes any input and must end normally: a picture or a PictureError,
// settings or their defaults, a decoded stream or an error code. A crash, a hang, a sanitizer report
// or an exception of another kind is a fault.
//
// The libFuzzer programs (fuzz_<name>, built by scripts/fuzz) run one target each; the regression
// test runs every input kept in tests/fuzz/regressions/<name>/ through the same functions.

#include <cstddef>
#include <cstdint>
#include <span>

namespace qel::fuzz {

struct FuzzTarget {
    const char* name;
    void (*run)(const std::uint8_t* data, std::size_t size);
};

// Every target of this build (the Qt picture formats only where Qt is linked).
[[nodiscard]] std::span<const FuzzTarget> FuzzTargets();

// The target of that name, or nullptr.
[[nodiscard]] const FuzzTarget* FindFuzzTarget(const char* name);

}  // namespace qel::fuzz
