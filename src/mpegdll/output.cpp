#include "mpegdll/output.h"

#include <out123.h>

#include "mpegdll/qelmpegdll.h"
#include "platform/environment.h"

namespace qel::mpegdll {
namespace {

// Discards the samples. The player paces itself so a sound still lasts as long as it would aloud.
class NullOutput final : public Output {
public:
    bool Write(unsigned char*, size_t) override { return true; }
    bool Reformat(long, int) override { return true; }
    [[nodiscard]] bool NeedsPacing() const override { return true; }
};

class Out123Output final : public Output {
public:
    ~Out123Output() override
    {
        if (handle_ != nullptr)
            out123_del(handle_);  // closes the device or file as well
    }

    bool Open(const char* driver, const char* device, long rate, int channels)
    {
        handle_ = out123_new();
        if (handle_ == nullptr)
            return false;
        out123_param_int(handle_, OUT123_ADD_FLAGS, OUT123_QUIET);
        if (out123_open(handle_, driver, device) != OUT123_OK)
            return false;
        return Start(rate, channels);
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
    const std::string driver = sink.empty() ? "pulse,alsa,oss,jack" : sink;
    auto out = std::make_unique<Out123Output>();
    if (!out->Open(driver.c_str(), nullptr, rate, channels))
        return nullptr;
    return out;
}

}  // namespace qel::mpegdll
