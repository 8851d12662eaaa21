// TMediaPlayer over GStreamer with the silent sink: a wave file plays to its end as Mode sees it,
// bad files fail to open with GStreamer's message, and MIDI plays when a synthesizer and a
// soundfont are installed. On a machine without any sound output: the two back-ends side by side,
// as the slideshow's music uses them.

#include <gtest/gtest.h>

#include <gst/gst.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "audio/mediaplayer.h"
#include "audio/soundoutputnotice.h"
#include "mpegdll_fixture.h"

namespace qel::audio {
namespace {

using test::DataFile;

// Polls Mode until it reports `mode`. The limit only keeps a fault from hanging the suite.
bool WaitForMode(TMediaPlayer& player, int mode, int limitSeconds = 30)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    while (player.Mode() != mode) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A wave file of `seconds` seconds of a quiet tone, 8 kHz mono 8-bit.
void MakeWave(const std::string& path, int seconds)
{
    const uint32_t rate = 8000, bytes = rate * static_cast<uint32_t>(seconds);
    std::vector<unsigned char> w;
    auto put = [&](const char* s) { w.insert(w.end(), s, s + 4); };
    auto le = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            w.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    put("RIFF"), le(36 + bytes, 4), put("WAVE");
    put("fmt "), le(16, 4), le(1, 2), le(1, 2), le(rate, 4), le(rate, 4), le(1, 2), le(8, 2);
    put("data"), le(bytes, 4);
    for (uint32_t i = 0; i < bytes; ++i)
        w.push_back(static_cast<unsigned char>(128 + ((i / 16) % 2 ? 8 : -8)));
    test::WriteAll(path, w);
}

std::string OpenError(TMediaPlayer& player, const std::string& file)
{
    player.SetFileName(file);
    try {
        player.Open();
    } catch (const TMediaDeviceError& e) {
        return e.what();
    }
    return {};
}

TEST(MediaPlayerTest, AWaveFilePlaysToItsEndAndAgainFromTheStart)
{
    TMediaPlayer player;
    EXPECT_EQ(player.Mode(), mpNotReady);
    player.SetFileName(DataFile("tone.wav"));
    player.Open();
    EXPECT_TRUE(player.DeviceOpen());
    EXPECT_EQ(player.Mode(), mpStopped);
    player.SetNotify(true);
    player.Play();
    EXPECT_FALSE(player.Notify()) << "lasts for one command";
    ASSERT_TRUE(WaitForMode(player, mpStopped));
    EXPECT_EQ(player.Error(), 0) << player.ErrorMessage();

    player.Play();  // from the start again
    ASSERT_TRUE(WaitForMode(player, mpStopped));
    EXPECT_EQ(player.Error(), 0) << player.ErrorMessage();
    player.Close();
    EXPECT_FALSE(player.DeviceOpen());
    EXPECT_EQ(player.Mode(), mpNotReady);
}

TEST(MediaPlayerTest, PlayReturnsAtOnceAndModeReportsPlaying)
{
    std::string file = test::ScratchFolder("media-long") + "/long.wav";
    MakeWave(file, 30);
    TMediaPlayer player;
    player.SetFileName(file);
    player.Open();
    player.Play();
    EXPECT_EQ(player.Mode(), mpPlaying);
    player.Stop();
    EXPECT_EQ(player.Mode(), mpStopped);
    player.Play();
    EXPECT_EQ(player.Mode(), mpPlaying);
    player.Close();
    EXPECT_EQ(player.Error(), 0) << player.ErrorMessage();
}

TEST(MediaPlayerTest, CloseWithoutADeviceDoesNothingAndOpenMayFollow)
{
    TMediaPlayer player;
    player.Close();  // no device: nothing happens, nothing is raised
    EXPECT_EQ(player.Error(), 0);
    player.SetFileName(DataFile("tone.wav"));
    player.Open();
    player.Close();
    player.Close();
    EXPECT_EQ(player.Error(), 0);
    player.Open();
    EXPECT_TRUE(player.DeviceOpen());
}

TEST(MediaPlayerTest, FilesThatCannotPlayFailToOpenWithAMessageAndTheNextOneOpens)
{
    std::string dir = test::ScratchFolder("media-bad");
    std::vector<unsigned char> wave = test::ReadAll(DataFile("tone.wav"));
    std::vector<unsigned char> brokenHeader = wave;
    // "fmt " chunk with a zero channel count and an absurd block alignment.
    std::memset(brokenHeader.data() + 20, 0, 16);
    test::WriteAll(dir + "/broken-header.wav", brokenHeader);
    // A chunk size of 0 before the sound data: the chunks after it cannot be found (the decoder
    // would spin on it for ever).
    std::vector<unsigned char> lostChunks = wave;
    ASSERT_EQ(std::memcmp(lostChunks.data() + 36, "LIST", 4), 0);
    std::memset(lostChunks.data() + 40, 0, 4);
    test::WriteAll(dir + "/lost-chunks.wav", lostChunks);
    test::WriteAll(dir + "/header-only.wav", std::vector<unsigned char>(wave.begin(), wave.begin() + 20));
    test::WriteAll(dir + "/empty.wav", {});
    test::WriteAll(dir + "/text.wav", {'n', 'o', 't', ' ', 'a', ' ', 's', 'o', 'u', 'n', 'd', '\n'});
    TMediaPlayer player;
    for (const char* name :
         {"broken-header.wav", "lost-chunks.wav", "header-only.wav", "empty.wav", "text.wav", "missing.wav"}) {
        SCOPED_TRACE(name);
        std::string error = OpenError(player, dir + "/" + name);
        EXPECT_NE(error.find(name), std::string::npos) << "names the file: " << error;
        EXPECT_GT(error.size(), dir.size() + std::strlen(name) + 3) << "and the cause: " << error;
        EXPECT_FALSE(player.DeviceOpen());
        EXPECT_EQ(player.Mode(), mpNotReady);
        EXPECT_EQ(OpenError(player, DataFile("tone.wav")), "");
        EXPECT_TRUE(player.DeviceOpen());
    }
    EXPECT_NE(OpenError(player, ""), "");
}

TEST(MediaPlayerTest, AWaveWrittenAsAStreamPlays)
{
    // Writers that stream leave the data size 0: the sound runs to the end of the file.
    std::string dir = test::ScratchFolder("media-streamed");
    std::vector<unsigned char> wave = test::ReadAll(DataFile("tone.wav"));
    ASSERT_EQ(std::memcmp(wave.data() + 70, "data", 4), 0);
    std::memset(wave.data() + 74, 0, 4);
    test::WriteAll(dir + "/streamed.wav", wave);
    TMediaPlayer player;
    player.SetFileName(dir + "/streamed.wav");
    player.Open();
    player.Play();
    ASSERT_TRUE(WaitForMode(player, mpStopped));
    EXPECT_EQ(player.Error(), 0) << player.ErrorMessage();
}

TEST(MediaPlayerTest, MidiPlaysThroughTheSynthesizer)
{
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    GstElementFactory* synth = gst_element_factory_find("fluiddec");
    if (synth == nullptr)
        GTEST_SKIP() << "GStreamer's fluiddec (gstreamer1.0-plugins-bad) is missing";
    gst_object_unref(synth);
    bool soundfont = false;
    for (const char* dir : {"/usr/share/sounds/sf2", "/usr/share/soundfonts"}) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
            soundfont = soundfont || entry.path().extension() == ".sf2";
    }
    if (!soundfont)
        GTEST_SKIP() << "no General MIDI soundfont installed (scripts/setup installs one)";

