#include "audio/mediaplayer.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <gst/gst.h>

#include "audio/soundoutputnotice.h"
#include "audio/waveheader.h"
#include "platform/environment.h"
#include "platform/regularfile.h"

namespace qel::audio {
namespace {

// Opening a sound should take well under a second; the limit only guards against a file that keeps
// a plugin busy forever.
constexpr GstClockTime kOpenTimeout = 20 * GST_SECOND;

// Codes for Error(): the command failed, or GStreamer reported an error while playing.
constexpr int kErrorCommand = 1;
constexpr int kErrorStream = 2;

// A sound whose position has not moved for this long while it should play has stalled (a plugin
// stuck on broken data): it counts as ended, so the music goes on with the next sound.
constexpr auto kStallLimit = std::chrono::seconds(10);

// Starts GStreamer once per process; returns its error text, empty on success.
const std::string& InitGStreamer()
{
    static std::once_flag once;
    static std::string failure;
    std::call_once(once, [] {
        GError* error = nullptr;
        if (!gst_init_check(nullptr, nullptr, &error)) {
            failure = error != nullptr ? error->message : "GStreamer cannot start";
            if (error != nullptr)
                g_error_free(error);
        }
    });
    return failure;
}

std::string ErrorText(GstMessage* message)
{
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    std::string text = error != nullptr && error->message != nullptr ? error->message : "";
    if (error != nullptr)
        g_error_free(error);
    g_free(debug);
    return text.empty() ? "Unknown error code" : text;
}

bool SilentSink()
{
    return platform::Environment("QELSAVER_AUDIO_SINK") == "null";
}

// True when the system's sound output chosen for a prerolled pipeline is GStreamer's silent
// stand-in: the automatic sink found no sink that opens (no sound server, no sound card).
bool FellBackToSilence(GstElement* autoSink)
{
    if (autoSink == nullptr || !GST_IS_BIN(autoSink))
        return false;
    bool silent = false;
    GstIterator* children = gst_bin_iterate_elements(GST_BIN(autoSink));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(children, &item) == GST_ITERATOR_OK) {
        auto* child = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory* factory = gst_element_get_factory(child);
        if (factory != nullptr && std::strcmp(GST_OBJECT_NAME(factory), "fakesink") == 0)
            silent = true;
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(children);
    return silent;
}

}  // namespace

TMediaPlayer::~TMediaPlayer()
{
    Close();
}

void TMediaPlayer::Open()
{
    Close();
    notify_ = false;
    auto fail = [&](const std::string& why) -> TMediaDeviceError {
        Close();
        error_ = kErrorCommand;
        errorMessage_ = why;
        return TMediaDeviceError(fileName_ + ": " + why);
    };
    if (const std::string& failure = InitGStreamer(); !failure.empty())
        throw fail(failure);
    if (fileName_.empty())
        throw fail("No file name given");
    // GStreamer would wait in open() for a FIFO's writer, or read a device without end.
    try {
        platform::RegularFile::Open(fileName_);
    } catch (const platform::FileError& e) {
        throw fail(e.what());
    }
    if (std::string problem = WaveHeaderProblem(fileName_); !problem.empty())
        throw fail(problem);

    GError* uriError = nullptr;
    gchar* uri = gst_filename_to_uri(fileName_.c_str(), &uriError);
    if (uri == nullptr) {
        std::string why = uriError != nullptr ? uriError->message : "Unknown error code";
        if (uriError != nullptr)
            g_error_free(uriError);
        throw fail(why);
    }
    playbin_ = gst_element_factory_make("playbin", nullptr);
    if (playbin_ == nullptr) {
        g_free(uri);
        throw fail("GStreamer's playbin element is not installed");
    }
    gst_object_ref_sink(playbin_);
    g_object_set(playbin_, "uri", uri, nullptr);
    g_free(uri);
    // Sounds only: a file that also holds pictures must not open a video window.
    gst_util_set_object_arg(G_OBJECT(playbin_), "flags", "audio+soft-volume");
    GstElement* systemSink = nullptr;  // the automatic choice among the system's outputs
    if (SilentSink()) {
        GstElement* sink = gst_element_factory_make("fakesink", nullptr);
        if (sink != nullptr) {
            g_object_set(sink, "sync", TRUE, nullptr);  // keeps real time, so sounds last as long
            g_object_set(playbin_, "audio-sink", sink, nullptr);
        }
    } else if ((systemSink = gst_element_factory_make("autoaudiosink", nullptr)) != nullptr) {
        // The same sink playbin would choose, made here so that its choice can be looked at.
        g_object_set(playbin_, "audio-sink", systemSink, nullptr);
    }
    bus_ = gst_element_get_bus(playbin_);

    if (gst_element_set_state(playbin_, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        // The reason, when there is one, is waiting on the bus.
        GstMessage* message = gst_bus_pop_filtered(bus_, GST_MESSAGE_ERROR);
        std::string why = message != nullptr ? ErrorText(message) : "Unknown error code";
        if (message != nullptr)
            gst_message_unref(message);
        throw fail(why);
    }
    // Wait until the file is ready to play (or has failed).
    GstClockTime deadline = gst_util_get_timestamp() + kOpenTimeout;
    for (;;) {
        GstClockTime now = gst_util_get_timestamp();
        if (now >= deadline)
            throw fail("Timed out opening the sound");
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus_, deadline - now,
            static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_EOS));
        if (message == nullptr)
            continue;
        GstMessageType type = GST_MESSAGE_TYPE(message);
        std::string why = type == GST_MESSAGE_ERROR ? ErrorText(message) : std::string();
        gst_message_unref(message);
        if (type == GST_MESSAGE_ERROR)
            throw fail(why);
        if (type == GST_MESSAGE_EOS)
            ended_ = true;  // nothing to play: it ends at once
        break;
    }
    // Without a working output the sound plays silently, as the automatic sink arranges, and
    // the program says so once.
    if (FellBackToSilence(systemSink))
        ReportNoSoundOutput();
    fresh_ = true;
    error_ = 0;
    errorMessage_.clear();
}

