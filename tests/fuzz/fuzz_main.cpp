// One libFuzzer program per target; QEL_FUZZ_TARGET names it (see fuzztargets.h).

#include <cstddef>
#include <cstdint>

#include "fuzztargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const qel::fuzz::FuzzTarget* const target = qel::fuzz::FindFuzzTarget(QEL_FUZZ_TARGET);
    if (target == nullptr)
        __builtin_trap();  // a program built for a target this build does not have
    target->run(data, size);
    return 0;
}
