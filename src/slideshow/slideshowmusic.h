#pragma once
// The slideshow's music: the sounds of the settings file one after another, in list order or at
// random, endlessly. MP3 files go to the process-wide MPEG player, everything else to the window's
// media-control player. Player errors never reach the slideshow.
//
// Toolkit-free: the window supplies the two players through the interfaces below and calls
// TimerTick every 100 ms and PlayEnd when the MPEG player reports the end of a sound.

#include <string>
#include <vector>

#include "slideshow/showorder.h"

namespace qel::slideshow {

// True when a sound file goes to the MPEG player: its extension, in any case, is ".mp3". Every
// other sound goes to the media-control player.
[[nodiscard]] bool IsMPEGSound(const std::string& path);

// What the music needs of the MPEG player. Any member may throw.
class MpegOutput {
public:
    virtual ~MpegOutput() = default;
    // A stream is open and playing or paused (so it must be closed before the next one).
    [[nodiscard]] virtual bool StreamOpen() = 0;
    virtual void Close() = 0;
    // Sets the stream name to `path` and starts it.
    virtual void Play(const std::string& path) = 0;
};

// What the music needs of the media-control player. Any member may throw.
class MediaOutput {
public:
    virtual ~MediaOutput() = default;
    virtual void Close() = 0;  // nothing happens when no device is open
    virtual void Open(const std::string& path) = 0;
    virtual void Play() = 0;
    // The sound has stopped: it ended, or it could not play.
    [[nodiscard]] virtual bool Stopped() = 0;
};

class SlideshowMusic {
public:
    enum class Player { None = 0, Mpeg = 1, Media = 2 };

    // Either player may be null (that player's sounds then fail like unplayable files).
    SlideshowMusic(MpegOutput* mpeg, MediaOutput* media, RandomIndex draw);

    // The sound list and its order, then the first sound: a random one in random order, else the
    // first. An empty list plays nothing.
    void Start(std::vector<std::string> sounds, bool random);

    // Starts sound number i. Errors are swallowed.
    void PlaySound(int i);

    // The current sound has ended: start the next one.
    void PlayEnd();

    // The 100 ms poll: notices the end of a media-control sound, and moves past a sound that
    // could not be started.
    void TimerTick();

    // The window goes away: closes whatever plays. Errors are swallowed.
    void Stop();

    [[nodiscard]] int CurrentSound() const { return current_; }
    [[nodiscard]] bool MusicStarted() const { return started_; }
    [[nodiscard]] Player PlayerKind() const { return kind_; }

private:
    MpegOutput* mpeg_;
    MediaOutput* media_;
    RandomIndex draw_;
    std::vector<std::string> sounds_;
    bool random_ = false;
    bool started_ = false;
    Player kind_ = Player::None;
    int current_ = 0;
    // Sounds that failed to start one after another; the poll moves on past a failed sound until
    // every sound of the list has failed in a row, then the music stays silent.
    int failedInRow_ = 0;
    bool lastFailed_ = false;
};

}  // namespace qel::slideshow
