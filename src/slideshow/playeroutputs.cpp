#include "slideshow/playeroutputs.h"

#include <memory>
#include <stdexcept>
#include <utility>

#include "audio/mediaplayer.h"
#include "audio/mpegplayer.h"
#include "platform/backgroundtask.h"
#include "platform/regularfile.h"

namespace qel::slideshow {
namespace {

// An MP3 stream open in the process-wide player; its end comes as the player's end-of-play event.
class MpegSound final : public OpenedSound {
public:
    explicit MpegSound(audio::TMPEGPlayer* player) : player_(player) {}
    ~MpegSound() override
    {
        try {
            if (player_->Opened())
                player_->Close();
        } catch (...) {
        }
    }
    void Play() override { player_->Play(); }
    bool Stopped() override { return false; }

private:
    audio::TMPEGPlayer* player_;
};

// Any other sound, in a media-control player of its own.
class MediaSound final : public OpenedSound {
public:
    explicit MediaSound(std::unique_ptr<audio::TMediaPlayer> player) : player_(std::move(player)) {}
    void Play() override { player_->Play(); }
    bool Stopped() override { return player_->Mode() == audio::mpStopped; }

private:
    std::unique_ptr<audio::TMediaPlayer> player_;  // closes its device when it goes
};

}  // namespace

MpegPlayerOutput::MpegPlayerOutput(audio::TMPEGPlayer* player, std::function<void()> onEnd) : player_(player)
{
    if (player_)
        player_->OnPlayEnd = [onEnd = std::move(onEnd)](audio::TMPEGPlayer&) { onEnd(); };
}

MpegPlayerOutput::~MpegPlayerOutput()
{
    if (!player_)
        return;
    // The handler belongs to a window that is going away: it must not be called any more.
    player_->OnPlayEnd = nullptr;
    try {
        if (player_->GetPlayerMode() > QEL_MODE_ENDED)  // playing or paused
            player_->Close();
    } catch (...) {
    }
}

SoundOpener MpegPlayerOutput::Opener()
{
    audio::TMPEGPlayer* player = player_;
    if (!player)
        throw std::runtime_error("no MPEG player");
    if (player->Opened())
        player->Close();
    return [player](const std::string& path) -> std::unique_ptr<OpenedSound> {
        // The file is looked at first, where the window may leave the work waiting; the shared
        // player is touched only while the music still wants the sound, and the window then waits
        // for the library to open a file that has already answered.
        platform::RegularFile::Open(path);
        if (platform::BackgroundTask::Abandoned())
            throw std::runtime_error("the music has stopped");
        player->SetStreamName(path);
        player->Open();
        return std::make_unique<MpegSound>(player);
    };
}

SoundOpener MediaPlayerOutput::Opener()
{
    return [](const std::string& path) -> std::unique_ptr<OpenedSound> {
        auto player = std::make_unique<audio::TMediaPlayer>();
        player->SetFileName(path);
        // The player belongs to this work alone, so the window may leave it at any point of the
        // opening, also while a plugin is stuck on the file.
        platform::UnboundedWait wait;
        player->Open();
        return std::make_unique<MediaSound>(std::move(player));
    };
}

}  // namespace qel::slideshow
