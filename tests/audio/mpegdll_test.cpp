// The decoder library through its C interface: decoding, playback modes, the end byte, error codes
// for bad input and broken outputs, the stream callbacks, and repeated loading.

#include <gtest/gtest.h>

#include <cstdlib>

#include "mpegdll_fixture.h"

namespace qel::test {
namespace {

constexpr size_t kToneBytes = 44100 * 2 * 2;  // one second, stereo, 16-bit

class MpegDllTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dll.Load(LibraryFile())) << dlerror();
        ASSERT_EQ(dll.init() & 0xFF, 1);
        dir = ScratchFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override
    {
        if (dll.handle == nullptr)
            return;
        dll.deinit();
        dll.Unload();
    }

    // Decodes the open stream into a PCM file and returns its bytes.
    std::vector<unsigned char> DecodeOpenStream(int32_t start = 0, int32_t end = 0)
    {
        std::string out = dir + "/out.pcm";
        EXPECT_EQ(dll.SetOutput(QEL_DEVICE_PCMFILE, out), 0);
        ended = 0;
        EXPECT_EQ(dll.play(start, end, const_cast<uint8_t*>(&ended)), 0);
        EXPECT_EQ(dll.lastError(), 0);
        EXPECT_TRUE(WaitForByte(ended));
        return ReadAll(out);
    }

    MpegDll dll;
    std::string dir;
    volatile uint8_t ended = 0;
};

TEST_F(MpegDllTest, DecodesTheWholeFileIntoPcm)
{
    ASSERT_EQ(dll.OpenFile(DataFile("tone.mp3")), 0);
    EXPECT_EQ(dll.getFrequency(), 44100);
    EXPECT_EQ(dll.getLayer(), 3);
    EXPECT_EQ(dll.getBitrate(), 64);
    EXPECT_NEAR(dll.getLength(), 1000, 1);
    std::vector<unsigned char> pcm = DecodeOpenStream();
    // The encoder's delay and padding are removed: exactly one second of samples.
    EXPECT_EQ(pcm.size(), kToneBytes);
    EXPECT_GT(Rms(pcm), 1000.0) << "decoded to silence";
    EXPECT_EQ(dll.getPlayerMode(), QEL_MODE_ENDED);
    EXPECT_NEAR(dll.getCurrentPos(), 1000, 1);
    dll.resetPlayerMode();
    EXPECT_EQ(dll.getPlayerMode(), QEL_MODE_OPENED);
}

TEST_F(MpegDllTest, RestartPlaysTheStreamAgainAndSetsTheByteAgain)
{
    ASSERT_EQ(dll.OpenFile(DataFile("tone.mp3")), 0);
    DecodeOpenStream();
    ended = 0;
    dll.restart();
    ASSERT_EQ(dll.lastError(), 0);
    ASSERT_TRUE(WaitForByte(ended));
    EXPECT_EQ(ReadAll(dir + "/out.pcm").size(), kToneBytes);
}

TEST_F(MpegDllTest, PlayRangeAndSeekCutTheSamples)
{
    ASSERT_EQ(dll.OpenFile(DataFile("tone.mp3")), 0);
    EXPECT_EQ(DecodeOpenStream(250, 750).size(), kToneBytes / 2);
    EXPECT_EQ(DecodeOpenStream(500, 0).size(), kToneBytes / 2);
    dll.stop();
    EXPECT_EQ(dll.getPlayerMode(), QEL_MODE_OPENED);
    EXPECT_EQ(dll.getCurrentPos(), 0);
    dll.seek(5000);  // past the end: nothing left to play
    EXPECT_EQ(dll.lastError(), 0);
    dll.seek(-1);
    EXPECT_EQ(dll.lastError(), QEL_MPEG_ERR_MODE);
}

TEST_F(MpegDllTest, ModeIsAboveTwoWhilePlayingAndPausedToTheSilentSink)
{
    ASSERT_STREQ(std::getenv("QELSAVER_AUDIO_SINK"), "null");
    ASSERT_EQ(dll.OpenFile(DataFile("long.mp3")), 0);  // four seconds, mono, 8 kHz
    EXPECT_EQ(dll.getFrequency(), 8000);
    ASSERT_EQ(dll.SetOutput(QEL_DEVICE_SYSTEM, ""), 0);
    ASSERT_EQ(dll.play(0, 0, const_cast<uint8_t*>(&ended)), 0);
    EXPECT_EQ(dll.getPlayerMode(), QEL_MODE_PLAYING);
    dll.pause(0);
    EXPECT_EQ(dll.lastError(), 0);
    EXPECT_EQ(dll.getPlayerMode(), QEL_MODE_PAUSED);
    int32_t pausedAt = dll.getCurrentPos();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(dll.getCurrentPos(), pausedAt) << "position moved while paused";
    dll.pause(1);
    EXPECT_EQ(dll.lastError(), 0);
    EXPECT_EQ(dll.getPlayerMode(), QEL_MODE_PLAYING);

    // Close stops it; the end byte is never touched afterwards.
    dll.close();
    EXPECT_EQ(dll.lastError(), 0);
    EXPECT_EQ(dll.getPlayerMode(), QEL_MODE_CLOSED);
    EXPECT_EQ(ended, 0);
    dll.close();  // closing twice is harmless
    EXPECT_EQ(dll.lastError(), 0);
}

