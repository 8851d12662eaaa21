#pragma once
// The slideshow's music: the sounds of the settings file one after another, in list order or at
// random, endlessly. MP3 files go to the process-wide MPEG player, everything else to the window's
// media-control player. Player errors never reach the slideshow.
//
// Opening a sound reads its file, and a file can keep its reader waiting without end (a FIFO, a
// network mount that stopped answering): each sound is therefore opened on a worker thread of its
// own, and only a sound that opened is played, on the window thread. The window's exit inputs keep
// working whatever a sound file does.
//
// Toolkit-free: the window supplies the two players through the interfaces below and calls
// TimerTick every 100 ms and PlayEnd when the MPEG player reports the end of a sound.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "slideshow/showorder.h"

namespace qel::platform {
class BackgroundTask;
}

namespace qel::slideshow {

// True when a sound file goes to the MPEG player: its extension, in any case, is ".mp3". Every
// other sound goes to the media-control player.
[[nodiscard]] bool IsMPEGSound(const std::string& path);

// A sound that opened and is ready to play. Played, asked and closed on the window thread.
class OpenedSound {
public:
    virtual ~OpenedSound() = default;  // closes the sound; never throws
    virtual void Play() = 0;           // may throw
    // The sound has stopped by itself (ended, or failed while playing). A sound whose end comes as
    // the player's end-of-play event answers false. May throw.
    [[nodiscard]] virtual bool Stopped() = 0;
};

// Opens the sound file at `path`, or throws when it cannot be played. Runs on a worker thread; it
// must own everything it touches, or ask platform::BackgroundTask::Abandoned() after waiting on the
// file before it touches anything shared.
using SoundOpener = std::function<std::unique_ptr<OpenedSound>(const std::string& path)>;

// One of the two players, as the music sees it.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // How this player opens a sound; called on the window thread, run on a worker.
    [[nodiscard]] virtual SoundOpener Opener() = 0;
};

class SlideshowMusic {
public:
    enum class Player { None = 0, Mpeg = 1, Media = 2 };

    // Starts `work` off the window thread. The default runs it on a platform::BackgroundTask; tests
    // may run it in place and return nothing.
    using Launch = std::function<std::unique_ptr<platform::BackgroundTask>(std::function<void()> work)>;

    // Either player may be null (that player's sounds then fail like unplayable files).
    SlideshowMusic(SoundOutput* mpeg, SoundOutput* media, RandomIndex draw, Launch launch = {});
    ~SlideshowMusic();  // Stop()
    SlideshowMusic(const SlideshowMusic&) = delete;
    SlideshowMusic& operator=(const SlideshowMusic&) = delete;

    // The sound list and its order, then the first sound: a random one in random order, else the
    // first. An empty list plays nothing.
    void Start(std::vector<std::string> sounds, bool random);

    // Closes what plays and starts opening sound i; it plays once it has opened. Errors are
    // swallowed.
    void PlaySound(int i);

    // The current sound has ended: start the next one.
    void PlayEnd();

    // The 100 ms poll: plays a sound that has opened, notices the end of a media-control sound, and
    // moves past a sound that could not be opened or started.
    void TimerTick();

    // The window goes away: closes whatever plays, and leaves a sound that is still opening to
    // finish on its own when its file keeps it waiting. Errors are swallowed.
    void Stop();

    [[nodiscard]] int CurrentSound() const { return current_; }
    [[nodiscard]] bool MusicStarted() const { return started_; }
    [[nodiscard]] Player PlayerKind() const { return kind_; }
    // A sound is being opened off the window thread.
    [[nodiscard]] bool Opening() const { return opening_ != nullptr; }

private:
    struct PendingSound;

    void Opened();
    void Failed();

    SoundOutput* mpeg_;
    SoundOutput* media_;
    RandomIndex draw_;
    Launch launch_;
    std::vector<std::string> sounds_;
    bool random_ = false;
    bool started_ = false;
    Player kind_ = Player::None;
    int current_ = 0;
    std::unique_ptr<OpenedSound> sound_;     // the sound that plays
    std::unique_ptr<PendingSound> opening_;  // the sound being opened
    // Sounds that failed to start one after another; the poll moves on past a failed sound until
    // every sound of the list has failed in a row, then the music stays silent.
    int failedInRow_ = 0;
    bool lastFailed_ = false;
};

}  // namespace qel::slideshow
