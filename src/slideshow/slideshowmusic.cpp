#include "slideshow/slideshowmusic.h"

#include <mutex>
#include <utility>

#include "base/text.h"
#include "platform/backgroundtask.h"

namespace qel::slideshow {

bool IsMPEGSound(const std::string& path)
{
    return base::FileExtension(path) == "mp3";
}

// A sound being opened off the window thread. The result is shared with the work, which may
// outlive the music when its file keeps it waiting.
struct SlideshowMusic::PendingSound {
    struct Result {
        std::mutex mutex;
        bool done = false;
        std::unique_ptr<OpenedSound> sound;  // null when it could not be opened
    };

    Player kind = Player::None;
    std::shared_ptr<Result> result = std::make_shared<Result>();
    std::unique_ptr<platform::BackgroundTask> task;  // its destructor waits, or leaves a stuck open

    [[nodiscard]] bool Done() const
    {
        std::lock_guard lock(result->mutex);
        return result->done;
    }
};

SlideshowMusic::SlideshowMusic(SoundOutput* mpeg, SoundOutput* media, RandomIndex draw, Launch launch)
    : mpeg_(mpeg), media_(media), draw_(std::move(draw)), launch_(std::move(launch))
{
    if (!launch_)
        launch_ = [](std::function<void()> work) {
            return std::make_unique<platform::BackgroundTask>(std::move(work));
        };
}

SlideshowMusic::~SlideshowMusic()
{
    Stop();
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
    lastFailed_ = false;
    opening_.reset();
    sound_.reset();  // closes the sound that played
    started_ = false;
    const std::string path = sounds_[std::size_t(i)];
    const bool mpeg = IsMPEGSound(path);
    SoundOutput* output = mpeg ? mpeg_ : media_;
    auto opening = std::make_unique<PendingSound>();
    opening->kind = mpeg ? Player::Mpeg : Player::Media;
    try {
        if (!output) {
            Failed();
            return;
        }
        auto work = [open = output->Opener(), path, result = opening->result] {
            std::unique_ptr<OpenedSound> sound;
            try {
                sound = open(path);
            } catch (...) {
                // Music is decoration: an unplayable sound must not disturb the pictures.
            }
            std::lock_guard lock(result->mutex);
            result->sound = std::move(sound);
            result->done = true;
        };
        opening_ = std::move(opening);
        opening_->task = launch_(std::move(work));
    } catch (...) {
        opening_.reset();
        Failed();
        return;
    }
    if (opening_->Done())
        Opened();
}

// On the window thread, once the sound has opened (or failed to).
void SlideshowMusic::Opened()
{
    const std::unique_ptr<PendingSound> opening = std::move(opening_);
    std::unique_ptr<OpenedSound> sound;
    {
        std::lock_guard lock(opening->result->mutex);
        sound = std::move(opening->result->sound);
    }
    if (!sound) {
        Failed();
        return;
    }
    try {
        sound->Play();
    } catch (...) {
        Failed();
        return;
    }
    sound_ = std::move(sound);
    started_ = true;
    kind_ = opening->kind;
    failedInRow_ = 0;
}

void SlideshowMusic::Failed()
{
    lastFailed_ = true;
    ++failedInRow_;
}

void SlideshowMusic::PlayEnd()
{
    if (sounds_.empty())
        return;
    PlaySound(NextIndex(current_, int(sounds_.size()), random_, draw_));
}

void SlideshowMusic::TimerTick()
{
    if (opening_) {
        if (opening_->Done())
            Opened();
        return;
    }
    if (lastFailed_) {
        // A sound that never started sends no end notice; go on with the next one unless the
        // whole list has failed in a row.
        if (failedInRow_ < int(sounds_.size()))
            PlayEnd();
        else
            lastFailed_ = false;
        return;
    }
    if (!sound_ || kind_ == Player::Mpeg)
        return;
    try {
        if (!sound_->Stopped())
            return;
    } catch (...) {
    }
    sound_.reset();
    started_ = false;
    PlayEnd();
}

void SlideshowMusic::Stop()
{
    opening_.reset();
    sound_.reset();
    started_ = false;
    lastFailed_ = false;
}

}  // namespace qel::slideshow
