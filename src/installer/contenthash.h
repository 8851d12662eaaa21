#pragma once
// The fingerprint of a file's content that the installer records for every file it writes (SHA-256,
// in hexadecimal), so that the uninstaller removes a file only while it is still the very file that
// was installed.

#include <cstddef>
#include <cstdint>
#include <string>

namespace qel::installer {

class ContentHash {
public:
    ContentHash();
    void Add(const std::uint8_t* data, std::size_t n);
    // The 64 hexadecimal digits of the content added so far; the object is spent afterwards.
    [[nodiscard]] std::string Finish();

private:
    void Block(const std::uint8_t* block);
    std::uint32_t state_[8];
    std::uint8_t buffer_[64];
    std::size_t filled_ = 0;
    std::uint64_t length_ = 0;
};

[[nodiscard]] std::string HashOf(const std::string& bytes);

}  // namespace qel::installer