    TMediaPlayer player;
    player.SetFileName(DataFile("tone.mid"));
    player.Open();
    player.Play();
    ASSERT_TRUE(WaitForMode(player, mpStopped));
    EXPECT_EQ(player.Error(), 0) << player.ErrorMessage();
}

// On a machine with no sound server and no sound card, with GStreamer's ALSA sink installed: a
// wave, an MP3 and a wave again, as the music plays them. The decoder library's output once left
// libasound's process-wide error handler pointing into an unloaded module, and the ALSA sink's "no
// sound card" report on the next wave's streaming thread then crashed the whole program. Now every
// sound plays silently to its end and the program hears once that there is no sound output.
TEST(NoSoundOutputTest, WaveMp3WaveAllPlaySilentlyAndTheNoticeComesOnce)
{
    unsetenv("QELSAVER_AUDIO_SINK");  // the system's own outputs
    struct Restore {
        ~Restore() { setenv("QELSAVER_AUDIO_SINK", "null", 1); }
    } restore;
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    GstElementFactory* alsa = gst_element_factory_find("alsasink");
    if (alsa == nullptr)
        GTEST_SKIP() << "GStreamer's ALSA sink (gstreamer1.0-alsa) is not installed";
    gst_object_unref(alsa);
    std::string wave = test::ScratchFolder("no-output") + "/tone.wav";
    MakeWave(wave, 1);

    {
        // Tries the system's outputs, GStreamer's ALSA sink among them, which takes over
        // libasound's error handler.
        TMediaPlayer first;
        first.SetFileName(wave);
        first.Open();
        if (!TakeNoSoundOutputNotice())
            GTEST_SKIP() << "this machine has a working sound output";
        first.Play();
        EXPECT_TRUE(WaitForMode(first, mpStopped));
        EXPECT_EQ(first.Error(), 0) << first.ErrorMessage();
    }

    test::MpegDll dll;
    ASSERT_TRUE(dll.Load(test::LibraryFile())) << dlerror();
    ASSERT_EQ(dll.init() & 0xFF, 1);
    ASSERT_EQ(dll.OpenFile(DataFile("tone.mp3")), 0);
    ASSERT_EQ(dll.SetOutput(QEL_DEVICE_SYSTEM, ""), 0);
    uint8_t ended = 0;
    EXPECT_EQ(dll.play(0, 0, &ended), 0) << "a valid MP3 is not an invalid one";
    EXPECT_EQ(dll.lastError(), QEL_MPEG_NOTE_SILENT);
    EXPECT_TRUE(test::WaitForByte(ended));
    dll.close();
    dll.deinit();
    dll.Unload();

    TMediaPlayer second;
    second.SetFileName(wave);
    second.Open();  // the ALSA sink reports the missing sound card again
    second.Play();
    EXPECT_TRUE(WaitForMode(second, mpStopped));
    EXPECT_EQ(second.Error(), 0) << second.ErrorMessage();
    EXPECT_FALSE(TakeNoSoundOutputNotice()) << "once per process";
}

}  // namespace
}  // namespace qel::audio
