#pragma once
// The decoder library "QelMpegDll.dll": a shared library loaded at run time by name. Its nineteen
// entry points have a C ABI; integers and results are 32 bits wide, pointers have the platform's
// width, texts are zero-terminated 8-bit strings. The program binds every name with dlsym, so this
// header only describes the contract: the function types below are what the caller casts to.
//
// Units and values chosen by this library:
//   positions and lengths  milliseconds from the start of the stream
//   player modes           QEL_MODE_* below (above 2 while a stream plays or is paused)
//   errors                 LastError() gives the code of the last call; 0 = that call succeeded,
//                          below 0 = it succeeded with a notice (QEL_MPEG_NOTE_*)

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Error codes (LastError).
enum {
    QEL_MPEG_OK = 0,
    QEL_MPEG_ERR_INTERNAL = 1,     // the decoder itself failed (out of memory, not initialised)
    QEL_MPEG_ERR_MODE = 2,         // call not valid in the current mode
    QEL_MPEG_ERR_INPUT = 3,        // the stream cannot be opened or decoded
    QEL_MPEG_ERR_NONSEEKABLE = 4,  // a position was asked of a stream that cannot seek
    QEL_MPEG_ERR_OUTPUT = 5        // no working output: the PCM file cannot be written, or no such device
};

// Notices (LastError below 0): the call succeeded.
enum {
    QEL_MPEG_NOTE_SILENT = -1  // Play, Restart: no sound output of the system works; the stream
                               // plays silently, in real time, and ends as it would aloud
};

// Player modes (GetPlayerMode).
enum {
    QEL_MODE_CLOSED = 0,  // no stream open
    QEL_MODE_OPENED = 1,  // a stream is open, not playing (never started, or stopped)
    QEL_MODE_ENDED = 2,   // playback has reached the end of the stream
    QEL_MODE_PLAYING = 3,
    QEL_MODE_PAUSED = 4
};

// Output devices (SetOutputDevice).
enum {
    QEL_DEVICE_SYSTEM = 0,  // the system's default sound output
    QEL_DEVICE_PCMFILE = 2  // raw signed 16-bit native-endian samples, interleaved, into a file
};

enum { QEL_MPEG_NAME_BUFFER = 512, QEL_MPEG_OUTNAME_BUFFER = 260 };

// Stream callbacks: the first argument is the context pointer handed to Open. Booleans are one
// byte.
typedef void (*QelOpenStreamFn)(void* ctx, uint8_t* nonseekable, void** streamCtx);
typedef void (*QelCloseStreamFn)(void* ctx, void* streamCtx);
typedef void (*QelRestartStreamFn)(void* ctx, void* streamCtx, uint8_t* res);
typedef void (*QelReadStreamFn)(void* ctx, void* streamCtx, void* buffer, int32_t count, int32_t* bytesRead,
                                uint8_t* res);
// moveMethod: 0 from the start, 1 from the current position, 2 from the end; res: new position or
// -1.
typedef void (*QelSeekStreamFn)(void* ctx, void* streamCtx, int32_t numBytes, int32_t moveMethod, int32_t* res);
typedef void (*QelGetStreamSizeFn)(void* ctx, void* streamCtx, int32_t* res);

// The nineteen entry points, as function pointer types.
typedef int32_t (*QelInitFn)(void);  // nonzero low byte = success
typedef void (*QelDeinitFn)(void);
typedef int32_t (*QelOpenFn)(const char* fileName, int32_t fromStream, QelOpenStreamFn open, QelCloseStreamFn close,
                             QelRestartStreamFn restart, QelReadStreamFn read, QelSeekStreamFn seek,
                             QelGetStreamSizeFn getSize, void* ctx);
typedef void (*QelPauseFn)(int32_t resume);  // low byte 0 = pause, 1 = resume
typedef void (*QelRestartFn)(void);
typedef void (*QelStopFn)(void);
typedef void (*QelSetPriorityFn)(int32_t priority);
typedef void (*QelSetOutputDeviceFn)(int32_t device, const char* outFileName);
typedef int32_t (*QelPlayFn)(int32_t startPos, int32_t endPos, uint8_t* endReached);  // 0 = started
typedef void (*QelCloseFn)(void);
typedef int32_t (*QelGetFrequencyFn)(void);
typedef int32_t (*QelGetBitrateFn)(void);
typedef int32_t (*QelGetLayerFn)(void);
typedef int32_t (*QelGetPlayerModeFn)(void);
typedef int32_t (*QelGetCurrentPosFn)(void);
typedef int32_t (*QelGetLengthFn)(void);
typedef void (*QelResetPlayerModeFn)(void);
typedef void (*QelSeekFn)(int32_t pos);
typedef int32_t (*QelLastErrorFn)(void);

#ifdef __cplusplus
}
#endif
