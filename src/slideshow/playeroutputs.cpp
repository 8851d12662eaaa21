#include "slideshow/playeroutputs.h"

#include <stdexcept>
#include <utility>

#include "audio/mpegplayer.h"

namespace qel::slideshow {

MpegPlayerOutput::MpegPlayerOutput(audio::TMPEGPlayer* player, std::function<void()> onEnd) : player_(player)
{
    if (player_)
        player_->OnPlayEnd = [onEnd = std::move(onEnd)](audio::TMPEGPlayer&) { onEnd(); };
}

MpegPlayerOutput::~MpegPlayerOutput()
{
    // The handler belongs to a window that is going away: it must not be called any more.
    if (player_)
        player_->OnPlayEnd = nullptr;
}

bool MpegPlayerOutput::StreamOpen()
{
    if (!player_)
        throw std::runtime_error("no MPEG player");
    return player_->GetPlayerMode() > QEL_MODE_ENDED;  // playing or paused
}

void MpegPlayerOutput::Close()
{
    if (player_)
        player_->Close();
}

void MpegPlayerOutput::Play(const std::string& path)
{
    if (!player_)
        throw std::runtime_error("no MPEG player");
    player_->SetStreamName(path);
    player_->Play();
}

void MediaPlayerOutput::Open(const std::string& path)
{
    player_.SetFileName(path);
    player_.Open();
}

}  // namespace qel::slideshow
