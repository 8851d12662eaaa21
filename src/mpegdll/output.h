#pragma once
// Where decoded samples go: the system's sound output or a raw PCM file through libout123, or
// nowhere (the silent sink selected by QELSAVER_AUDIO_SINK=null, and the stand-in when no sound
// output of the system works). Used by the playback thread only.

#include <cstddef>
#include <memory>
#include <string>

namespace qel::mpegdll {

class Output {
public:
    virtual ~Output() = default;

    // Opens the output for 16-bit signed samples; nullptr when no working output can be had.
    // device: QEL_DEVICE_SYSTEM or QEL_DEVICE_PCMFILE (fileName used only for the latter). When no
    // sound output of the system works, the silent output stands in for it.
    static std::unique_ptr<Output> Open(int device, const std::string& fileName, long rate, int channels);

    // Hands over `bytes` bytes; false when the output has failed.
    virtual bool Write(unsigned char* data, size_t bytes) = 0;
    // A new sample format in the middle of the stream.
    virtual bool Reformat(long rate, int channels) = 0;
    virtual void Pause() {}
    virtual void Continue() {}
    // Waits until everything written has been played (end of stream).
    virtual void Drain() {}
    // Throws away what has not been played yet (stopping).
    virtual void Drop() {}
    // True when Write returns at once and the caller must keep real-time pace itself.
    [[nodiscard]] virtual bool NeedsPacing() const { return false; }
    // True for the silent output standing in for a system output that does not work.
    [[nodiscard]] virtual bool StandsInForSystemOutput() const { return false; }
};

}  // namespace qel::mpegdll
