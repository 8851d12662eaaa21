#pragma once
// Loads a build of the decoder library by file name and binds its entry points, as the program
// does, so the tests drive the library through its C interface.

#include <dlfcn.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "mpegdll/qelmpegdll.h"

namespace qel::test {

// The tests never make a sound: the silent sink, also when run outside CTest.
inline const bool kSilentSink = (setenv("QELSAVER_AUDIO_SINK", "null", 0), true);

struct MpegDll {
    void* handle = nullptr;
    QelInitFn init = nullptr;
    QelDeinitFn deinit = nullptr;
    QelOpenFn open = nullptr;
    QelPauseFn pause = nullptr;
    QelRestartFn restart = nullptr;
    QelStopFn stop = nullptr;
    QelSetPriorityFn setPriority = nullptr;
    QelSetOutputDeviceFn setOutputDevice = nullptr;
    QelPlayFn play = nullptr;
    QelCloseFn close = nullptr;
    QelGetFrequencyFn getFrequency = nullptr;
    QelGetBitrateFn getBitrate = nullptr;
    QelGetLayerFn getLayer = nullptr;
    QelGetPlayerModeFn getPlayerMode = nullptr;
    QelGetCurrentPosFn getCurrentPos = nullptr;
    QelGetLengthFn getLength = nullptr;
    QelResetPlayerModeFn resetPlayerMode = nullptr;
    QelSeekFn seek = nullptr;
    QelLastErrorFn lastError = nullptr;

    bool Load(const std::string& path)
    {
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr)
            return false;
        auto bind = [&](auto& slot, const char* name) {
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(dlsym(handle, name));
        };
        bind(init, "init");
        bind(deinit, "deinit");
        bind(open, "Open");
        bind(pause, "Pause");
        bind(restart, "Restart");
        bind(stop, "Stop");
        bind(setPriority, "SetPriority");
        bind(setOutputDevice, "SetOutputDevice");
        bind(play, "Play");
        bind(close, "Close");
        bind(getFrequency, "GetFrequency");
        bind(getBitrate, "GetBitrate");
        bind(getLayer, "GetLayer");
        bind(getPlayerMode, "GetPlayerMode");
        bind(getCurrentPos, "GetCurrentPos");
        bind(getLength, "GetLength");
        bind(resetPlayerMode, "ResetPlayerMode");
        bind(seek, "Seek");
        bind(lastError, "LastError");
        return true;
    }
    void Unload()
    {
        if (handle != nullptr)
            dlclose(handle);
        handle = nullptr;
    }
    int32_t OpenFile(const std::string& name)
    {
        char buffer[QEL_MPEG_NAME_BUFFER] = {};
        std::strncpy(buffer, name.c_str(), sizeof buffer - 1);
        open(buffer, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        return lastError();
    }
    int32_t SetOutput(int32_t device, const std::string& name)
    {
        char buffer[QEL_MPEG_OUTNAME_BUFFER] = {};
        std::strncpy(buffer, name.c_str(), sizeof buffer - 1);
        setOutputDevice(device, buffer);
        return lastError();
    }
};

inline std::string DataFile(const std::string& name)
{
    return std::string(QEL_TEST_DATA_DIR) + "/audio/" + name;
}

inline std::string LibraryFile()
{
    return std::string(QEL_BIN_DIR) + "/QelMpegDll.dll";
}

inline std::vector<unsigned char> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Root mean square of 16-bit samples, 0..32768.
inline double Rms(const std::vector<unsigned char>& pcm)
{
    size_t n = pcm.size() / 2;
    if (n == 0)
        return 0;
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
        int16_t s;
        std::memcpy(&s, &pcm[2 * i], 2);
        sum += static_cast<double>(s) * s;
    }
    return std::sqrt(sum / static_cast<double>(n));
}

// Waits for the library's end byte. The limit only keeps a broken build from hanging the suite.
inline bool WaitForByte(const volatile uint8_t& flag, int limitSeconds = 30)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    while (__atomic_load_n(&flag, __ATOMIC_ACQUIRE) == 0) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// A fresh, empty folder under the build's temporary area for one test's files.
inline std::string ScratchFolder(const std::string& name)
{
    std::string dir = std::string(QEL_BIN_DIR) + "/../tests/audio/scratch/" + name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

}  // namespace qel::test