TEST_F(MpegDllTest, TheSilentSinkReachesTheEndAndSetsTheByte)
{
    ASSERT_EQ(dll.OpenFile(DataFile("tone.mp3")), 0);
    ASSERT_EQ(dll.SetOutput(QEL_DEVICE_SYSTEM, ""), 0);
    ASSERT_EQ(dll.play(0, 0, const_cast<uint8_t*>(&ended)), 0);
    ASSERT_TRUE(WaitForByte(ended));
    EXPECT_EQ(dll.getPlayerMode(), QEL_MODE_ENDED);
    EXPECT_NEAR(dll.getCurrentPos(), 1000, 1);
    dll.pause(0);  // nothing plays any more
    EXPECT_EQ(dll.lastError(), QEL_MPEG_ERR_MODE);
}

TEST_F(MpegDllTest, BadInputIsAnInputErrorAndTheNextFileOpens)
{
    std::vector<unsigned char> tone = ReadAll(DataFile("tone.mp3"));
    std::vector<unsigned char> text{'n', 'o', 't', ' ', 's', 'o', 'u', 'n', 'd', '\n'};
    std::vector<unsigned char> noise(20000);
    uint32_t seed = 12345;
    for (auto& b : noise)
        b = static_cast<unsigned char>((seed = seed * 1103515245 + 12345) >> 24);
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
    } cases[] = {
        {"empty.mp3", {}},
        {"text.mp3", text},
        {"noise.mp3", noise},
        {"header-only.mp3", std::vector<unsigned char>(tone.begin(), tone.begin() + 300)},
        {"wave.mp3", ReadAll(DataFile("tone.wav"))},
        {"midi.mp3", ReadAll(DataFile("tone.mid"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteAll(dir + "/" + c.name, c.bytes);
        EXPECT_EQ(dll.OpenFile(dir + "/" + c.name), QEL_MPEG_ERR_INPUT);
        EXPECT_EQ(dll.getPlayerMode(), QEL_MODE_CLOSED);
        EXPECT_EQ(dll.play(0, 0, const_cast<uint8_t*>(&ended)), QEL_MPEG_ERR_MODE) << "played nothing";
        ASSERT_EQ(dll.OpenFile(DataFile("tone.mp3")), 0);
        EXPECT_EQ(DecodeOpenStream().size(), kToneBytes);
    }
    EXPECT_EQ(dll.OpenFile(dir + "/no-such-file.mp3"), QEL_MPEG_ERR_INPUT);
    EXPECT_EQ(dll.OpenFile(""), QEL_MPEG_ERR_INPUT);
    dll.open(nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(dll.lastError(), QEL_MPEG_ERR_INPUT);
}

TEST_F(MpegDllTest, TruncatedAndDamagedFilesPlayWhatTheyHoldAndEnd)
{
    std::vector<unsigned char> tone = ReadAll(DataFile("tone.mp3"));
    std::vector<unsigned char> half(tone.begin(), tone.begin() + static_cast<long>(tone.size() / 2));
    WriteAll(dir + "/half.mp3", half);
    ASSERT_EQ(dll.OpenFile(dir + "/half.mp3"), 0);
    size_t halfBytes = DecodeOpenStream().size();
    EXPECT_GT(halfBytes, kToneBytes / 4);
    EXPECT_LT(halfBytes, kToneBytes);

    std::vector<unsigned char> damaged = tone;
    for (size_t i = damaged.size() / 3; i < damaged.size() / 3 + 700; ++i)
        damaged[i] = 0x55;
    WriteAll(dir + "/damaged.mp3", damaged);
    ASSERT_EQ(dll.OpenFile(dir + "/damaged.mp3"), 0);
    EXPECT_GT(DecodeOpenStream().size(), kToneBytes / 2);
}

TEST_F(MpegDllTest, NoWorkingOutputIsAnOutputErrorButNoSoundOutputPlaysSilently)
{
    ASSERT_EQ(dll.OpenFile(DataFile("tone.mp3")), 0);
    EXPECT_EQ(dll.SetOutput(7, ""), QEL_MPEG_ERR_OUTPUT);
    EXPECT_EQ(dll.SetOutput(QEL_DEVICE_PCMFILE, ""), QEL_MPEG_ERR_OUTPUT);
    ASSERT_EQ(dll.SetOutput(QEL_DEVICE_PCMFILE, dir + "/no/such/folder/out.pcm"), 0);
    EXPECT_NE(dll.play(0, 0, const_cast<uint8_t*>(&ended)), 0);
    EXPECT_EQ(dll.lastError(), QEL_MPEG_ERR_OUTPUT);
    EXPECT_EQ(dll.getPlayerMode(), QEL_MODE_OPENED);

    // A sound system that is not there: the stream still plays, silently and in real time, with
    // a notice, so that a valid file is not taken for a broken one.
    setenv("QELSAVER_AUDIO_SINK", "no-such-output-module", 1);
    ASSERT_EQ(dll.SetOutput(QEL_DEVICE_SYSTEM, ""), 0);
    EXPECT_EQ(dll.play(0, 0, const_cast<uint8_t*>(&ended)), 0);
    EXPECT_EQ(dll.lastError(), QEL_MPEG_NOTE_SILENT);
    EXPECT_EQ(dll.getPlayerMode(), QEL_MODE_PLAYING);
    EXPECT_TRUE(WaitForByte(ended));
    setenv("QELSAVER_AUDIO_SINK", "null", 1);

    // The stream is still open and plays once the output works.
    EXPECT_EQ(DecodeOpenStream().size(), kToneBytes);
}

TEST_F(MpegDllTest, CallsOutOfOrderAreModeErrors)
{
    dll.restart();
    EXPECT_EQ(dll.lastError(), QEL_MPEG_ERR_MODE);
    dll.pause(0);
    EXPECT_EQ(dll.lastError(), QEL_MPEG_ERR_MODE);
    EXPECT_NE(dll.play(0, 0, const_cast<uint8_t*>(&ended)), 0);
    EXPECT_EQ(dll.lastError(), QEL_MPEG_ERR_MODE);
    dll.stop();
    EXPECT_EQ(dll.lastError(), QEL_MPEG_ERR_MODE);
    ASSERT_EQ(dll.OpenFile(DataFile("tone.mp3")), 0);
    dll.restart();  // nothing has played yet
    EXPECT_EQ(dll.lastError(), QEL_MPEG_ERR_MODE);
    EXPECT_EQ(dll.getCurrentPos(), 0);
    dll.setPriority(-15);
    EXPECT_EQ(dll.lastError(), 0);

    dll.deinit();  // every call after deinit is refused until init
    EXPECT_EQ(dll.OpenFile(DataFile("tone.mp3")), QEL_MPEG_ERR_MODE);
    EXPECT_EQ(dll.getPlayerMode(), QEL_MODE_CLOSED);
    ASSERT_EQ(dll.init() & 0xFF, 1);
    EXPECT_EQ(dll.OpenFile(DataFile("tone.mp3")), 0);
}

// A stream served from memory through the callbacks.
struct MemoryStream {
    std::vector<unsigned char> bytes;
    size_t at = 0;
    bool nonseekable = false;
    int opens = 0, closes = 0, restarts = 0;
};

void MemOpen(void* ctx, uint8_t* nonseekable, void** streamCtx)
{
    auto* m = static_cast<MemoryStream*>(ctx);
    ++m->opens;
    *nonseekable = m->nonseekable ? 1 : 0;
    *streamCtx = m;
}
void MemClose(void* ctx, void*)
{
    ++static_cast<MemoryStream*>(ctx)->closes;
}
void MemRestart(void*, void* streamCtx, uint8_t* res)
{
    auto* m = static_cast<MemoryStream*>(streamCtx);
    ++m->restarts;
    m->at = 0;
    *res = 1;
}
void MemRead(void*, void* streamCtx, void* buffer, int32_t count, int32_t* got, uint8_t* res)
{
    auto* m = static_cast<MemoryStream*>(streamCtx);
    size_t n = std::min(static_cast<size_t>(count), m->bytes.size() - m->at);
    if (n > 0)
        std::memcpy(buffer, m->bytes.data() + m->at, n);
    m->at += n;
    *got = static_cast<int32_t>(n);
    *res = n > 0;
}
void MemSeek(void*, void* streamCtx, int32_t offset, int32_t method, int32_t* res)
{
    auto* m = static_cast<MemoryStream*>(streamCtx);
    int64_t base = method == 0 ? 0 : method == 1 ? static_cast<int64_t>(m->at) : static_cast<int64_t>(m->bytes.size());
    int64_t to = base + offset;
    if (to < 0 || to > static_cast<int64_t>(m->bytes.size())) {
        *res = -1;
        return;
    }
    m->at = static_cast<size_t>(to);
    *res = static_cast<int32_t>(to);
}
void MemSize(void*, void* streamCtx, int32_t* res)
{
    *res = static_cast<int32_t>(static_cast<MemoryStream*>(streamCtx)->bytes.size());
}

TEST_F(MpegDllTest, StreamCallbacksFeedTheDecoder)
{
    MemoryStream stream{ReadAll(DataFile("tone.mp3"))};
    dll.open(nullptr, 1, &MemOpen, &MemClose, &MemRestart, &MemRead, &MemSeek, &MemSize, &stream);
    ASSERT_EQ(dll.lastError(), 0);
    EXPECT_EQ(stream.opens, 1);
    EXPECT_NEAR(dll.getLength(), 1000, 1);
    std::vector<unsigned char> pcm = DecodeOpenStream();
    ASSERT_EQ(dll.OpenFile(DataFile("tone.mp3")), 0);  // closes the stream
    EXPECT_EQ(stream.closes, 1);
    EXPECT_EQ(pcm, DecodeOpenStream()) << "the stream decodes like the file";
}

TEST_F(MpegDllTest, NonseekableStreamsRestartOnlyThroughTheirCallback)
{
    MemoryStream stream{ReadAll(DataFile("tone.mp3"))};
    stream.nonseekable = true;
    dll.open(nullptr, 1, &MemOpen, &MemClose, &MemRestart, &MemRead, &MemSeek, &MemSize, &stream);
    ASSERT_EQ(dll.lastError(), 0);
    size_t first = DecodeOpenStream().size();
    EXPECT_GT(first, kToneBytes * 9 / 10);
    dll.seek(500);
    EXPECT_EQ(dll.lastError(), QEL_MPEG_ERR_NONSEEKABLE);
    ended = 0;
    dll.restart();
    ASSERT_EQ(dll.lastError(), 0);
    ASSERT_TRUE(WaitForByte(ended));
    EXPECT_EQ(stream.restarts, 1);
    EXPECT_EQ(ReadAll(dir + "/out.pcm").size(), first);

    // Without a restart callback a stream that cannot seek cannot start again.
    MemoryStream once{ReadAll(DataFile("tone.mp3"))};
    once.nonseekable = true;
    dll.open(nullptr, 1, &MemOpen, &MemClose, nullptr, &MemRead, nullptr, nullptr, &once);
    ASSERT_EQ(dll.lastError(), 0);
    DecodeOpenStream();
    dll.restart();
    EXPECT_EQ(dll.lastError(), QEL_MPEG_ERR_NONSEEKABLE);
    dll.close();  // before the streams go away
}

TEST_F(MpegDllTest, AStreamWithoutDataIsAnInputError)
{
    MemoryStream empty{};
    dll.open(nullptr, 1, &MemOpen, &MemClose, nullptr, &MemRead, &MemSeek, &MemSize, &empty);
    EXPECT_EQ(dll.lastError(), QEL_MPEG_ERR_INPUT);
    EXPECT_EQ(empty.closes, 1) << "an opened stream is closed again";
    dll.open(nullptr, 1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(dll.lastError(), QEL_MPEG_ERR_INPUT);
    dll.close();
}

// Loading, playing and unloading many times must neither crash nor leak (the sanitizer build checks
// the leaks when the process ends).
TEST(MpegDllLifecycle, LoadPlayUnloadAThousandTimes)
{
    std::string dir = ScratchFolder("lifecycle");
    for (int i = 0; i < 1000; ++i) {
        MpegDll dll;
        ASSERT_TRUE(dll.Load(LibraryFile())) << dlerror();
        ASSERT_EQ(dll.init() & 0xFF, 1);
        ASSERT_EQ(dll.OpenFile(DataFile("tone.mp3")), 0);
        ASSERT_EQ(dll.SetOutput(QEL_DEVICE_PCMFILE, dir + "/out.pcm"), 0);
        volatile uint8_t ended = 0;
        ASSERT_EQ(dll.play(0, 0, const_cast<uint8_t*>(&ended)), 0);
        if (i % 2 == 0) {
            ASSERT_TRUE(WaitForByte(ended));  // every other time unload while playing
        }
        dll.deinit();
        dll.Unload();
    }
}

}  // namespace
}  // namespace qel::test
