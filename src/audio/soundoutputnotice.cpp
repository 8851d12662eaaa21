#include "audio/soundoutputnotice.h"

#include <atomic>

namespace qel::audio {
namespace {

enum NoticeState { kNothing, kReported, kTaken };
std::atomic<int> g_state{kNothing};

}  // namespace

void ReportNoSoundOutput()
{
    int expected = kNothing;
    g_state.compare_exchange_strong(expected, kReported);
}

bool TakeNoSoundOutputNotice()
{
    int expected = kReported;
    return g_state.compare_exchange_strong(expected, kTaken);
}

}  // namespace qel::audio
