// The main of every test program: tests play sound to the silent sink unless told otherwise.

#include <cstdlib>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::setenv("QELSAVER_AUDIO_SINK", "null", 0);
    ::testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
