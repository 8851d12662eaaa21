#pragma once
// The process-wide MPEG player, `MPEGPlayer`: created at start-up, before any window, when the
// decoder library lies in the program's folder, shared by the slideshow music and the editor's
// sound page, and released when the process ends.

#include <string>

#include "audio/mpegplayer.h"

namespace qel::audio {

// The decoder library's file name as the start-up looks for it.
inline constexpr const char* kDecoderLibraryName = "QelMpegDll.dll";

// The one player, or nullptr when there is none.
TMPEGPlayer* MPEGPlayer();

// Looks for "QelMpegDll.dll" in `programFolder` (the program's folder, with its trailing "/"). When it
// is there, creates the player with UseTimer true, TimerFreq 100 and PathToDLL `programFolder`, and
// loads the library. Returns an empty text on success or when the file is simply not there; when
// the file is there but cannot be loaded, no player is kept and the text says why, naming the file.
// Either way MPEGPlayer() is nullptr afterwards unless the library is loaded. Call it once, on the
// window thread.
std::string CreateProcessMPEGPlayer(const std::string& programFolder);

// Unloads the library and destroys the player; nothing when there is none.
void ReleaseProcessMPEGPlayer();

}  // namespace qel::audio
