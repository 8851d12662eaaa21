#pragma once
// TMPEGPlayer: plays MPEG audio through the decoder library "QelMpegDll.dll", loaded at run time
// from `PathToDLL`. It binds the library's nineteen entry points, drives it through a small state
// machine (opened, playing, paused), turns the library's error codes into TMPEGError, and finds the
// end of playback by polling, on its own thread's event loop, the one byte the library sets.
//
// States: not loaded -> (LoadMPEGLibrary) loaded -> (Open) opened -> (Play) playing -> (end byte
// seen by TimerTick) ended = opened, not playing; Play from there restarts. Close returns to loaded
// from every state; UnloadMPEGLibrary to not loaded. Setting StreamName closes.
//
// Every operation runs on the thread that owns the player (the window thread) and reports failure
// by throwing TMPEGError. The one exception: SetStreamName and Open of a closed player may run on
// another thread while the owner leaves the player alone (the slideshow opens its sounds so, as
// a file may keep its reader waiting); Play then starts the stream on the owner's thread. The object hands its own address and that of its end byte to the
// library, so it is neither copied nor moved.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "audio/mpegerror.h"
#include "mpegdll/qelmpegdll.h"

class QLibrary;
class QTimer;

namespace qel::audio {

enum class TPlayPriority { Idle, Lowest, BelowNormal, Normal, AboveNormal, Highest, TimeCritical };
enum class TOutputDevice { wavemapper, pcmfile };

class TMPEGPlayer {
public:
    using TNotifyEvent = std::function<void(TMPEGPlayer& sender)>;
    using TPosUpdateEvent = std::function<void(TMPEGPlayer& sender, int32_t pos, int32_t len)>;
    // Stream events: the library reads the stream through these when FromStream is true. They run
    // on the library's threads.
    using TOpenStreamEvent = std::function<void(TMPEGPlayer&, bool& nonseekable, void*& context)>;
    using TCloseStreamEvent = std::function<void(TMPEGPlayer&, void* context)>;
    using TRestartStreamEvent = std::function<void(TMPEGPlayer&, void* context, bool& res)>;
    using TReadStreamEvent =
        std::function<void(TMPEGPlayer&, void* context, void* buffer, int32_t count, int32_t& bytesRead, bool& res)>;
    using TSeekStreamEvent =
        std::function<void(TMPEGPlayer&, void* context, int32_t numBytes, int32_t moveMethod, int32_t& res)>;
    using TGetStreamSizeEvent = std::function<void(TMPEGPlayer&, void* context, int32_t& res)>;

    TMPEGPlayer();
    TMPEGPlayer(const TMPEGPlayer&) = delete;
    TMPEGPlayer& operator=(const TMPEGPlayer&) = delete;
    ~TMPEGPlayer();  // unloads the library when loaded

    // The decoder library's file name; names are matched without regard to case.
    static constexpr const char* kLibraryFileName = "QelMpegdll.dll";

    // --- operations (all throw TMPEGError) ---
    void LoadMPEGLibrary();
    void UnloadMPEGLibrary();
    void Open();
    void Play();
    void Pause(bool pause);  // true pauses, false resumes
    void Restart();
    void Close();
    int32_t GetPlayerMode();
    int32_t GetCurrentPos();
    int32_t GetLength();
    // What the timer runs every TimerFreq milliseconds while playing: reports the position, and
    // the end of playback through OnPlayEnd.
    void TimerTick();

    // --- properties ---
    [[nodiscard]] bool FromStream() const { return fromStream_; }
    void SetFromStream(bool value) { fromStream_ = value; }
    [[nodiscard]] TPlayPriority PlayerPriority() const;
    void SetPlayerPriority(TPlayPriority value);
    [[nodiscard]] bool UseTimer() const { return useTimer_; }
    void SetUseTimer(bool value) { useTimer_ = value; }
    [[nodiscard]] int32_t TimerFreq() const { return timerFreq_; }
    void SetTimerFreq(int32_t value);  // 0 also turns UseTimer off
    [[nodiscard]] bool AutoPlay() const { return autoPlay_; }
    void SetAutoPlay(bool value) { autoPlay_ = value; }
    [[nodiscard]] const std::string& StreamName() const { return streamName_; }
    void SetStreamName(const std::string& value);  // closes an open stream
    [[nodiscard]] TOutputDevice OutputDevice() const;
    // pcmfile takes effect only when OutFilename is already set; else the system output is kept.
    void SetOutputDevice(TOutputDevice value);
    [[nodiscard]] const std::string& OutFilename() const { return outFilename_; }
    void SetOutFilename(const std::string& value) { outFilename_ = value; }
    [[nodiscard]] const std::string& PathToDLL() const { return pathToDLL_; }
    void SetPathToDLL(const std::string& value) { pathToDLL_ = value; }
    [[nodiscard]] int32_t StartPos() const { return startPos_; }
    void SetStartPos(int32_t value) { startPos_ = value; }
    [[nodiscard]] int32_t EndPos() const { return endPos_; }
    void SetEndPos(int32_t value) { endPos_ = value; }
    [[nodiscard]] int32_t PlayedXTimes() const { return playedXTimes_; }

    // --- state, read-only ---
    [[nodiscard]] bool Loaded() const { return library_ != nullptr; }
    [[nodiscard]] bool Opened() const { return opened_; }
    [[nodiscard]] bool Playing() const { return playing_; }
    [[nodiscard]] bool Paused() const { return paused_; }
    [[nodiscard]] bool EndReached() const;  // the byte the library sets at the end of playback
    [[nodiscard]] int32_t LastErrorCode() const { return lastErrorCode_; }
    [[nodiscard]] int32_t StreamLength() const { return streamLength_; }
    // The full file name LoadMPEGLibrary loads (or would load).
    [[nodiscard]] std::string LibraryPath() const;
    // Why the last LoadMPEGLibrary failed, in the loader's words (empty when it did not fail).
    [[nodiscard]] const std::string& LoadFailure() const { return loadFailure_; }

    // --- events ---
    TOpenStreamEvent OnOpenStream;
    TCloseStreamEvent OnCloseStream;
    TRestartStreamEvent OnRestartStream;
    TGetStreamSizeEvent OnGetStreamSize;
    TSeekStreamEvent OnSeekStream;
    TReadStreamEvent OnReadStream;
    TPosUpdateEvent OnPosUpdate;
    TNotifyEvent OnPlayEnd;

private:
    struct Entries;

    void RequireLoaded() const;
    void ErrorStep();
    void StartedPlaying();
    void ForgetLibrary();
    void StopTimer();

    std::unique_ptr<QLibrary> library_;
    std::unique_ptr<Entries> fn_;
    std::unique_ptr<QTimer> timer_;
    int32_t timerInterval_ = 0;  // fixed when the library is loaded; 0 never fires

    bool fromStream_ = false;
    int32_t priorityValue_ = 0;
    bool useTimer_ = false;
    int32_t timerFreq_ = 0;
    bool autoPlay_ = false;
    std::string streamName_;
    int32_t deviceCode_ = 0;
    std::string outFilename_;
    std::string pathToDLL_;
    int32_t startPos_ = 0;
    int32_t endPos_ = 0;
    int32_t playedXTimes_ = 0;

    bool opened_ = false;
    bool playing_ = false;
    bool paused_ = false;
    uint8_t endReached_ = 0;  // written by the library's thread
    int32_t streamLength_ = 0;
    int32_t lastErrorCode_ = 0;
    std::string loadFailure_;
};

}  // namespace qel::audio
