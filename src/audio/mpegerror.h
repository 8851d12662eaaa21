#pragma once
// The error the MPEG player raises: a message and the decoder library's one-byte error code.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace qel::audio {

class TMPEGError : public std::runtime_error {
public:
    TMPEGError(uint8_t code, const std::string& message) : std::runtime_error(message), code_(code) {}

    // The error for a code of the decoder library (0 to 5; other codes get a generic text).
    static TMPEGError FromCode(int32_t code);

    [[nodiscard]] uint8_t ErrorCode() const { return code_; }

private:
    uint8_t code_;
};

// Codes of the errors raised by the player itself.
inline constexpr uint8_t kMPEGErrorNotLoaded = 0;
inline constexpr uint8_t kMPEGErrorMode = 2;
inline constexpr uint8_t kMPEGErrorInput = 3;
inline constexpr uint8_t kMPEGErrorOutput = 5;
inline constexpr uint8_t kMPEGErrorNoStream = 254;

inline constexpr const char* kCantLoadMessage = "Can't load MPEG library";
inline constexpr const char* kNoStreamMessage = "Can't play non-specified stream";

// The message of the library's error code.
std::string MPEGErrorMessage(int32_t code);

}  // namespace qel::audio
