#pragma once
// TMediaPlayer: plays every sound that is not MP3 (wave, MIDI, and whatever the system's GStreamer
// plugins can open) through a GStreamer playbin. The device is the playbin: Open loads the file and
// waits until it is ready to play, Play starts it from the beginning without waiting, Mode reports
// stopped once the sound has ended, Stop halts it, Close releases it.
//
// The environment variable QELSAVER_AUDIO_SINK=null sends the sound to a silent sink that still
// keeps real time (tests, machines without a sound card). Otherwise GStreamer chooses among the
// system's outputs; when none works it plays silently, and Open reports that there is no sound
// output (audio/soundoutputnotice.h).
//
// Everything runs on the owner's thread; GStreamer plays on threads of its own, and Mode collects
// what it reported (end of stream, errors) from the pipeline's message bus. A sound whose position
// stops moving for ten seconds while it plays counts as ended (stalled on broken data).

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>

struct _GstElement;
struct _GstBus;

namespace qel::audio {

// Open failed. The message is GStreamer's own, naming the file.
class TMediaDeviceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Values of Mode().
enum TMPModes { mpNotReady = 0, mpStopped = 1, mpPlaying = 2, mpPaused = 5, mpOpen = 6 };

class TMediaPlayer {
public:
    TMediaPlayer() = default;
    TMediaPlayer(const TMediaPlayer&) = delete;
    TMediaPlayer& operator=(const TMediaPlayer&) = delete;
    ~TMediaPlayer();  // closes the device

    [[nodiscard]] const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& value) { fileName_ = value; }

    // Opens FileName (closing a device already open) and returns when it is ready to play.
    // Throws TMediaDeviceError when the file cannot be played.
    void Open();
    // Starts playback from the beginning and returns at once. Failures only set Error().
    void Play();
    // mpStopped once the sound has ended (or failed while playing) or was stopped; mpPlaying while
    // it plays; mpNotReady when no device is open.
    int Mode();
    // Halts playback; the device stays open.
    void Stop();
    // Releases the device. Does nothing when none is open.
    void Close();

    // Asks that the next command post a completion notice. Nothing reads it; kept for callers that
    // set it, it only lasts for one command.
    [[nodiscard]] bool Notify() const { return notify_; }
    void SetNotify(bool value) { notify_ = value; }

    [[nodiscard]] bool DeviceOpen() const { return playbin_ != nullptr; }
    // Code of the last failed command (0 = none) and GStreamer's message for it.
    [[nodiscard]] int Error() const { return error_; }
    [[nodiscard]] const std::string& ErrorMessage() const { return errorMessage_; }

private:
    void CollectMessages();
    void CheckProgress();
    void CommandDone(bool ok, const std::string& message = {});

    std::string fileName_;
    _GstElement* playbin_ = nullptr;
    _GstBus* bus_ = nullptr;
    bool playing_ = false;  // Play asked for playback and nothing has ended it
    bool ended_ = false;    // end of stream, or an error while playing
    bool fresh_ = false;    // just opened: already at the beginning
    bool notify_ = false;
    int64_t lastPosition_ = -1;  // for noticing a stalled pipeline
    std::chrono::steady_clock::time_point lastProgress_;
    int error_ = 0;
    std::string errorMessage_;
};

}  // namespace qel::audio
