#pragma once
// One MPEG audio stream decoded by libmpg123, always to signed 16-bit samples. The source is a file
// or the caller's stream callbacks. Not thread-safe: the player uses it from one thread at a time.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "mpegdll/qelmpegdll.h"

struct mpg123_handle_struct;

namespace qel::mpegdll {

struct StreamCallbacks {
    QelOpenStreamFn open = nullptr;
    QelCloseStreamFn close = nullptr;
    QelRestartStreamFn restart = nullptr;
    QelReadStreamFn read = nullptr;
    QelSeekStreamFn seek = nullptr;
    QelGetStreamSizeFn getSize = nullptr;
    void* ctx = nullptr;
};

class Decoder {
public:
    enum class ReadResult { Data, NewFormat, Done, Error };

    Decoder() = default;
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
    ~Decoder();

    // Each returns an error code (QEL_MPEG_*), 0 on success.
    int OpenFile(const std::string& path);
    int OpenStream(const StreamCallbacks& callbacks);
    void Close();
    [[nodiscard]] bool IsOpen() const { return handle_ != nullptr; }

    // Back to the first sample. For a stream that cannot seek this asks the stream's restart
    // callback and reads the stream anew.
    int Rewind();
    int SeekSample(int64_t sample);

    // Decodes up to `capacity` bytes into `buffer`; `got` is the number of bytes written.
    ReadResult Read(unsigned char* buffer, size_t capacity, size_t& got);

    [[nodiscard]] long Rate() const { return rate_; }
    [[nodiscard]] int Channels() const { return channels_; }
    [[nodiscard]] int FrameBytes() const { return channels_ * 2; }
    [[nodiscard]] int64_t LengthSamples() const { return lengthSamples_; }  // -1 unknown
    [[nodiscard]] bool Seekable() const { return seekable_; }
    int BitrateKbps();
    int Layer();

    // Called through libmpg123's reader hooks.
    long StreamRead(void* buffer, size_t count);
    int64_t StreamSeek(int64_t offset, int whence);

private:
    int NewHandle();
    int ReadFormat();
    bool LooksLikeMpegAudio();
    int OpenHandleOnStream();

    mpg123_handle_struct* handle_ = nullptr;
    std::FILE* file_ = nullptr;  // the source when a file is open
    bool fromStream_ = false;
    StreamCallbacks callbacks_;
    void* streamCtx_ = nullptr;
    bool seekable_ = true;
    int64_t streamSize_ = -1;  // bytes, -1 unknown
    long rate_ = 0;
    int channels_ = 0;
    int64_t lengthSamples_ = -1;
};

}  // namespace qel::mpegdll
