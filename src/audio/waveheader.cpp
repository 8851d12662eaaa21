#include "audio/waveheader.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace qel::audio {
namespace {

uint32_t Le32(const unsigned char* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

}  // namespace

std::string WaveHeaderProblem(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};  // the player reports files it cannot read
    unsigned char riff[12];
    if (!in.read(reinterpret_cast<char*>(riff), sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return {};

    bool haveFormat = false;
    // Chunks follow one another; walk them until the sound data.
    for (int chunks = 0; chunks < 4096; ++chunks) {
        unsigned char head[8];
        if (!in.read(reinterpret_cast<char*>(head), sizeof head))
            return haveFormat ? "Broken wave header: no sound data chunk" : "Broken wave header: no format chunk";
        uint32_t size = Le32(head + 4);
        if (std::memcmp(head, "fmt ", 4) == 0) {
            if (size < 16)
                return "Broken wave header: format chunk too short";
            unsigned char fmt[16];
            if (!in.read(reinterpret_cast<char*>(fmt), sizeof fmt))
                return "Broken wave header: format chunk cut short";
            uint16_t channels = Le16(fmt + 2);
            uint32_t rate = Le32(fmt + 4);
            uint16_t blockAlign = Le16(fmt + 12);
            if (channels == 0 || rate == 0 || blockAlign == 0)
                return "Broken wave header: no channels, sample rate or block size";
            haveFormat = true;
            in.seekg(static_cast<std::streamoff>(size - 16 + (size & 1)), std::ios::cur);
            continue;
        }
        if (std::memcmp(head, "data", 4) == 0) {
            // A size of 0 (or one past the end) is what writers that stream leave behind: the data
            // runs to the end of the file, and the decoder copes with that.
            if (!haveFormat)
                return "Broken wave header: sound data before the format chunk";
            return {};
        }
        in.seekg(static_cast<std::streamoff>(size) + (size & 1), std::ios::cur);
    }
    return "Broken wave header: too many chunks";
}

}  // namespace qel::audio
