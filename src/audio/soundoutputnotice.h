#pragma once
// The process-wide word that sounds play silently because no sound output of the system works
// (no sound server, no sound card). Both players report it when a sound starts without one; the
// editor takes the notice to tell its user, once per process. Thread-safe.

namespace qel::audio {

// A sound has started to play silently for want of a sound output.
void ReportNoSoundOutput();

// True exactly once per process: at the first call after ReportNoSoundOutput. Later calls, and
// calls before any report, answer false.
[[nodiscard]] bool TakeNoSoundOutputNotice();

}  // namespace qel::audio
