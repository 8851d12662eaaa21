// Reading a whole file gives what the file holds when it is read, whatever its size was when it
// was opened, and never more than the limit.

#include <fstream>
#include <string>
#include <vector>

#include "platform/regularfile.h"
#include "scratchfolder.h"

namespace qel::platform::test {
namespace {

using RegularFiles = ScratchFolder;

std::string Text(const std::vector<std::uint8_t>& bytes)
{
    return {bytes.begin(), bytes.end()};
}

TEST_F(RegularFiles, ReadAllTakesTheFileAsItIsWhenRead)
{
    const std::string big(3 << 20, 'x');  // more than one read
    Put(At("same"), big);
    EXPECT_EQ(Text(RegularFile::Open(At("same")).ReadAll(big.size())), big);

    Put(At("grows"), big);
    RegularFile growing = RegularFile::Open(At("grows"));
    std::ofstream(At("grows"), std::ios::app) << std::string(5 << 20, 'y');
    EXPECT_EQ(Text(growing.ReadAll(100 << 20)), big + std::string(5 << 20, 'y'));

    Put(At("shrinks"), big);
    RegularFile shrinking = RegularFile::Open(At("shrinks"));
    Put(At("shrinks"), "short");
    EXPECT_EQ(Text(shrinking.ReadAll(100 << 20)), "short");

    Put(At("over"), big);
    RegularFile over = RegularFile::Open(At("over"));
    try {
        (void)over.ReadAll(big.size() - 1);
        ADD_FAILURE() << "a file over the limit was read";
    } catch (const FileError& e) {
        EXPECT_EQ(e.kind(), FileError::Kind::TooLarge) << e.what();
    }
}

}  // namespace
}  // namespace qel::platform::test
