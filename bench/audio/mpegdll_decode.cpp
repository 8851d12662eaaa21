// Decodes one MP3 file into a raw PCM file through the decoder library, the way the program drives
// it: load by name, init, Open, SetOutputDevice(2), Play, wait for the end byte, Close, deinit.
// Whole-process timings of this program compare with `mpg123 -w` (see bench/audio/README).
//   mpegdll-decode LIBRARY IN.mp3 OUT.pcm

#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "mpegdll/qelmpegdll.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: mpegdll-decode LIBRARY IN.mp3 OUT.pcm\n");
    return 2;
  }
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
  if ((code = lastError()) == 0) setOutput(QEL_DEVICE_PCMFILE, outName);
  if (code == 0 && (code = lastError()) == 0) {
    if (play(0, 0, const_cast<uint8_t*>(&ended)) != 0 || (code = lastError()) != 0) code = code ? code : 1;
  }
  if (code == 0) {
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
