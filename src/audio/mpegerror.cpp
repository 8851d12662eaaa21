#include "audio/mpegerror.h"

#include <algorithm>

namespace qel::audio {

std::string MPEGErrorMessage(int32_t code)
{
    static const char* const kMessages[] = {
        "MPEG library not loaded", "Internal decoder error",       "Incorrect mode",
        "Input stream error",      "Input stream is non-seekable", "Output device failure",
    };
    if (code >= 0 && code < 6)
        return kMessages[code];
    return "MPEG library error " + std::to_string(code);
}

TMPEGError TMPEGError::FromCode(int32_t code)
{
    return TMPEGError(static_cast<uint8_t>(std::clamp(code, 0, 255)), MPEGErrorMessage(code));
}

}  // namespace qel::audio
