#pragma once
// The slideshow music's two players: the process-wide MPEG player for MP3 files, and a media-control
// player of the window's own for everything else.

#include <functional>
#include <string>

#include "audio/mediaplayer.h"
#include "slideshow/slideshowmusic.h"

namespace qel::audio {
class TMPEGPlayer;
}

namespace qel::slideshow {

// Borrows the MPEG player for the life of the window: its end-of-play event comes to `onEnd` until
// the window lets it go (whoever owned the event before takes it back then).
class MpegPlayerOutput : public MpegOutput {
public:
    MpegPlayerOutput(audio::TMPEGPlayer* player, std::function<void()> onEnd);
    ~MpegPlayerOutput() override;
    MpegPlayerOutput(const MpegPlayerOutput&) = delete;
    MpegPlayerOutput& operator=(const MpegPlayerOutput&) = delete;

    bool StreamOpen() override;
    void Close() override;
    void Play(const std::string& path) override;

private:
    audio::TMPEGPlayer* player_;
};

class MediaPlayerOutput : public MediaOutput {
public:
    void Close() override { player_.Close(); }
    void Open(const std::string& path) override;
    void Play() override { player_.Play(); }
    bool Stopped() override { return player_.Mode() == audio::mpStopped; }

    [[nodiscard]] audio::TMediaPlayer& Player() { return player_; }

private:
    audio::TMediaPlayer player_;
};

}  // namespace qel::slideshow
