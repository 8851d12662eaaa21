// The main of every test program: tests play sound to the silent sink unless told otherwise, and
// each test program gets a temporary folder of its own, so test programs running side by side (or
// two checkouts testing at once) never share their files.

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::setenv("QELSAVER_AUDIO_SINK", "null", 0);
    std::string folder = (std::filesystem::temp_directory_path() / "qel-test-XXXXXX").string();
    const bool ownTemp = ::mkdtemp(folder.data()) != nullptr;
    if (ownTemp)
        ::setenv("TMPDIR", folder.c_str(), 1);
    ::testing::InitGoogleMock(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (ownTemp) {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    return result;
}
