#include "mpegdll/output.h"

#include <chrono>
#include <mutex>

#include <out123.h>

#include "mpegdll/qelmpegdll.h"
#include "platform/environment.h"

namespace qel::mpegdll {
namespace {

// Discards the samples. The player paces itself so a sound still lasts as long as it would aloud.
class NullOutput final : public Output {
public:
    explicit NullOutput(bool standIn = false) : standIn_(standIn) {}
    bool Write(unsigned char*, size_t) override { return true; }
    bool Reformat(long, int) override { return true; }
    [[nodiscard]] bool NeedsPacing() const override { return true; }
    [[nodiscard]] bool StandsInForSystemOutput() const override { return standIn_; }

private:
    bool standIn_;
};

class Out123Output final : public Output {
public:
    ~Out123Output() override
    {
        if (handle_ != nullptr)
            out123_del(handle_);  // closes the device or file as well
    }

    // Tries the modules of a comma-separated list in turn; the first that opens plays.
    bool Open(const std::string& drivers, const char* device, long rate, int channels)
    {
        // One module at a time, each one loud. A quiet libout123 (OUT123_QUIET, and libout123's own
        // probing of every module of a list but the last) lets its ALSA module silence ALSA by
        // installing an error handler of its own into libasound, process-wide, and the handler
        // stays there when the module is unloaded again (at once when no device opens). The next
        // ALSA error anywhere in the process, such as GStreamer's ALSA sink finding no sound
        // card, then calls into unmapped memory. Loud, the module leaves libasound's handler
        // alone; a failed open costs a few lines on the error output instead.
        size_t start = 0;
        while (start <= drivers.size()) {
            size_t end = drivers.find(',', start);
            if (end == std::string::npos)
                end = drivers.size();
            const std::string driver = drivers.substr(start, end - start);
            start = end + 1;
            if (driver.empty())
                continue;
            handle_ = out123_new();
            if (handle_ == nullptr)
                return false;
            if (out123_open(handle_, driver.c_str(), device) == OUT123_OK)
                return Start(rate, channels);
            out123_del(handle_);
            handle_ = nullptr;
        }
        return false;
    }

    bool Write(unsigned char* data, size_t bytes) override
    {
        size_t played = out123_play(handle_, data, bytes);
        return played == bytes && out123_errcode(handle_) == OUT123_OK;
    }

    bool Reformat(long rate, int channels) override
    {
        if (rate == rate_ && channels == channels_)
            return true;
        out123_drain(handle_);
        out123_stop(handle_);
        return Start(rate, channels);
    }

    void Pause() override { out123_pause(handle_); }
    void Continue() override { out123_continue(handle_); }
    void Drain() override { out123_drain(handle_); }
    void Drop() override { out123_drop(handle_); }

private:
    bool Start(long rate, int channels)
    {
        rate_ = rate;
        channels_ = channels;
        return out123_start(handle_, rate, channels, MPG123_ENC_SIGNED_16) == OUT123_OK;
    }

    out123_handle* handle_ = nullptr;
    long rate_ = 0;
    int channels_ = 0;
};

}  // namespace

std::unique_ptr<Output> Output::Open(int device, const std::string& fileName, long rate, int channels)
{
    if (device == QEL_DEVICE_PCMFILE) {
        if (fileName.empty())
            return nullptr;
        auto out = std::make_unique<Out123Output>();
        if (!out->Open("raw", fileName.c_str(), rate, channels))
            return nullptr;
        return out;
    }
    if (device != QEL_DEVICE_SYSTEM)
        return nullptr;
    // QELSAVER_AUDIO_SINK: "null" plays silently (tests, machines without sound); any other
    // non-empty value names the libout123 output module(s) to use, comma-separated; unset uses the
    // system's sound server or device.
    const std::string sink = platform::Environment("QELSAVER_AUDIO_SINK");
    if (sink == "null")
        return std::make_unique<NullOutput>();
    // The system's sound servers and devices, in the order a desktop offers them. libout123's own
    // default list also tries modules that, without a sound card, accept samples and never play
    // them, so playback would never end.
    const std::string drivers = sink.empty() ? std::string("pulse,alsa,oss,jack") : sink;
    // No sound output works: the sound plays silently, so that it still takes its time and the
    // music goes on as it would aloud; the player tells the caller with a notice. The same outputs
    // are not tried again for a while: each try costs every module's probing, and its lines on
    // the error output, for every sound of the music.
    static std::mutex failMutex;
    static std::string failedDrivers;
    static std::chrono::steady_clock::time_point failedAt;
    constexpr auto kRetryAfter = std::chrono::minutes(1);
    {
        std::lock_guard lock(failMutex);
        if (drivers == failedDrivers && std::chrono::steady_clock::now() - failedAt < kRetryAfter)
            return std::make_unique<NullOutput>(true);
    }
    auto out = std::make_unique<Out123Output>();
    if (!out->Open(drivers, nullptr, rate, channels)) {
        std::lock_guard lock(failMutex);
        failedDrivers = drivers;
        failedAt = std::chrono::steady_clock::now();
        return std::make_unique<NullOutput>(true);
    }
    return out;
}

}  // namespace qel::mpegdll
