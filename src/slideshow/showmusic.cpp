#include "slideshow/showmusic.h"

#include "audio/processplayer.h"
#include "pictureshow/random.h"
#include "slideshow/playeroutputs.h"
#include "slideshow/slideshowmusic.h"

namespace qel::slideshow {
namespace {

// How often the media player is asked whether its sound has ended.
constexpr int kSoundPollMs = 100;

}  // namespace

ShowMusic::ShowMusic(const std::vector<std::string>& sounds, bool random)
{
    // MP3 through the process-wide MPEG player, the rest through our own media player.
    if (audio::TMPEGPlayer* player = audio::MPEGPlayer())
        mpegOutput_ = std::make_unique<MpegPlayerOutput>(player, [this] {
            if (music_)
                music_->PlayEnd();
        });
    mediaOutput_ = std::make_unique<MediaPlayerOutput>();
    music_ = std::make_unique<SlideshowMusic>(mpegOutput_.get(), mediaOutput_.get(),
                                              [](int n) { return pictureshow::Random(n); });
    if (random)
        pictureshow::Randomize();
    music_->Start(sounds, random);
    soundTimer_.setInterval(kSoundPollMs);
    connect(&soundTimer_, &QTimer::timeout, this, [this] { music_->TimerTick(); });
    soundTimer_.start();
}

ShowMusic::~ShowMusic()
{
    Stop();
    music_.reset();
    mpegOutput_.reset();
    mediaOutput_.reset();
}

void ShowMusic::Stop()
{
    soundTimer_.stop();
    music_->Stop();
}

}  // namespace qel::slideshow