void TMediaPlayer::Play()
{
    if (playbin_ == nullptr) {
        CommandDone(false, "No device open");
        return;
    }
    CollectMessages();
    bool ok = true;
    if (!fresh_) {
        // From the beginning, also after the end or a stop.
        ok = gst_element_seek_simple(playbin_, GST_FORMAT_TIME, static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH), 0);
        ended_ = false;
    }
    fresh_ = false;
    ok = gst_element_set_state(playbin_, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE && ok;
    playing_ = ok;
    lastPosition_ = -1;
    lastProgress_ = std::chrono::steady_clock::now();
    CommandDone(ok, ok ? std::string() : "Cannot start playback");
}

int TMediaPlayer::Mode()
{
    if (playbin_ == nullptr)
        return mpNotReady;
    CollectMessages();
    if (playing_ && !ended_)
        CheckProgress();
    return playing_ && !ended_ ? mpPlaying : mpStopped;
}

void TMediaPlayer::CheckProgress()
{
    gint64 position = -1;
    auto now = std::chrono::steady_clock::now();
    if (gst_element_query_position(playbin_, GST_FORMAT_TIME, &position) && position != lastPosition_) {
        lastPosition_ = position;
        lastProgress_ = now;
    } else if (now - lastProgress_ > kStallLimit) {
        ended_ = true;
        error_ = kErrorStream;
        errorMessage_ = "Playback stalled";
    }
}

void TMediaPlayer::Stop()
{
    if (playbin_ == nullptr) {
        CommandDone(false, "No device open");
        return;
    }
    bool ok = gst_element_set_state(playbin_, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE;
    playing_ = false;
    CommandDone(ok, ok ? std::string() : "Cannot stop playback");
}

void TMediaPlayer::Close()
{
    if (playbin_ == nullptr)
        return;
    gst_element_set_state(playbin_, GST_STATE_NULL);
    if (bus_ != nullptr)
        gst_object_unref(bus_);
    gst_object_unref(playbin_);
    bus_ = nullptr;
    playbin_ = nullptr;
    playing_ = ended_ = fresh_ = false;
    CommandDone(true);
}

// Reads what the pipeline has reported since the last look: the end of the stream, or an error
// that stopped it.
void TMediaPlayer::CollectMessages()
{
    if (bus_ == nullptr)
        return;
    while (GstMessage* message = gst_bus_pop(bus_)) {
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS: ended_ = true; break;
        case GST_MESSAGE_ERROR:
            ended_ = true;
            error_ = kErrorStream;
            errorMessage_ = ErrorText(message);
            break;
        default: break;
        }
        gst_message_unref(message);
    }
}

void TMediaPlayer::CommandDone(bool ok, const std::string& message)
{
    notify_ = false;  // the notice request lasts for one command
    if (ok)
        return;
    error_ = kErrorCommand;
    errorMessage_ = message;
}

}  // namespace qel::audio
