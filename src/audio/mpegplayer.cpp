#include "audio/mpegplayer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include <QLibrary>
#include <QTimer>

#include "audio/soundoutputnotice.h"
#include "base/text.h"

namespace qel::audio {

struct TMPEGPlayer::Entries {
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
};

namespace {

constexpr std::array<std::pair<TPlayPriority, int32_t>, 7> kPriorities{{
    {TPlayPriority::Idle, -15},
    {TPlayPriority::Lowest, -2},
    {TPlayPriority::BelowNormal, -1},
    {TPlayPriority::Normal, 0},
    {TPlayPriority::AboveNormal, 1},
    {TPlayPriority::Highest, 2},
    {TPlayPriority::TimeCritical, 15},
}};

// The library's name is matched without regard to case: the program checks for "QelMpegDll.dll"
// and loads "QelMpegdll.dll", which on this system are two different names.
std::string FindNoCase(const std::string& folder, const std::string& name)
{
    std::error_code error;
    std::filesystem::path dir = folder.empty() ? std::filesystem::path(".") : std::filesystem::path(folder);
    if (std::filesystem::exists(dir / name, error))
        return folder + name;
    for (std::filesystem::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        std::string entry = it->path().filename().string();
        if (base::SameText(entry, name))
            return folder + entry;
    }
    return folder + name;
}

TMPEGPlayer& Self(void* ctx)
{
    return *static_cast<TMPEGPlayer*>(ctx);
}

// The stream callbacks, called by the library (on its own threads). An exception never crosses
// back into the library: a handler that throws counts as a failed call.
void OpenStreamThunk(void* ctx, uint8_t* nonseekable, void** streamCtx)
{
    TMPEGPlayer& player = Self(ctx);
    if (!player.OnOpenStream) {
        *streamCtx = nullptr;
        return;
    }
    bool ns = *nonseekable != 0;
    void* context = *streamCtx;
    try {
        player.OnOpenStream(player, ns, context);
    } catch (...) {
        context = nullptr;
    }
    *nonseekable = ns ? 1 : 0;
    *streamCtx = context;
}

void CloseStreamThunk(void* ctx, void* streamCtx)
{
    TMPEGPlayer& player = Self(ctx);
    if (!player.OnCloseStream)
        return;
    try {
        player.OnCloseStream(player, streamCtx);
    } catch (...) {
    }
}

void RestartStreamThunk(void* ctx, void* streamCtx, uint8_t* res)
{
    TMPEGPlayer& player = Self(ctx);
    bool ok = false;
    if (player.OnRestartStream) {
        try {
            player.OnRestartStream(player, streamCtx, ok);
        } catch (...) {
            ok = false;
        }
    }
    *res = ok ? 1 : 0;
}

void ReadStreamThunk(void* ctx, void* streamCtx, void* buffer, int32_t count, int32_t* bytesRead, uint8_t* res)
{
    TMPEGPlayer& player = Self(ctx);
    bool ok = false;
    int32_t got = 0;
    if (player.OnReadStream) {
        try {
            player.OnReadStream(player, streamCtx, buffer, count, got, ok);
        } catch (...) {
            ok = false;
            got = 0;
        }
    }
    *bytesRead = got;
    *res = ok ? 1 : 0;
}

void SeekStreamThunk(void* ctx, void* streamCtx, int32_t numBytes, int32_t moveMethod, int32_t* res)
{
    TMPEGPlayer& player = Self(ctx);
    int32_t position = -1;
    if (player.OnSeekStream) {
        try {
            player.OnSeekStream(player, streamCtx, numBytes, moveMethod, position);
        } catch (...) {
            position = -1;
        }
    }
    *res = position;
}

void GetStreamSizeThunk(void* ctx, void* streamCtx, int32_t* res)
{
    TMPEGPlayer& player = Self(ctx);
    int32_t size = -1;
    if (player.OnGetStreamSize) {
        try {
            player.OnGetStreamSize(player, streamCtx, size);
        } catch (...) {
            size = -1;
        }
    }
    *res = size;
}

}  // namespace

TMPEGPlayer::TMPEGPlayer() : fn_(std::make_unique<Entries>())
{
}

TMPEGPlayer::~TMPEGPlayer()
{
    if (!Loaded())
        return;
    try {
        UnloadMPEGLibrary();
    } catch (const TMPEGError&) {
        // The library is released all the same; nothing to report from a destructor.
    }
}

// --- library ---

std::string TMPEGPlayer::LibraryPath() const
{
    std::string folder = pathToDLL_;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return FindNoCase(folder, kLibraryFileName);
}

void TMPEGPlayer::LoadMPEGLibrary()
{
    if (Loaded())
        return;
    loadFailure_.clear();
    auto library = std::make_unique<QLibrary>(QString::fromStdString(LibraryPath()));
    library->setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library->load()) {
        loadFailure_ = library->errorString().toStdString();
        throw TMPEGError(kMPEGErrorNotLoaded, kCantLoadMessage);
    }

