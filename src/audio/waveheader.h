#pragma once
// A look at a RIFF WAVE file's header before it is handed to the media player. Some broken headers
// (a chunk whose size is wrong, so that the chunks after it cannot be found) make the decoder spin
// for ever instead of failing, so the player refuses them itself, saying what is wrong.

#include <string>

namespace qel::audio {

// Empty when the file is not a RIFF WAVE file or its header is sound; otherwise what is wrong.
std::string WaveHeaderProblem(const std::string& path);

}  // namespace qel::audio
