#pragma once
// A folder of its own for each test, and files written into it byte for byte.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qel::imaging::test {

class PictureFiles : public testing::Test {
protected:
    std::filesystem::path dir;
    void SetUp() override
    {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("qel_" + std::string(info->test_suite_name()) + "_" + std::string(info->name()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
};

}  // namespace qel::imaging::test