    Entries entries;
    bool complete = true;
    auto bind = [&](auto& slot, const char* name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(library->resolve(name));
        if (slot == nullptr && complete) {
            complete = false;
            loadFailure_ = std::string("entry point \"") + name + "\" is missing";
        }
    };
    bind(entries.init, "init");
    bind(entries.deinit, "deinit");
    bind(entries.open, "Open");
    bind(entries.pause, "Pause");
    bind(entries.restart, "Restart");
    bind(entries.stop, "Stop");
    bind(entries.setPriority, "SetPriority");
    bind(entries.setOutputDevice, "SetOutputDevice");
    bind(entries.play, "Play");
    bind(entries.close, "Close");
    bind(entries.getFrequency, "GetFrequency");
    bind(entries.getBitrate, "GetBitrate");
    bind(entries.getLayer, "GetLayer");
    bind(entries.getPlayerMode, "GetPlayerMode");
    bind(entries.getCurrentPos, "GetCurrentPos");
    bind(entries.getLength, "GetLength");
    bind(entries.resetPlayerMode, "ResetPlayerMode");
    bind(entries.seek, "Seek");
    bind(entries.lastError, "LastError");
    if (!complete) {
        library->unload();
        throw TMPEGError::FromCode(kMPEGErrorNotLoaded);
    }
    if ((entries.init() & 0xFF) == 0) {
        int32_t code = entries.lastError();
        loadFailure_ = "the library's init failed";
        library->unload();
        throw TMPEGError::FromCode(code);
    }

    library_ = std::move(library);
    *fn_ = entries;
    // The interval is fixed here: later changes of TimerFreq do not reach the timer.
    timerInterval_ = useTimer_ ? timerFreq_ : 0;
    StopTimer();
    streamLength_ = 0;
}

void TMPEGPlayer::UnloadMPEGLibrary()
{
    RequireLoaded();
    // The library is released even when closing the stream fails; that failure is reported after.
    std::exception_ptr failure;
    if (opened_) {
        try {
            Close();
        } catch (const TMPEGError&) {
            failure = std::current_exception();
        }
    }
    fn_->deinit();
    ForgetLibrary();
    if (failure)
        std::rethrow_exception(failure);
}

void TMPEGPlayer::ForgetLibrary()
{
    StopTimer();
    if (library_)
        library_->unload();
    library_.reset();
    *fn_ = Entries{};
    opened_ = playing_ = paused_ = false;
    playedXTimes_ = 0;
}

void TMPEGPlayer::RequireLoaded() const
{
    if (!Loaded())
        throw TMPEGError::FromCode(kMPEGErrorNotLoaded);
}

void TMPEGPlayer::ErrorStep()
{
    lastErrorCode_ = fn_->lastError != nullptr ? fn_->lastError() : 0;
    if (lastErrorCode_ > 0)
        throw TMPEGError::FromCode(lastErrorCode_);
    if (lastErrorCode_ == QEL_MPEG_NOTE_SILENT)
        ReportNoSoundOutput();
}

// --- operations ---

