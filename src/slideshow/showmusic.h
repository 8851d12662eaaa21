#pragma once
// The music of one show: the settings' sounds one after another through the two players (the
// process-wide MPEG player for MP3, media-control players of the show's own for the rest), asked
// every 100 ms whether a sound has ended. Shared by the full-screen show and the show in a host's
// window; it plays from the moment it is made until it is stopped or destroyed.

#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QTimer>

namespace qel::slideshow {

class SlideshowMusic;
class MpegPlayerOutput;
class MediaPlayerOutput;

class ShowMusic : public QObject {
public:
    // Starts the sounds, in list order or at random.
    ShowMusic(const std::vector<std::string>& sounds, bool random);
    ~ShowMusic() override;  // stops the music and lets the players go
    ShowMusic(const ShowMusic&) = delete;
    ShowMusic& operator=(const ShowMusic&) = delete;

    void Stop();
    [[nodiscard]] const SlideshowMusic& Music() const { return *music_; }

private:
    QTimer soundTimer_;
    std::unique_ptr<MpegPlayerOutput> mpegOutput_;
    std::unique_ptr<MediaPlayerOutput> mediaOutput_;
    std::unique_ptr<SlideshowMusic> music_;
};

}  // namespace qel::slideshow
