#include "slideshow/slideshowmusic.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <utility>

namespace qel::slideshow {

SlideshowMusic::SlideshowMusic(MpegOutput* mpeg, MediaOutput* media, RandomIndex draw)
    : mpeg_(mpeg), media_(media), draw_(std::move(draw))
{
}

bool SlideshowMusic::IsMpegFile(const std::string& path)
{
    const auto dot = path.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".mp3";
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
        if (IsMpegFile(path)) {
            if (!mpeg_)
                throw std::runtime_error("no MPEG player");
            if (started_ && mpeg_->PlayerMode() > 2)
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
        if (media_->Mode() != 1)
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
        if (mpeg_ && mpeg_->PlayerMode() > 2)
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
