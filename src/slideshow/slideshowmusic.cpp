#include "slideshow/slideshowmusic.h"

#include <stdexcept>
#include <utility>

#include "base/text.h"

namespace qel::slideshow {

bool IsMPEGSound(const std::string& path)
{
    return base::FileExtension(path) == "mp3";
}

SlideshowMusic::SlideshowMusic(MpegOutput* mpeg, MediaOutput* media, RandomIndex draw)
    : mpeg_(mpeg), media_(media), draw_(std::move(draw))
{
}

void SlideshowMusic::Start(std::vector<std::string> sounds, bool random)
{
    sounds_ = std::move(sounds);
    random_ = random;
    failedInRow_ = 0;
    if (sounds_.empty())
        return;
    PlaySound(random_ ? draw_(int(sounds_.size())) : 0);
}

void SlideshowMusic::PlaySound(int i)
{
    if (i < 0 || i >= int(sounds_.size()))
        return;
    current_ = i;
    const std::string& path = sounds_[std::size_t(i)];
    lastFailed_ = false;
    try {
        if (IsMPEGSound(path)) {
            if (!mpeg_)
                throw std::runtime_error("no MPEG player");
            if (started_ && mpeg_->StreamOpen())
                mpeg_->Close();
            mpeg_->Play(path);
            started_ = true;
            kind_ = Player::Mpeg;
        } else {
            if (!media_)
                throw std::runtime_error("no media player");
            if (started_)
                media_->Close();
            media_->Open(path);
            media_->Play();
            started_ = true;
            kind_ = Player::Media;
        }
        failedInRow_ = 0;
    } catch (...) {
        // Music is decoration: an unplayable sound must not disturb the pictures.
        lastFailed_ = true;
        ++failedInRow_;
    }
}

void SlideshowMusic::PlayEnd()
{
    if (sounds_.empty())
        return;
    PlaySound(NextIndex(current_, int(sounds_.size()), random_, draw_));
}

void SlideshowMusic::TimerTick()
{
    if (lastFailed_) {
        // A sound that never started sends no end notice; go on with the next one unless the
        // whole list has failed in a row.
        if (failedInRow_ < int(sounds_.size()))
            PlayEnd();
        else
            lastFailed_ = false;
        return;
    }
    if (!started_ || kind_ == Player::Mpeg || !media_)
        return;
    try {
        if (!media_->Stopped())
            return;
        media_->Close();
    } catch (...) {
    }
    started_ = false;
    PlayEnd();
}

void SlideshowMusic::Stop()
{
    try {
        if (mpeg_ && mpeg_->StreamOpen())
            mpeg_->Close();
    } catch (...) {
    }
    try {
        if (media_)
            media_->Close();
    } catch (...) {
    }
    started_ = false;
    lastFailed_ = false;
}

}  // namespace qel::slideshow
