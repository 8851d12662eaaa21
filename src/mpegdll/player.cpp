#include "mpegdll/player.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <memory>
#include <vector>

#include "mpegdll/output.h"

namespace qel::mpegdll {
namespace {

using Clock = std::chrono::steady_clock;

// A chunk of about 50 ms keeps pausing, stopping and position reports prompt; a file output takes
// larger chunks because only throughput matters there.
constexpr size_t kFileChunkBytes = 64 * 1024;

int32_t ClampToInt32(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, INT32_MAX));
}

// The program's priorities run from -15 (idle) to 15 (time critical); the nice value moves five
// steps per level. Raising priority above the caller's needs privileges: then it simply stays.
void SetThreadNice(int tid, int callerNice, int priority)
{
    if (tid == 0)
        return;
    int nice = std::clamp(callerNice - 5 * priority, -20, 19);
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice);
}

}  // namespace

Player::~Player()
{
    Close();
}

int64_t Player::MsToSamples(int64_t ms) const
{
    return ms * decoder_.Rate() / 1000;
}

int Player::OpenFile(const std::string& name)
{
    Close();
    int code = decoder_.OpenFile(name);
    if (code == QEL_MPEG_OK)
        Opened();
    return code;
}

int Player::OpenStream(const StreamCallbacks& callbacks)
{
    Close();
    int code = decoder_.OpenStream(callbacks);
    if (code == QEL_MPEG_OK)
        Opened();
    return code;
}

// Facts about the stream that the caller may ask for while the playback thread owns the decoder.
void Player::Opened()
{
    rate_ = decoder_.Rate();
    long rate = decoder_.Rate();
    int64_t samples = decoder_.LengthSamples();
    lengthMs_ = rate > 0 && samples > 0 ? ClampToInt32(samples * 1000 / rate) : 0;
    bitrate_ = decoder_.BitrateKbps();
    layer_ = decoder_.Layer();
    mode_ = QEL_MODE_OPENED;
}

int Player::Close()
{
    StopThread();
    decoder_.Close();
    mode_ = QEL_MODE_CLOSED;
    positionSamples_ = 0;
    rate_ = 0;
    lengthMs_ = 0;
    bitrate_ = 0;
    layer_ = 0;
    played_ = false;
    endReached_ = nullptr;
    return QEL_MPEG_OK;
}

int Player::SetOutputDevice(int device, const std::string& fileName)
{
    if (device != QEL_DEVICE_SYSTEM && device != QEL_DEVICE_PCMFILE)
        return QEL_MPEG_ERR_OUTPUT;
    if (device == QEL_DEVICE_PCMFILE && fileName.empty())
        return QEL_MPEG_ERR_OUTPUT;
    device_ = device;
    outFileName_ = fileName;
    return QEL_MPEG_OK;
}

int Player::SetPriority(int priority)
{
    priority_ = priority;
    SetThreadNice(threadId_.load(), callerNice_, priority);
    return QEL_MPEG_OK;
}

int Player::Play(int32_t startMs, int32_t endMs, uint8_t* endReached)
{
    if (mode_ == QEL_MODE_CLOSED)
        return QEL_MPEG_ERR_MODE;
    if (startMs < 0 || endMs < 0 || (endMs != 0 && endMs <= startMs))
        return QEL_MPEG_ERR_MODE;
    StopThread();
    if (startMs > 0 || played_) {
        if (int code = decoder_.SeekSample(MsToSamples(startMs)))
            return code;
    }
    startMs_ = startMs;
    endMs_ = endMs;
    endReached_ = endReached;
    played_ = true;
    return StartThread(MsToSamples(startMs));
}

int Player::Restart()
{
    if (mode_ == QEL_MODE_CLOSED || !played_)
        return QEL_MPEG_ERR_MODE;
    StopThread();
    int code = startMs_ > 0 ? decoder_.SeekSample(MsToSamples(startMs_)) : decoder_.Rewind();
    if (code != QEL_MPEG_OK)
        return code;
    return StartThread(MsToSamples(startMs_));
}

int Player::Pause(bool pause)
{
    std::lock_guard lock(mutex_);
    int mode = mode_.load();
    if (mode != QEL_MODE_PLAYING && mode != QEL_MODE_PAUSED)
        return QEL_MPEG_ERR_MODE;
    pauseRequested_ = pause;
    mode_ = pause ? QEL_MODE_PAUSED : QEL_MODE_PLAYING;
    wake_.notify_all();
    return QEL_MPEG_OK;
}

int Player::Stop()
{
    if (mode_ == QEL_MODE_CLOSED)
        return QEL_MPEG_ERR_MODE;
    StopThread();
    decoder_.SeekSample(0);
    positionSamples_ = 0;
    mode_ = QEL_MODE_OPENED;
    return QEL_MPEG_OK;
}

int Player::Seek(int32_t ms)
{
    if (mode_ == QEL_MODE_CLOSED || ms < 0)
        return QEL_MPEG_ERR_MODE;
    if (!decoder_.Seekable())
        return QEL_MPEG_ERR_NONSEEKABLE;
    int mode = mode_.load();
    bool running = mode == QEL_MODE_PLAYING || mode == QEL_MODE_PAUSED;
    StopThread();
    int64_t sample = MsToSamples(ms);
    if (int code = decoder_.SeekSample(sample))
        return code;
    positionSamples_ = sample;
    if (!running)
        return QEL_MPEG_OK;
    pauseRequested_ = mode == QEL_MODE_PAUSED;
    int code = StartThread(sample);
    if (code <= QEL_MPEG_OK && mode == QEL_MODE_PAUSED)
        mode_ = QEL_MODE_PAUSED;
    return code;
}

