#pragma once
// The library's one player: an open stream, the chosen output and the playback thread.
//
// Every public member is called from the caller's thread (one at a time) and returns an error code
// (QEL_MPEG_*). The playback thread decodes and writes to the output; it shares with the caller
// only the fields under `mutex_` and the atomics. The thread is always joined before the stream or
// the output changes, so the decoder is never used from two threads at once. After Stop, Close or a
// new Play returns, the thread no longer touches the caller's end byte.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "mpegdll/decoder.h"

namespace qel::mpegdll {

class Player {
public:
    Player() = default;
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    ~Player();

    int OpenFile(const std::string& name);
    int OpenStream(const StreamCallbacks& callbacks);
    int Close();
    int SetOutputDevice(int device, const std::string& fileName);
    int SetPriority(int priority);
    int Play(int32_t startMs, int32_t endMs, uint8_t* endReached);
    int Restart();
    int Pause(bool pause);
    int Stop();
    int Seek(int32_t ms);
    int ResetMode();

    [[nodiscard]] int Mode() const { return mode_.load(); }
    [[nodiscard]] int32_t PositionMs() const;
    [[nodiscard]] int32_t LengthMs() const;
    [[nodiscard]] int32_t Frequency() const;
    [[nodiscard]] int32_t Bitrate() const;
    [[nodiscard]] int32_t Layer() const;

private:
    void Opened();
    int StartThread(int64_t startSample);
    void StopThread();
    bool Run(class Output& output);  // true when the stream has played to its end
    void Finish(bool reachedEnd);
    void ApplyPriority();
    [[nodiscard]] int64_t MsToSamples(int64_t ms) const;

    Decoder decoder_;
    int device_ = 0;
    std::string outFileName_;
    std::atomic<int> priority_{0};
    int callerNice_ = 0;
    std::atomic<int> threadId_{0};

    int32_t startMs_ = 0;
    int32_t endMs_ = 0;
    uint8_t* endReached_ = nullptr;
    bool played_ = false;  // Play has run since the stream was opened

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopRequested_ = false;   // under mutex_
    bool pauseRequested_ = false;  // under mutex_
    std::atomic<int> mode_{QEL_MODE_CLOSED};
    std::atomic<int64_t> positionSamples_{0};
    std::atomic<long> rate_{0};
    std::atomic<int32_t> lengthMs_{0};
    std::atomic<int32_t> bitrate_{0};
    std::atomic<int32_t> layer_{0};
};

}  // namespace qel::mpegdll
