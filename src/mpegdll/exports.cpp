// The nineteen exported entry points. Each one records its outcome for LastError: 0 when the call
// succeeded, a notice code (below 0) when it succeeded with something to say, else the error code. The library keeps one player, created by init and destroyed by
// deinit; every other call before init fails with "incorrect mode".
//
// Test builds of this file (tests/audio) define QEL_MPEGDLL_OMIT_SEEK to leave one export out, or
// QEL_MPEGDLL_INIT_FAILS to make init fail, so the loader's failure paths can be exercised.

#include <mpg123.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "mpegdll/player.h"
#include "mpegdll/qelmpegdll.h"

#define QEL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using qel::mpegdll::Player;

std::mutex g_lifeMutex;  // guards creating and destroying the player
std::unique_ptr<Player> g_player;
std::atomic<int32_t> g_lastError{0};

int32_t Record(int code)
{
    g_lastError = code;
    return code;
}

// Runs `fn` on the player, or records "incorrect mode" when init has not run.
template <typename Fn> int32_t WithPlayer(Fn&& fn)
{
    if (!g_player)
        return Record(QEL_MPEG_ERR_MODE);
    return Record(fn(*g_player));
}

// Copies a caller's text out of a fixed-size buffer: at most `size` - 1 bytes, even when the
// caller forgot the terminating zero.
std::string FromBuffer(const char* text, size_t size)
{
    if (text == nullptr)
        return {};
    return std::string(text, strnlen(text, size - 1));
}

}  // namespace

QEL_EXPORT int32_t init(void)
{
#ifdef QEL_MPEGDLL_INIT_FAILS
    Record(QEL_MPEG_ERR_INTERNAL);
    return 0;
#else
    std::lock_guard lock(g_lifeMutex);
    if (!g_player) {
        if (mpg123_init() != MPG123_OK)
            return Record(QEL_MPEG_ERR_INTERNAL), 0;
        g_player.reset(new (std::nothrow) Player);
        if (!g_player)
            return Record(QEL_MPEG_ERR_INTERNAL), 0;
    }
    Record(QEL_MPEG_OK);
    return 1;
#endif
}

QEL_EXPORT void deinit(void)
{
    std::lock_guard lock(g_lifeMutex);
    g_player.reset();  // stops and joins the playback thread
    Record(QEL_MPEG_OK);
}

QEL_EXPORT int32_t Open(const char* fileName, int32_t fromStream, QelOpenStreamFn open, QelCloseStreamFn close,
                        QelRestartStreamFn restart, QelReadStreamFn read, QelSeekStreamFn seek,
                        QelGetStreamSizeFn getSize, void* ctx)
{
    return WithPlayer([&](Player& p) {
        if (fromStream != 0)
            return p.OpenStream({open, close, restart, read, seek, getSize, ctx});
        if (fileName == nullptr) {
            p.Close();
            return static_cast<int>(QEL_MPEG_ERR_INPUT);
        }
        return p.OpenFile(FromBuffer(fileName, QEL_MPEG_NAME_BUFFER));
    });
}

QEL_EXPORT void Pause(int32_t resume)
{
    WithPlayer([&](Player& p) { return p.Pause((resume & 0xFF) == 0); });
}

QEL_EXPORT void Restart(void)
{
    WithPlayer([](Player& p) { return p.Restart(); });
}

QEL_EXPORT void Stop(void)
{
    WithPlayer([](Player& p) { return p.Stop(); });
}

QEL_EXPORT void SetPriority(int32_t priority)
{
    WithPlayer([&](Player& p) { return p.SetPriority(priority); });
}

QEL_EXPORT void SetOutputDevice(int32_t device, const char* outFileName)
{
    WithPlayer([&](Player& p) { return p.SetOutputDevice(device, FromBuffer(outFileName, QEL_MPEG_OUTNAME_BUFFER)); });
}

QEL_EXPORT int32_t Play(int32_t startPos, int32_t endPos, uint8_t* endReached)
{
    int32_t code = WithPlayer([&](Player& p) { return p.Play(startPos, endPos, endReached); });
    return code < 0 ? 0 : code;  // a notice is a start: LastError carries it
}

QEL_EXPORT void Close(void)
{
    WithPlayer([](Player& p) { return p.Close(); });
}

QEL_EXPORT int32_t GetFrequency(void)
{
    int32_t value = 0;
    WithPlayer([&](Player& p) { return value = p.Frequency(), 0; });
    return value;
}

QEL_EXPORT int32_t GetBitrate(void)
{
    int32_t value = 0;
    WithPlayer([&](Player& p) { return value = p.Bitrate(), 0; });
    return value;
}

QEL_EXPORT int32_t GetLayer(void)
{
    int32_t value = 0;
    WithPlayer([&](Player& p) { return value = p.Layer(), 0; });
    return value;
}

QEL_EXPORT int32_t GetPlayerMode(void)
{
    int32_t value = QEL_MODE_CLOSED;
    WithPlayer([&](Player& p) { return value = p.Mode(), 0; });
    return value;
}

QEL_EXPORT int32_t GetCurrentPos(void)
{
    int32_t value = 0;
    WithPlayer([&](Player& p) { return value = p.PositionMs(), 0; });
    return value;
}

QEL_EXPORT int32_t GetLength(void)
{
    int32_t value = 0;
    WithPlayer([&](Player& p) { return value = p.LengthMs(), 0; });
    return value;
}

QEL_EXPORT void ResetPlayerMode(void)
{
    WithPlayer([](Player& p) { return p.ResetMode(); });
}

#ifndef QEL_MPEGDLL_OMIT_SEEK
QEL_EXPORT void Seek(int32_t pos)
{
    WithPlayer([&](Player& p) { return p.Seek(pos); });
}
#endif

QEL_EXPORT int32_t LastError(void)
{
    return g_lastError.load();
}
