// Decodes one MP3 file into a raw PCM file through the decoder library, the way the program drives
// it: load by name, init, Open, SetOutputDevice(2), Play, wait for the end byte, Close, deinit.
// Whole-process timings of this program compare with `mpg123 -w` (see bench/audio/README).
//   mpegdll-decode LIBRARY IN.mp3 OUT.pcm     decode into a raw PCM file as fast as it goes
//   mpegdll-decode LIBRARY IN.mp3 - SECONDS   play to the system output (QELSAVER_AUDIO_SINK=null:
//                                             the silent sink) for SECONDS, then print the CPU
//                                             share the process used meanwhile

#include <dlfcn.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "mpegdll/qelmpegdll.h"

int main(int argc, char** argv)
{
    bool toDevice = argc == 5 && std::strcmp(argv[3], "-") == 0;
    if (argc != 4 && !toDevice) {
        std::fprintf(stderr, "usage: mpegdll-decode LIBRARY IN.mp3 OUT.pcm | LIBRARY IN.mp3 - SECONDS\n");
        return 2;
    }
    auto wallStart = std::chrono::steady_clock::now();
    void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 1;
    }
    auto sym = [&](const char* name) { return dlsym(lib, name); };
    auto init = reinterpret_cast<QelInitFn>(sym("init"));
    auto deinit = reinterpret_cast<QelDeinitFn>(sym("deinit"));
    auto open = reinterpret_cast<QelOpenFn>(sym("Open"));
    auto setOutput = reinterpret_cast<QelSetOutputDeviceFn>(sym("SetOutputDevice"));
    auto play = reinterpret_cast<QelPlayFn>(sym("Play"));
    auto close = reinterpret_cast<QelCloseFn>(sym("Close"));
    auto lastError = reinterpret_cast<QelLastErrorFn>(sym("LastError"));
    if (!init || !deinit || !open || !setOutput || !play || !close || !lastError || !(init() & 0xFF)) {
        std::fprintf(stderr, "%s: cannot initialise the library\n", argv[1]);
        return 1;
    }
    char name[QEL_MPEG_NAME_BUFFER] = {};
    char outName[QEL_MPEG_OUTNAME_BUFFER] = {};
    std::strncpy(name, argv[2], sizeof name - 1);
    std::strncpy(outName, argv[3], sizeof outName - 1);
    int code = 0;
    volatile uint8_t ended = 0;
    open(name, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if ((code = lastError()) == 0)
        setOutput(toDevice ? QEL_DEVICE_SYSTEM : QEL_DEVICE_PCMFILE, outName);
    if (code == 0 && (code = lastError()) == 0) {
        if (play(0, 0, const_cast<uint8_t*>(&ended)) != 0 || (code = lastError()) != 0)
            code = code ? code : 1;
    }
    if (code == 0 && toDevice) {
        // Polls like the program's 100 ms timer.
        auto until = wallStart + std::chrono::duration<double>(std::atof(argv[4]));
        while (__atomic_load_n(&ended, __ATOMIC_ACQUIRE) == 0 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        double cpu =
            usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
        double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        std::printf("played %.1f s, CPU %.3f s, share %.2f %% of one core\n", wall, cpu, 100 * cpu / wall);
    } else if (code == 0) {
        while (__atomic_load_n(&ended, __ATOMIC_ACQUIRE) == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    close();
    deinit();
    dlclose(lib);
    if (code != 0) {
        std::fprintf(stderr, "%s: decoder error %d\n", argv[2], code);
        return 1;
    }
    return 0;
}
