#pragma once
// The slideshow music's two players: the process-wide MPEG player for MP3 files, and media-control
// players of the window's own for everything else (one for each sound, so that a sound can be
// opened on a worker thread while nothing else holds its player).

#include <functional>
#include <string>

#include "slideshow/slideshowmusic.h"

namespace qel::audio {
class TMPEGPlayer;
}

namespace qel::slideshow {

// Borrows the MPEG player for the life of the window: its end-of-play event comes to `onEnd` until
// the window lets it go (whoever owned the event before takes it back then), and a stream still
// playing then is closed.
class MpegPlayerOutput : public SoundOutput {
public:
    MpegPlayerOutput(audio::TMPEGPlayer* player, std::function<void()> onEnd);
    ~MpegPlayerOutput() override;
    MpegPlayerOutput(const MpegPlayerOutput&) = delete;
    MpegPlayerOutput& operator=(const MpegPlayerOutput&) = delete;

    // Closes a stream the player still holds (here, on the window thread); the opener then checks
    // the file and opens the stream on the worker.
    [[nodiscard]] SoundOpener Opener() override;

private:
    audio::TMPEGPlayer* player_;
};

class MediaPlayerOutput : public SoundOutput {
public:
    [[nodiscard]] SoundOpener Opener() override;
};

}  // namespace qel::slideshow
