// The libFuzzer program over FuzzPackage (scripts/test runs it for a few seconds; seeds come from
// package_fuzz_seeds).

#include <cstddef>
#include <cstdint>

#include "packagefuzztarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    qel::installer::FuzzPackage(data, size);
    return 0;
}