void TMPEGPlayer::Open()
{
    RequireLoaded();
    if (opened_)
        Close();
    opened_ = false;
    if (fromStream_) {
        fn_->open(nullptr, 1, &OpenStreamThunk, &CloseStreamThunk, &RestartStreamThunk, &ReadStreamThunk,
                  &SeekStreamThunk, &GetStreamSizeThunk, this);
    } else {
        if (streamName_.empty())
            throw TMPEGError(kMPEGErrorNoStream, kNoStreamMessage);
        // A name that does not fit the library's buffer would open some other file.
        if (streamName_.size() >= QEL_MPEG_NAME_BUFFER)
            throw TMPEGError::FromCode(kMPEGErrorInput);
        std::array<char, QEL_MPEG_NAME_BUFFER> name{};
        std::memcpy(name.data(), streamName_.data(), streamName_.size());
        fn_->open(name.data(), 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    }
    ErrorStep();
    opened_ = true;
    playedXTimes_ = 1;
    streamLength_ = GetLength();
    if (autoPlay_)
        Play();
}

void TMPEGPlayer::Play()
{
    RequireLoaded();
    if (paused_) {
        Pause(false);
        return;
    }
    if (playing_)
        return;
    if (!opened_) {
        Open();
        // With AutoPlay, Open has already started the stream; starting it again would restart it.
        if (!opened_ || playing_)
            return;
    }
    if (playedXTimes_ > 1) {
        Restart();
        return;
    }
    fn_->setPriority(priorityValue_);
    ErrorStep();
    if (outFilename_.size() >= QEL_MPEG_OUTNAME_BUFFER && deviceCode_ != 0)
        throw TMPEGError::FromCode(kMPEGErrorOutput);
    std::array<char, QEL_MPEG_OUTNAME_BUFFER> outName{};
    std::memcpy(outName.data(), outFilename_.data(), std::min(outFilename_.size(), outName.size() - 1));
    fn_->setOutputDevice(deviceCode_, outName.data());
    ErrorStep();
    // A byte left set by an earlier stream must not end this one at the first tick.
    __atomic_store_n(&endReached_, uint8_t{0}, __ATOMIC_RELEASE);
    int32_t result = fn_->play(startPos_, endPos_, &endReached_);
    lastErrorCode_ = fn_->lastError();
    if (lastErrorCode_ > 0 || result != 0)
        throw TMPEGError::FromCode(lastErrorCode_ > 0 ? lastErrorCode_ : 0);
    if (lastErrorCode_ == QEL_MPEG_NOTE_SILENT)
        ReportNoSoundOutput();
    StartedPlaying();
}

void TMPEGPlayer::StartedPlaying()
{
    playing_ = true;
    ++playedXTimes_;
    if (useTimer_ && timerInterval_ != 0) {
        if (!timer_) {
            // Made on first use, on the thread that plays, so it belongs to that thread's event
            // loop.
            timer_ = std::make_unique<QTimer>();
            timer_->setInterval(timerInterval_);
            QObject::connect(timer_.get(), &QTimer::timeout, [this] {
                try {
                    TimerTick();
                } catch (const TMPEGError&) {
                    StopTimer();  // the library no longer answers; nothing more to report
                }
            });
        }
        timer_->start();
        TimerTick();
    }
}

void TMPEGPlayer::Restart()
{
    RequireLoaded();
    if (!opened_)
        throw TMPEGError::FromCode(kMPEGErrorMode);
    __atomic_store_n(&endReached_, uint8_t{0}, __ATOMIC_RELEASE);
    fn_->restart();
    ErrorStep();
    paused_ = false;
    StartedPlaying();
}

void TMPEGPlayer::Pause(bool pause)
{
    RequireLoaded();
    if (!playing_ || EndReached()) {
        paused_ = false;
        if (pause)
            throw TMPEGError::FromCode(kMPEGErrorMode);
        return;
    }
    fn_->pause(pause ? 0 : 1);
    ErrorStep();
    paused_ = pause;
}

void TMPEGPlayer::Close()
{
    RequireLoaded();
    // Nothing is left for the timer to report; stopped now, it cannot look at the player while the
    // next stream is opened on another thread.
    StopTimer();
    opened_ = paused_ = playing_ = false;
    playedXTimes_ = 0;
    fn_->close();
    ErrorStep();
}

int32_t TMPEGPlayer::GetPlayerMode()
{
    RequireLoaded();
    int32_t mode = fn_->getPlayerMode();
    ErrorStep();
    return mode;
}

int32_t TMPEGPlayer::GetCurrentPos()
{
    RequireLoaded();
    int32_t pos = fn_->getCurrentPos();
    ErrorStep();
    return pos;
}

int32_t TMPEGPlayer::GetLength()
{
    RequireLoaded();
    int32_t length = fn_->getLength();
    ErrorStep();
    return length;
}

void TMPEGPlayer::TimerTick()
{
    if (!opened_ || !playing_) {
        StopTimer();
        return;
    }
    int32_t pos = GetCurrentPos();
    if (pos > streamLength_)
        pos = 0;
    // The handlers run from copies: a handler may assign another handler (or none) to its event,
    // which must not destroy the one that is running.
    if (OnPosUpdate) {
        TPosUpdateEvent handler = OnPosUpdate;
        handler(*this, pos, streamLength_);
    }
    if (EndReached()) {
        StopTimer();
        playing_ = false;
        if (OnPlayEnd) {
            __atomic_store_n(&endReached_, uint8_t{0}, __ATOMIC_RELEASE);
            TNotifyEvent handler = OnPlayEnd;
            handler(*this);
        }
    }
}

void TMPEGPlayer::StopTimer()
{
    if (timer_)
        timer_->stop();
}

// --- properties ---

bool TMPEGPlayer::EndReached() const
{
    return __atomic_load_n(&endReached_, __ATOMIC_ACQUIRE) != 0;
}

TPlayPriority TMPEGPlayer::PlayerPriority() const
{
    for (const auto& [priority, value] : kPriorities)
        if (value == priorityValue_)
            return priority;
    return TPlayPriority::Normal;
}

void TMPEGPlayer::SetPlayerPriority(TPlayPriority value)
{
    priorityValue_ = 0;
    for (const auto& [priority, mapped] : kPriorities)
        if (priority == value)
            priorityValue_ = mapped;
    if (Loaded()) {
        fn_->setPriority(priorityValue_);
        ErrorStep();
    }
}

void TMPEGPlayer::SetTimerFreq(int32_t value)
{
    timerFreq_ = value;
    if (value == 0)
        useTimer_ = false;
}

void TMPEGPlayer::SetStreamName(const std::string& value)
{
    streamName_ = value;
    if (opened_)
        Close();
}

TOutputDevice TMPEGPlayer::OutputDevice() const
{
    return deviceCode_ != 0 ? TOutputDevice::pcmfile : TOutputDevice::wavemapper;
}

void TMPEGPlayer::SetOutputDevice(TOutputDevice value)
{
    deviceCode_ = value == TOutputDevice::pcmfile && !outFilename_.empty() ? QEL_DEVICE_PCMFILE : QEL_DEVICE_SYSTEM;
}

}  // namespace qel::audio
