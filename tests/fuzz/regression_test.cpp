// Inputs that once broke a fuzzing target, kept in tests/fuzz/regressions/<target>/, run through the
// same target again by every test run.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

#include "fuzztargets.h"

namespace qel::fuzz {
namespace {

namespace fs = std::filesystem;

TEST(FuzzRegressions, EveryKeptInputEndsNormally)
{
    int inputs = 0;
    for (const FuzzTarget& target : FuzzTargets()) {
        const fs::path folder = fs::path(QEL_FUZZ_REGRESSIONS) / target.name;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            SCOPED_TRACE(it->path().string());
            std::ifstream in(it->path(), std::ios::binary);
            const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                                  std::istreambuf_iterator<char>());
            target.run(bytes.data(), bytes.size());
            ++inputs;
        }
    }
    RecordProperty("inputs", inputs);
}

}  // namespace
}  // namespace qel::fuzz
