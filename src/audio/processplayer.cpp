#include "audio/processplayer.h"

#include <filesystem>
#include <memory>
#include <system_error>

namespace qel::audio {
namespace {

std::unique_ptr<TMPEGPlayer>& Instance()
{
    static std::unique_ptr<TMPEGPlayer> player;
    return player;
}

}  // namespace

TMPEGPlayer* MPEGPlayer()
{
    return Instance().get();
}

// How often the player's timer looks whether the library has reached the end of a stream.
constexpr int kEndPollMs = 100;

std::string CreateProcessMPEGPlayer(const std::string& programFolder)
{
    ReleaseProcessMPEGPlayer();
    std::error_code error;
    if (!std::filesystem::is_regular_file(programFolder + kDecoderLibraryName, error))
        return {};
    auto player = std::make_unique<TMPEGPlayer>();
    player->SetUseTimer(true);
    player->SetTimerFreq(kEndPollMs);
    player->SetPathToDLL(programFolder);
    try {
        player->LoadMPEGLibrary();
    } catch (const TMPEGError& e) {
        std::string why = player->LoadFailure();
        return programFolder + kDecoderLibraryName + ": " + e.what() + (why.empty() ? "" : " (" + why + ")");
    }
    Instance() = std::move(player);
    return {};
}

void ReleaseProcessMPEGPlayer()
{
    std::unique_ptr<TMPEGPlayer> player = std::move(Instance());
    if (!player)
        return;
    try {
        player->UnloadMPEGLibrary();
    } catch (const TMPEGError&) {
        // Shutting down: the library has been released all the same.
    }
}

}  // namespace qel::audio
