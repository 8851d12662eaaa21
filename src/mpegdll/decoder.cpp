#include "mpegdll/decoder.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <mpg123.h>

#include "platform/regularfile.h"

namespace qel::mpegdll {
namespace {

mpg123_ssize_t ReadHook(void* handle, void* buffer, size_t count)
{
    return static_cast<Decoder*>(handle)->StreamRead(buffer, count);
}

off_t SeekHook(void* handle, off_t offset, int whence)
{
    return static_cast<off_t>(static_cast<Decoder*>(handle)->StreamSeek(offset, whence));
}

// A RIFF WAVE file may carry MPEG audio (format tags 0x50 and 0x55); any other WAVE file holds
// samples, in which libmpg123 could find headers of frames that are not there.
bool IsWaveWithoutMpeg(std::FILE* file)
{
    unsigned char head[4096];
    size_t n = std::fread(head, 1, sizeof head, file);
    std::rewind(file);
    if (n < 12 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
        return false;
    size_t at = 12;
    while (at + 8 <= n) {
        uint32_t size =
            head[at + 4] | head[at + 5] << 8 | head[at + 6] << 16 | static_cast<uint32_t>(head[at + 7]) << 24;
        if (std::memcmp(head + at, "fmt ", 4) == 0) {
            if (at + 10 > n)
                return true;
            unsigned tag = head[at + 8] | head[at + 9] << 8;
            return tag != 0x50 && tag != 0x55;
        }
        at += 8 + static_cast<size_t>(size) + (size & 1);
    }
    return true;  // a WAVE file without a readable format chunk
}

}  // namespace

Decoder::~Decoder()
{
    Close();
}

int Decoder::NewHandle()
{
    int err = MPG123_OK;
    handle_ = mpg123_new(nullptr, &err);
    if (handle_ == nullptr)
        return QEL_MPEG_ERR_INTERNAL;
    mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    // Always 16-bit signed samples, at the stream's own rate and channel count: the raw PCM file
    // and every output rely on that one encoding.
    mpg123_format_none(handle_);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(handle_, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    return QEL_MPEG_OK;
}

// Reads up to the first decodable frame. A file without one (empty, truncated before its first
// frame, or no MPEG audio at all) is an input error.
int Decoder::ReadFormat()
{
    int encoding = 0;
    if (mpg123_getformat(handle_, &rate_, &channels_, &encoding) != MPG123_OK || rate_ <= 0 || channels_ < 1 ||
        channels_ > 2)
        return QEL_MPEG_ERR_INPUT;
    if (seekable_ && !LooksLikeMpegAudio())
        return QEL_MPEG_ERR_INPUT;
    if (seekable_)
        mpg123_scan(handle_);  // exact length; reads only frame headers
    off_t length = mpg123_length(handle_);
    lengthSamples_ = length > 0 ? static_cast<int64_t>(length) : -1;
    if (seekable_ && mpg123_seek(handle_, 0, SEEK_SET) < 0)
        return QEL_MPEG_ERR_INPUT;
    return QEL_MPEG_OK;
}

// libmpg123 finds a frame header almost anywhere: in the samples of a WAV file, in a program file.
// A real MPEG audio file is made of frames from its first frame to its end (tags aside), so the
// frames must cover most of the bytes after the first one. Reads frame headers and bodies only,
// no decoding.
bool Decoder::LooksLikeMpegAudio()
{
    if (streamSize_ <= 0)
        return true;  // size unknown: nothing to compare with
    off_t first = mpg123_framepos(handle_);
    if (first < 0 || mpg123_seek(handle_, 0, SEEK_SET) < 0)
        return false;
    int64_t covered = 0;
    for (;;) {
        int result = mpg123_framebyframe_next(handle_);
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
            break;
        unsigned long header = 0;
        unsigned char* body = nullptr;
        size_t bodyBytes = 0;
        if (mpg123_framedata(handle_, &header, &body, &bodyBytes) == MPG123_OK)
            covered += 4 + static_cast<int64_t>(bodyBytes);
    }
    int64_t rest = streamSize_ - static_cast<int64_t>(first);
    return covered > 0 && covered * 2 >= rest;
}

int Decoder::OpenFile(const std::string& path)
{
    Close();
    // Only a regular file is opened: a FIFO would keep the caller waiting in open(), a device
    // would never end.
    try {
        file_ = platform::RegularFile::Open(path).TakeStream();
    } catch (const platform::FileError&) {
        return QEL_MPEG_ERR_INPUT;
    }
    // libmpg123 reads a frame at a time; a buffered file saves most of those system calls.
    std::setvbuf(file_, nullptr, _IOFBF, 64 * 1024);
    if (IsWaveWithoutMpeg(file_)) {
        Close();
        return QEL_MPEG_ERR_INPUT;
    }
    if (::fseeko(file_, 0, SEEK_END) == 0)
        streamSize_ = ::ftello(file_);
    std::rewind(file_);
    if (int code = NewHandle()) {
        Close();
        return code;
    }
    seekable_ = true;
    int code = OpenHandleOnStream();
    if (code == QEL_MPEG_OK)
        code = ReadFormat();
    if (code != QEL_MPEG_OK)
        Close();
    return code;
}

int Decoder::OpenHandleOnStream()
{
    if (mpg123_replace_reader_handle(handle_, &ReadHook, &SeekHook, nullptr) != MPG123_OK)
        return QEL_MPEG_ERR_INTERNAL;
    if (file_ == nullptr && callbacks_.getSize != nullptr && seekable_) {
        int32_t size = -1;
        callbacks_.getSize(callbacks_.ctx, streamCtx_, &size);
        streamSize_ = size;
        if (size > 0)
            mpg123_set_filesize(handle_, size);
    }
    if (mpg123_open_handle(handle_, this) != MPG123_OK)
        return QEL_MPEG_ERR_INPUT;
    return QEL_MPEG_OK;
}

int Decoder::OpenStream(const StreamCallbacks& callbacks)
{
    Close();
    if (callbacks.read == nullptr)
        return QEL_MPEG_ERR_INPUT;
    if (int code = NewHandle())
        return code;
    fromStream_ = true;
    callbacks_ = callbacks;
    streamCtx_ = nullptr;
    uint8_t nonseekable = 0;
    if (callbacks_.open != nullptr)
        callbacks_.open(callbacks_.ctx, &nonseekable, &streamCtx_);
    seekable_ = nonseekable == 0 && callbacks_.seek != nullptr;
    int code = OpenHandleOnStream();
    if (code == QEL_MPEG_OK)
        code = ReadFormat();
    if (code != QEL_MPEG_OK)
        Close();
    return code;
}

void Decoder::Close()
{
    if (handle_ != nullptr) {
        mpg123_close(handle_);
        mpg123_delete(handle_);
        handle_ = nullptr;
    }
    if (fromStream_ && callbacks_.close != nullptr)
        callbacks_.close(callbacks_.ctx, streamCtx_);
    if (file_ != nullptr)
        std::fclose(file_);
    file_ = nullptr;
    fromStream_ = false;
    callbacks_ = {};
    streamCtx_ = nullptr;
    streamSize_ = -1;
    rate_ = 0;
    channels_ = 0;
    lengthSamples_ = -1;
    seekable_ = true;
}

int Decoder::Rewind()
{
    if (handle_ == nullptr)
        return QEL_MPEG_ERR_MODE;
    if (seekable_)
        return mpg123_seek(handle_, 0, SEEK_SET) < 0 ? QEL_MPEG_ERR_INPUT : QEL_MPEG_OK;
    // A stream that cannot seek starts again only when its owner can restart it.
    uint8_t restarted = 0;
    if (callbacks_.restart != nullptr)
        callbacks_.restart(callbacks_.ctx, streamCtx_, &restarted);
    if (restarted == 0)
        return QEL_MPEG_ERR_NONSEEKABLE;
    mpg123_close(handle_);
    int code = OpenHandleOnStream();
    if (code != QEL_MPEG_OK)
        return code;
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK)
        return QEL_MPEG_ERR_INPUT;
    return QEL_MPEG_OK;
}

int Decoder::SeekSample(int64_t sample)
{
    if (handle_ == nullptr)
        return QEL_MPEG_ERR_MODE;
    if (sample < 0)
        sample = 0;
    if (!seekable_)
        return sample == 0 ? Rewind() : QEL_MPEG_ERR_NONSEEKABLE;
    return mpg123_seek(handle_, static_cast<off_t>(sample), SEEK_SET) < 0 ? QEL_MPEG_ERR_INPUT : QEL_MPEG_OK;
}

Decoder::ReadResult Decoder::Read(unsigned char* buffer, size_t capacity, size_t& got)
{
    got = 0;
    if (handle_ == nullptr)
        return ReadResult::Error;
    int result = mpg123_read(handle_, buffer, capacity, &got);
    switch (result) {
    case MPG123_OK: return ReadResult::Data;
    case MPG123_NEW_FORMAT: {
        int encoding = 0;
        mpg123_getformat(handle_, &rate_, &channels_, &encoding);
        return ReadResult::NewFormat;
    }
    case MPG123_DONE: return ReadResult::Done;
    default:
        // libmpg123 resynchronises over damaged frames by itself; what reaches us is the end of
        // what can be decoded (truncated or broken data). Whatever was decoded still plays.
        return got > 0 ? ReadResult::Data : ReadResult::Error;
    }
}

int Decoder::BitrateKbps()
{
    mpg123_frameinfo info{};
    if (handle_ == nullptr || mpg123_info(handle_, &info) != MPG123_OK)
        return 0;
    return info.bitrate;
}

int Decoder::Layer()
{
    mpg123_frameinfo info{};
    if (handle_ == nullptr || mpg123_info(handle_, &info) != MPG123_OK)
        return 0;
    return info.layer;
}

long Decoder::StreamRead(void* buffer, size_t count)
{
    if (file_ != nullptr) {
        size_t got = std::fread(buffer, 1, count, file_);
        return got == 0 && std::ferror(file_) ? -1 : static_cast<long>(got);
    }
    if (count > static_cast<size_t>(INT32_MAX))
        count = INT32_MAX;
    int32_t got = 0;
    uint8_t ok = 0;
    callbacks_.read(callbacks_.ctx, streamCtx_, buffer, static_cast<int32_t>(count), &got, &ok);
    if (got < 0 || static_cast<size_t>(got) > count)
        return -1;  // a broken reader is a read error
    if (ok == 0 && got == 0)
        return 0;  // end of the stream
    return got;
}

int64_t Decoder::StreamSeek(int64_t offset, int whence)
{
    if (file_ != nullptr) {
        if (::fseeko(file_, static_cast<off_t>(offset), whence) != 0)
            return -1;
        return ::ftello(file_);
    }
    if (!seekable_ || callbacks_.seek == nullptr || offset < INT32_MIN || offset > INT32_MAX) {
        errno = ESPIPE;
        return -1;
    }
    int32_t position = -1;
    callbacks_.seek(callbacks_.ctx, streamCtx_, static_cast<int32_t>(offset), whence, &position);
    if (position < 0)
        errno = EINVAL;
    return position;
}

}  // namespace qel::mpegdll