int Player::ResetMode()
{
    int ended = QEL_MODE_ENDED;
    mode_.compare_exchange_strong(ended, QEL_MODE_OPENED);
    return QEL_MPEG_OK;
}

int32_t Player::PositionMs() const
{
    long rate = rate_.load();
    return rate > 0 ? ClampToInt32(positionSamples_.load() * 1000 / rate) : 0;
}

int32_t Player::LengthMs() const
{
    return lengthMs_.load();
}
int32_t Player::Frequency() const
{
    return static_cast<int32_t>(rate_.load());
}
int32_t Player::Bitrate() const
{
    return bitrate_.load();
}
int32_t Player::Layer() const
{
    return layer_.load();
}

// Opens the output here, on the caller's thread, so that a missing device is reported by the
// call that asked for playback. Without a working sound output the stream plays silently and the
// call says so with a notice.
int Player::StartThread(int64_t startSample)
{
    auto output = Output::Open(device_, outFileName_, decoder_.Rate(), decoder_.Channels());
    if (!output) {
        mode_ = QEL_MODE_OPENED;
        return QEL_MPEG_ERR_OUTPUT;
    }
    const int started = output->StandsInForSystemOutput() ? int(QEL_MPEG_NOTE_SILENT) : int(QEL_MPEG_OK);
    errno = 0;
    int nice = getpriority(PRIO_PROCESS, 0);
    callerNice_ = errno == 0 ? nice : 0;
    positionSamples_ = startSample;
    rate_ = decoder_.Rate();
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = false;
        mode_ = QEL_MODE_PLAYING;
    }
    try {
        thread_ = std::thread([this, out = output.release()] {
            std::unique_ptr<Output> owned(out);
            threadId_ = static_cast<int>(syscall(SYS_gettid));
            SetThreadNice(threadId_.load(), callerNice_, priority_.load());
            bool reachedEnd = Run(*owned);
            owned.reset();  // close the device or file before the end is announced
            Finish(reachedEnd);
        });
    } catch (const std::system_error&) {
        mode_ = QEL_MODE_OPENED;
        return QEL_MPEG_ERR_INTERNAL;
    }
    return started;
}

void Player::StopThread()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
        wake_.notify_all();
    }
    thread_.join();
    std::lock_guard lock(mutex_);
    stopRequested_ = false;
    pauseRequested_ = false;
    threadId_ = 0;
}

bool Player::Run(Output& output)
{
    const bool paced = output.NeedsPacing();
    long rate = decoder_.Rate();
    int frameBytes = decoder_.FrameBytes();
    auto chunkBytes = [&] {
        if (device_ == QEL_DEVICE_PCMFILE)
            return kFileChunkBytes;
        return static_cast<size_t>(std::max<long>(rate / 20, 64)) * static_cast<size_t>(frameBytes);
    };
    std::vector<unsigned char> buffer(std::max(kFileChunkBytes, chunkBytes()));
    const int64_t endSample = endMs_ > 0 ? MsToSamples(endMs_) : INT64_MAX;
    Clock::time_point paceStart = Clock::now();
    int64_t pacedFrames = 0;
    bool finishing = false;

    for (;;) {
        {
            std::unique_lock lock(mutex_);
            if (pauseRequested_ && !stopRequested_) {
                lock.unlock();
                output.Pause();
                lock.lock();
                Clock::time_point pausedAt = Clock::now();
                wake_.wait(lock, [&] { return !pauseRequested_ || stopRequested_; });
                paceStart += Clock::now() - pausedAt;
                if (!stopRequested_) {
                    lock.unlock();
                    output.Continue();
                    lock.lock();
                }
            }
            if (paced && pacedFrames > 0 && !stopRequested_) {
                auto due = paceStart + std::chrono::microseconds(pacedFrames * 1000000 / rate);
                if (wake_.wait_until(lock, due, [&] { return stopRequested_ || pauseRequested_; }) && !stopRequested_)
                    continue;  // paused while waiting: handle it first
            }
            if (stopRequested_)
                break;
        }
        if (finishing) {
            output.Drain();
            return true;
        }

        size_t got = 0;
        size_t want = std::min(buffer.size(), chunkBytes());
        Decoder::ReadResult result = decoder_.Read(buffer.data(), want - want % frameBytes, got);
        if (result == Decoder::ReadResult::NewFormat) {
            if (!output.Reformat(decoder_.Rate(), decoder_.Channels()))
                return true;
            rate = decoder_.Rate();
            frameBytes = decoder_.FrameBytes();
            rate_ = rate;
            paceStart = Clock::now();
            pacedFrames = 0;
            if (got == 0)
                continue;
        }
        bool last = result == Decoder::ReadResult::Done || result == Decoder::ReadResult::Error;
        int64_t frames = static_cast<int64_t>(got) / frameBytes;
        int64_t position = positionSamples_.load();
        if (position + frames >= endSample) {
            frames = std::max<int64_t>(0, endSample - position);
            last = true;
        }
        if (frames > 0) {
            // An output that fails in the middle ends the sound, so the program moves on to the
            // next.
            if (!output.Write(buffer.data(), static_cast<size_t>(frames * frameBytes)))
                return true;
            positionSamples_ = position + frames;
            pacedFrames += frames;
            bitrate_ = decoder_.BitrateKbps();  // changes from frame to frame in a VBR stream
        }
        finishing = last;  // the loop's top keeps the pace of this last chunk, then ends
    }
    output.Drop();
    return false;
}

void Player::Finish(bool reachedEnd)
{
    std::lock_guard lock(mutex_);
    if (!reachedEnd || stopRequested_)
        return;
    mode_ = QEL_MODE_ENDED;
    pauseRequested_ = false;
    if (endReached_ != nullptr)
        __atomic_store_n(endReached_, uint8_t{1}, __ATOMIC_RELEASE);
}

}  // namespace qel::mpegdll
