// A stand-in decoder library that records which entry points are called, in order, and fails or
// answers as a test tells it. Built under the library's file name in a folder of its own, so the
// player's state machine can be checked call by call. Test control: SpyLog, SpyClear, SpyFail,
// SpySet, SpyEnd.

#include <cstdint>
#include <cstring>
#include <string>

#include "mpegdll/qelmpegdll.h"

#define SPY_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string g_log;
std::string g_failName;
int32_t g_failCode = 0;
int32_t g_last = 0;
int32_t g_pos = 0, g_length = 1000, g_mode = 0, g_playResult = 0, g_init = 1;
uint8_t* g_endByte = nullptr;

void Call(const char* name)
{
    g_log += name;
    g_log += ';';
    g_last = 0;
    if (g_failName == name) {
        g_last = g_failCode;
        g_failName.clear();
    }
}

}  // namespace

SPY_EXPORT const char* SpyLog()
{
    return g_log.c_str();
}
SPY_EXPORT void SpyClear()
{
    g_log.clear();
}
SPY_EXPORT void SpyFail(const char* name, int32_t code)
{
    g_failName = name;
    g_failCode = code;
}
SPY_EXPORT void SpySet(const char* key, int32_t value)
{
    std::string k = key;
    if (k == "pos")
        g_pos = value;
    if (k == "length")
        g_length = value;
    if (k == "mode")
        g_mode = value;
    if (k == "play")
        g_playResult = value;
    if (k == "init")
        g_init = value;
}
SPY_EXPORT void SpyEnd()
{
    if (g_endByte != nullptr)
        *g_endByte = 1;
}

SPY_EXPORT int32_t init()
{
    Call("init");
    if (!g_init)
        g_last = 1;
    return g_init;
}
SPY_EXPORT void deinit()
{
    Call("deinit");
}
SPY_EXPORT int32_t Open(const char* name, int32_t fromStream, QelOpenStreamFn, QelCloseStreamFn, QelRestartStreamFn,
                        QelReadStreamFn, QelSeekStreamFn, QelGetStreamSizeFn, void*)
{
    Call("Open");
    if (fromStream == 0 && (name == nullptr || std::strlen(name) >= QEL_MPEG_NAME_BUFFER))
        g_last = 99;
    return 0;
}
SPY_EXPORT void Pause(int32_t resume)
{
    Call((resume & 0xFF) ? "Resume" : "Pause");
}
SPY_EXPORT void Restart()
{
    Call("Restart");
}
SPY_EXPORT void Stop()
{
    Call("Stop");
}
SPY_EXPORT void SetPriority(int32_t)
{
    Call("SetPriority");
}
SPY_EXPORT void SetOutputDevice(int32_t device, const char*)
{
    Call(device == 2 ? "SetOutputDevice2" : "SetOutputDevice0");
}
SPY_EXPORT int32_t Play(int32_t, int32_t, uint8_t* endByte)
{
    Call("Play");
    g_endByte = endByte;
    return g_playResult;
}
SPY_EXPORT void Close()
{
    Call("Close");
}
SPY_EXPORT int32_t GetFrequency()
{
    return 44100;
}
SPY_EXPORT int32_t GetBitrate()
{
    return 128;
}
SPY_EXPORT int32_t GetLayer()
{
    return 3;
}
SPY_EXPORT int32_t GetPlayerMode()
{
    Call("GetPlayerMode");
    return g_mode;
}
SPY_EXPORT int32_t GetCurrentPos()
{
    Call("GetCurrentPos");
    return g_pos;
}
SPY_EXPORT int32_t GetLength()
{
    Call("GetLength");
    return g_length;
}
SPY_EXPORT void ResetPlayerMode()
{
}
SPY_EXPORT void Seek(int32_t)
{
}
SPY_EXPORT int32_t LastError()
{
    return g_last;
}
