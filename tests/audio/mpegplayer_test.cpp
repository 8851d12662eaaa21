// TMPEGPlayer: its state machine checked call by call against a recording stand-in library, and
// real playback through the decoder library (end of play on the window thread, bad files, stream
// events, loading failures, the process-wide player).

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <filesystem>

#include "audio/mpegplayer.h"
#include "audio/processplayer.h"
#include "audio/soundoutputnotice.h"
#include "mpegdll_fixture.h"

namespace qel::audio {
namespace {

using test::DataFile;
using test::ReadAll;
using test::ScratchFolder;

void EnsureApp()
{
    static int argc = 1;
    static char arg0[] = "mpegplayer_test";
    static char* argv[] = {arg0, nullptr};
    if (QCoreApplication::instance() == nullptr)
        new QCoreApplication(argc, argv);
}

// Runs the event loop until `done` holds. The limit only keeps a fault from hanging the suite.
template <typename Pred> bool RunUntil(Pred done, int limitMs = 30000)
{
    QDeadlineTimer deadline(limitMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// Expects `fn` to throw TMPEGError with this code and message.
template <typename Fn> void ExpectMPEGError(Fn fn, int code, const std::string& message)
{
    try {
        fn();
        ADD_FAILURE() << "no TMPEGError; expected \"" << message << "\"";
    } catch (const TMPEGError& e) {
        EXPECT_EQ(e.ErrorCode(), code);
        EXPECT_EQ(std::string(e.what()), message);
    }
}

const std::string kTestLibs = QEL_BROKEN_LIBS_DIR;

// Controls the recording stand-in library that the player has loaded.
class Spy {
public:
    Spy() : handle_(dlopen((kTestLibs + "/spy/QelMpegDll.dll").c_str(), RTLD_NOW | RTLD_NOLOAD))
    {
        if (handle_ == nullptr)
            return;
        Clear();
        for (const char* key : {"pos", "mode", "play"})
            Set(key, 0);
        Set("length", 1000);
    }
    ~Spy()
    {
        if (handle_ != nullptr)
            dlclose(handle_);
    }
    [[nodiscard]] bool Ok() const { return handle_ != nullptr; }
    std::string Log() { return Fn<const char* (*)()>("SpyLog")(); }
    void Clear() { Fn<void (*)()>("SpyClear")(); }
    void Fail(const char* name, int32_t code) { Fn<void (*)(const char*, int32_t)>("SpyFail")(name, code); }
    void Set(const char* key, int32_t v) { Fn<void (*)(const char*, int32_t)>("SpySet")(key, v); }
    void End() { Fn<void (*)()>("SpyEnd")(); }
    // The log since the last call of Take.
    std::string Take()
    {
        std::string log = Log();
        Clear();
        return log;
    }

private:
    template <typename F> F Fn(const char* name) { return reinterpret_cast<F>(dlsym(handle_, name)); }
    void* handle_;
};

class MPEGPlayerSpyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApp();
        player = std::make_unique<TMPEGPlayer>();
        player->SetPathToDLL(kTestLibs + "/spy");
        player->SetUseTimer(true);
        player->SetTimerFreq(1000000);  // the test runs the ticks itself
        player->LoadMPEGLibrary();
        spy = std::make_unique<Spy>();
        ASSERT_TRUE(spy->Ok());
        player->SetStreamName("song.mp3");
    }
    void TearDown() override
    {
        spy.reset();  // before the player releases the library
        player.reset();
    }

    std::unique_ptr<TMPEGPlayer> player;
    std::unique_ptr<Spy> spy;
};

TEST_F(MPEGPlayerSpyTest, FirstPlayOpensSetsUpAndStartsThenTicksOnce)
{
    player->Play();
    EXPECT_EQ(spy->Take(), "Open;GetLength;SetPriority;SetOutputDevice0;Play;GetCurrentPos;");
    EXPECT_TRUE(player->Opened());
    EXPECT_TRUE(player->Playing());
    EXPECT_EQ(player->PlayedXTimes(), 2);
    EXPECT_EQ(player->StreamLength(), 1000);
    player->Play();  // already playing: nothing
    EXPECT_EQ(spy->Take(), "");
}

TEST_F(MPEGPlayerSpyTest, PlayWhilePausedOnlyResumes)
{
    player->Play();
    spy->Clear();
    player->Pause(true);
    EXPECT_TRUE(player->Paused());
    player->Play();
    EXPECT_EQ(spy->Take(), "Pause;Resume;");
    EXPECT_FALSE(player->Paused());
    EXPECT_TRUE(player->Playing());
}

TEST_F(MPEGPlayerSpyTest, EndIsSeenByTheTickAndPlayRestartsWithoutSettingUpAgain)
{
    int ends = 0;
    player->OnPlayEnd = [&](TMPEGPlayer& sender) {
        EXPECT_EQ(&sender, player.get());
        ++ends;
    };
    player->Play();
    spy->End();
    player->TimerTick();
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(player->Playing());
    EXPECT_TRUE(player->Opened());
    EXPECT_FALSE(player->EndReached()) << "cleared for the handler";
    spy->Clear();
    player->Play();
    EXPECT_EQ(spy->Take(), "Restart;GetCurrentPos;");
    EXPECT_EQ(player->PlayedXTimes(), 3);
    EXPECT_TRUE(player->Playing());
}

TEST_F(MPEGPlayerSpyTest, AnEndHandlerMayReplaceItselfAndStartTheNextSound)
{
    // What a window does when its sound ends: it starts the next one, or lets go of the event.
    auto owned = std::make_shared<int>(0);
    player->OnPlayEnd = [this, owned](TMPEGPlayer& sender) {
        player->OnPlayEnd = nullptr;  // destroys the stored handler while it runs
        ++*owned;
        sender.SetStreamName("next.mp3");
        sender.Play();
    };
    player->Play();
    spy->End();
    spy->Clear();
    player->TimerTick();
    EXPECT_EQ(*owned, 1);
    EXPECT_EQ(spy->Take(), "GetCurrentPos;Close;Open;GetLength;SetPriority;SetOutputDevice0;Play;GetCurrentPos;");
    EXPECT_TRUE(player->Playing());
}

TEST_F(MPEGPlayerSpyTest, WithoutAHandlerTheEndByteStaysSetUntilRestart)
{
    player->Play();
    spy->End();
    player->TimerTick();
    EXPECT_FALSE(player->Playing());
    EXPECT_TRUE(player->EndReached());
    ExpectMPEGError([&] { player->Pause(true); }, 2, "Incorrect mode");
    player->Pause(false);  // does nothing, raises nothing
    player->Restart();
    EXPECT_FALSE(player->EndReached());
}

TEST_F(MPEGPlayerSpyTest, PositionsBeyondTheLengthAreReportedAsZero)
{
    std::vector<std::pair<int32_t, int32_t>> reports;
    player->OnPosUpdate = [&](TMPEGPlayer&, int32_t pos, int32_t len) { reports.emplace_back(pos, len); };
    spy->Set("pos", 400);
    player->Play();
    spy->Set("pos", 1001);
    player->TimerTick();
    spy->Set("pos", 1000);
    player->TimerTick();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0], std::make_pair(400, 1000));
    EXPECT_EQ(reports[1], std::make_pair(0, 1000));
    EXPECT_EQ(reports[2], std::make_pair(1000, 1000));
}

TEST_F(MPEGPlayerSpyTest, LibraryErrorsBecomeExceptionsAndLeaveTheFlagsAsTheyStand)
{
    spy->Fail("Open", 3);
    ExpectMPEGError([&] { player->Open(); }, 3, "Input stream error");
    EXPECT_FALSE(player->Opened());
    EXPECT_EQ(player->LastErrorCode(), 3);

    spy->Fail("Play", 5);
    ExpectMPEGError([&] { player->Play(); }, 5, "Output device failure");
    EXPECT_TRUE(player->Opened());
    EXPECT_FALSE(player->Playing());

    spy->Set("play", 1);  // a failed start without an error code
    ExpectMPEGError([&] { player->Play(); }, 0, "MPEG library not loaded");
    spy->Set("play", 0);

    spy->Fail("Close", 1);
    ExpectMPEGError([&] { player->Close(); }, 1, "Internal decoder error");
    EXPECT_FALSE(player->Opened());
    EXPECT_EQ(player->PlayedXTimes(), 0);

    spy->Fail("Open", 9);
    ExpectMPEGError([&] { player->Open(); }, 9, "MPEG library error 9");
    spy->Fail("SetPriority", 4);
    ExpectMPEGError([&] { player->SetPlayerPriority(TPlayPriority::Idle); }, 4, "Input stream is non-seekable");
}

TEST_F(MPEGPlayerSpyTest, StreamNamesAndClosedPlayers)
{
    player->SetStreamName("");
    ExpectMPEGError([&] { player->Open(); }, 254, "Can't play non-specified stream");
    ExpectMPEGError([&] { player->Restart(); }, 2, "Incorrect mode");
    player->SetStreamName(std::string(600, 'a') + ".mp3");  // too long for the library's buffer
    spy->Clear();
    ExpectMPEGError([&] { player->Open(); }, 3, "Input stream error");
    EXPECT_EQ(spy->Take(), "") << "a cut name would open some other file";

    player->SetStreamName("song.mp3");
    player->Open();
    spy->Clear();
    player->SetStreamName("other.mp3");  // closes
    EXPECT_EQ(spy->Take(), "Close;");
    EXPECT_FALSE(player->Opened());
    EXPECT_EQ(player->PlayedXTimes(), 0);
}

TEST_F(MPEGPlayerSpyTest, AutoPlayStartsOnceFromAClosedPlayer)
{
    player->SetAutoPlay(true);
    player->Play();
    EXPECT_EQ(spy->Take(), "Open;GetLength;SetPriority;SetOutputDevice0;Play;GetCurrentPos;");
    EXPECT_EQ(player->PlayedXTimes(), 2);
}

TEST_F(MPEGPlayerSpyTest, OutputDeviceNeedsTheFileNameFirst)
{
    player->SetOutputDevice(TOutputDevice::pcmfile);
    EXPECT_EQ(player->OutputDevice(), TOutputDevice::wavemapper);
    player->SetOutFilename("out.pcm");
    EXPECT_EQ(player->OutputDevice(), TOutputDevice::wavemapper);
    player->SetOutputDevice(TOutputDevice::pcmfile);
    EXPECT_EQ(player->OutputDevice(), TOutputDevice::pcmfile);
    player->Play();
    EXPECT_NE(spy->Take().find("SetOutputDevice2;"), std::string::npos);
}

TEST_F(MPEGPlayerSpyTest, PrioritiesMapBothWays)
{
    for (TPlayPriority p :
         {TPlayPriority::Idle, TPlayPriority::Lowest, TPlayPriority::BelowNormal, TPlayPriority::Normal,
          TPlayPriority::AboveNormal, TPlayPriority::Highest, TPlayPriority::TimeCritical}) {
        spy->Clear();
        player->SetPlayerPriority(p);
        EXPECT_EQ(player->PlayerPriority(), p);
        EXPECT_EQ(spy->Take(), "SetPriority;") << "set at once while loaded";
    }
}

TEST_F(MPEGPlayerSpyTest, TheTimerDeliversTheEndOnTheWindowThread)
{
    // A player whose timer really runs.
    spy.reset();
    player = std::make_unique<TMPEGPlayer>();
    player->SetPathToDLL(kTestLibs + "/spy");
    player->SetUseTimer(true);
    player->SetTimerFreq(10);
    player->LoadMPEGLibrary();
    spy = std::make_unique<Spy>();
    player->SetStreamName("song.mp3");
    QThread* endThread = nullptr;
    player->OnPlayEnd = [&](TMPEGPlayer&) { endThread = QThread::currentThread(); };
    player->Play();
    spy->End();
    ASSERT_TRUE(RunUntil([&] { return endThread != nullptr; }));
    EXPECT_EQ(endThread, QCoreApplication::instance()->thread());
}

TEST_F(MPEGPlayerSpyTest, WithoutTheTimerOnPlayEndNeverFires)
{
    for (bool zeroFreq : {false, true}) {
        spy.reset();
        player = std::make_unique<TMPEGPlayer>();
        player->SetPathToDLL(kTestLibs + "/spy");
        player->SetUseTimer(true);
        player->SetTimerFreq(10);
        if (zeroFreq)
            player->SetTimerFreq(0);  // also turns UseTimer off
        else
            player->SetUseTimer(false);
        EXPECT_FALSE(player->UseTimer());
        player->LoadMPEGLibrary();
        player->SetUseTimer(true);
        player->SetTimerFreq(10);  // too late: the timer's interval was fixed at load
        spy = std::make_unique<Spy>();
        player->SetStreamName("song.mp3");
        bool ended = false;
        player->OnPlayEnd = [&](TMPEGPlayer&) { ended = true; };
        player->Play();
        EXPECT_EQ(spy->Log().find("GetCurrentPos"), std::string::npos);
        spy->End();
        QCoreApplication::processEvents();
        EXPECT_TRUE(player->EndReached());
        EXPECT_FALSE(ended);
    }
}

TEST(MPEGPlayerTest, EveryOperationNeedsTheLibrary)
{
    EnsureApp();
    TMPEGPlayer player;
    EXPECT_FALSE(player.Loaded());
    EXPECT_EQ(player.PlayerPriority(), TPlayPriority::Normal);
    const std::string notLoaded = "MPEG library not loaded";
    ExpectMPEGError([&] { player.UnloadMPEGLibrary(); }, 0, notLoaded);
    ExpectMPEGError([&] { player.Open(); }, 0, notLoaded);
    ExpectMPEGError([&] { player.Play(); }, 0, notLoaded);
    ExpectMPEGError([&] { player.Pause(true); }, 0, notLoaded);
    ExpectMPEGError([&] { player.Restart(); }, 0, notLoaded);
    ExpectMPEGError([&] { player.Close(); }, 0, notLoaded);
    ExpectMPEGError([&] { player.GetPlayerMode(); }, 0, notLoaded);
    ExpectMPEGError([&] { player.GetCurrentPos(); }, 0, notLoaded);
    ExpectMPEGError([&] { player.GetLength(); }, 0, notLoaded);
}

TEST(MPEGPlayerTest, LoadingFailuresLeaveThePlayerUnloadedAndReusable)
{
    EnsureApp();
    TMPEGPlayer player;
    player.SetPathToDLL(ScratchFolder("empty-folder"));
    ExpectMPEGError([&] { player.LoadMPEGLibrary(); }, 0, "Can't load MPEG library");
    EXPECT_FALSE(player.Loaded());
    EXPECT_FALSE(player.LoadFailure().empty());

    player.SetPathToDLL(kTestLibs + "/noseek/");
    ExpectMPEGError([&] { player.LoadMPEGLibrary(); }, 0, "MPEG library not loaded");
    EXPECT_FALSE(player.Loaded());
    EXPECT_NE(player.LoadFailure().find("\"Seek\""), std::string::npos) << player.LoadFailure();

    player.SetPathToDLL(kTestLibs + "/initfails");
    ExpectMPEGError([&] { player.LoadMPEGLibrary(); }, 1, "Internal decoder error");
    EXPECT_FALSE(player.Loaded());

    player.SetPathToDLL(QEL_BIN_DIR);
    player.LoadMPEGLibrary();
    EXPECT_TRUE(player.Loaded());
    player.UnloadMPEGLibrary();
    EXPECT_FALSE(player.Loaded());
}

TEST(MPEGPlayerTest, TheLibraryNameIsMatchedWithoutRegardToCase)
{
    EnsureApp();
    std::string dir = ScratchFolder("case");
    std::filesystem::copy_file(test::LibraryFile(), dir + "/QELMPEGDLL.DLL");
    TMPEGPlayer player;
    player.SetPathToDLL(dir);
    EXPECT_EQ(player.LibraryPath(), dir + "/QELMPEGDLL.DLL");
    player.LoadMPEGLibrary();
    EXPECT_TRUE(player.Loaded());
}

class MPEGPlayerRealTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureApp();
        dir = ScratchFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        player.SetPathToDLL(std::string(QEL_BIN_DIR) + "/");
        player.SetUseTimer(true);
        player.SetTimerFreq(20);
        player.LoadMPEGLibrary();
        player.OnPlayEnd = [this](TMPEGPlayer&) {
            ++ends;
            endThread = QThread::currentThread();
        };
    }

    void ToPcmFile()
    {
        player.SetOutFilename(dir + "/out.pcm");
        player.SetOutputDevice(TOutputDevice::pcmfile);
    }

    TMPEGPlayer player;
    std::string dir;
    int ends = 0;
    QThread* endThread = nullptr;
};

TEST_F(MPEGPlayerRealTest, DecodesToAPcmFileAndReportsTheEndOnTheWindowThread)
{
    ToPcmFile();
    player.SetStreamName(DataFile("tone.mp3"));
    player.Play();
    ASSERT_TRUE(RunUntil([&] { return ends == 1; }));
    EXPECT_EQ(endThread, QCoreApplication::instance()->thread());
    EXPECT_FALSE(player.Playing());
    std::vector<unsigned char> pcm = ReadAll(dir + "/out.pcm");
    EXPECT_EQ(pcm.size(), 44100u * 4);
    EXPECT_GT(test::Rms(pcm), 1000.0);

    player.Play();  // from the end: plays again
    ASSERT_TRUE(RunUntil([&] { return ends == 2; }));
    EXPECT_EQ(player.PlayedXTimes(), 3);
    EXPECT_EQ(ReadAll(dir + "/out.pcm").size(), 44100u * 4);
}

TEST_F(MPEGPlayerRealTest, PlaysToTheSilentSinkUntilItsEnd)
{
    player.SetStreamName(DataFile("long.mp3"));  // four seconds
    int32_t lastPos = -1;
    int reports = 0;
    player.OnPosUpdate = [&](TMPEGPlayer&, int32_t pos, int32_t len) {
        EXPECT_EQ(len, 4000);
        EXPECT_GE(pos, lastPos) << "positions only move forward";
        lastPos = pos;
        ++reports;
    };
    player.Play();
    EXPECT_GT(player.GetPlayerMode(), 2) << "the program stops a sound only above 2";
    ASSERT_TRUE(RunUntil([&] { return ends == 1; }));
    EXPECT_GT(reports, 1);
    EXPECT_LE(player.GetPlayerMode(), 2);
    player.Close();
    EXPECT_EQ(player.GetPlayerMode(), 0);
}

// The one test of this program that takes the process-wide notice.
TEST_F(MPEGPlayerRealTest, WithoutASoundOutputAValidFilePlaysSilentlyAndTheNoticeComesOnce)
{
    setenv("QELSAVER_AUDIO_SINK", "no-such-output-module", 1);
    player.SetStreamName(DataFile("tone.mp3"));
    EXPECT_NO_THROW(player.Play());
    EXPECT_TRUE(TakeNoSoundOutputNotice());
    EXPECT_TRUE(RunUntil([&] { return ends == 1; })) << "a silent sound still ends";
    EXPECT_NO_THROW(player.Play());  // from the end: the restart finds no output either
    EXPECT_TRUE(RunUntil([&] { return ends == 2; }));
    setenv("QELSAVER_AUDIO_SINK", "null", 1);
    EXPECT_FALSE(TakeNoSoundOutputNotice()) << "once per process";
}

TEST_F(MPEGPlayerRealTest, BadFilesRaiseInputErrorsAndTheNextFilePlays)
{
    test::WriteAll(dir + "/empty.mp3", {});
    test::WriteAll(dir + "/text.mp3", {'h', 'e', 'l', 'l', 'o'});
    std::vector<unsigned char> tone = ReadAll(DataFile("tone.mp3"));
    test::WriteAll(dir + "/cut.mp3", std::vector<unsigned char>(tone.begin(), tone.begin() + 200));
    ToPcmFile();
    for (const char* name : {"empty.mp3", "text.mp3", "cut.mp3", "missing.mp3"}) {
        SCOPED_TRACE(name);
        player.SetStreamName(dir + "/" + name);
        ExpectMPEGError([&] { player.Play(); }, 3, "Input stream error");
        EXPECT_FALSE(player.Opened());
        EXPECT_FALSE(player.Playing());
    }
    player.SetStreamName(DataFile("tone.wav"));
    ExpectMPEGError([&] { player.Play(); }, 3, "Input stream error");
    player.SetStreamName(DataFile("tone.mp3"));
    player.Play();
    ASSERT_TRUE(RunUntil([&] { return ends == 1; }));
    EXPECT_EQ(ReadAll(dir + "/out.pcm").size(), 44100u * 4);
}

TEST_F(MPEGPlayerRealTest, StreamEventsFeedTheLibrary)
{
    std::vector<unsigned char> bytes = ReadAll(DataFile("tone.mp3"));
    size_t at = 0;
    int opens = 0, closes = 0;
    int marker = 0;
    player.SetFromStream(true);
    player.OnOpenStream = [&](TMPEGPlayer&, bool& nonseekable, void*& context) {
        ++opens;
        nonseekable = false;
        context = &marker;
    };
    player.OnCloseStream = [&](TMPEGPlayer&, void* context) {
        EXPECT_EQ(context, &marker);
        ++closes;
    };
    player.OnReadStream = [&](TMPEGPlayer&, void* context, void* buffer, int32_t count, int32_t& got, bool& res) {
        EXPECT_EQ(context, &marker);
        size_t n = std::min(static_cast<size_t>(count), bytes.size() - at);
        if (n > 0)
            std::memcpy(buffer, bytes.data() + at, n);
        at += n;
        got = static_cast<int32_t>(n);
        res = n > 0;
    };
    player.OnSeekStream = [&](TMPEGPlayer&, void*, int32_t offset, int32_t method, int32_t& res) {
        int64_t base = method == 0 ? 0 : method == 1 ? static_cast<int64_t>(at) : static_cast<int64_t>(bytes.size());
        int64_t to = base + offset;
        if (to < 0 || to > static_cast<int64_t>(bytes.size()))
            return;  // res stays -1
        at = static_cast<size_t>(to);
        res = static_cast<int32_t>(to);
    };
    player.OnGetStreamSize = [&](TMPEGPlayer&, void*, int32_t& res) { res = static_cast<int32_t>(bytes.size()); };
    ToPcmFile();
    player.Play();
    ASSERT_TRUE(RunUntil([&] { return ends == 1; }));
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(player.StreamLength(), 1000);
    EXPECT_EQ(ReadAll(dir + "/out.pcm").size(), 44100u * 4);
    player.Close();
    EXPECT_EQ(closes, 1);

    // Without handlers the stream has no data: an input error, not a crash.
    player.OnOpenStream = nullptr;
    player.OnReadStream = nullptr;
    player.OnSeekStream = nullptr;
    player.OnGetStreamSize = nullptr;
    player.OnCloseStream = nullptr;
    ExpectMPEGError([&] { player.Open(); }, 3, "Input stream error");
}

// Loading, playing and unloading through the player many times leaves nothing behind (checked
// with valgrind; see bench/audio/README).
TEST(MPEGPlayerTest, LoadPlayUnloadAThousandTimes)
{
    EnsureApp();
    std::string dir = ScratchFolder("player-lifecycle");
    TMPEGPlayer player;
    player.SetPathToDLL(QEL_BIN_DIR);
    player.SetOutFilename(dir + "/out.pcm");
    player.SetOutputDevice(TOutputDevice::pcmfile);
    player.SetStreamName(DataFile("tone.mp3"));
    for (int i = 0; i < 1000; ++i) {
        player.LoadMPEGLibrary();
        player.Play();
        if (i % 2 == 0) {
            ASSERT_TRUE(RunUntil([&] { return player.EndReached(); }));
        }
        player.UnloadMPEGLibrary();  // every other time while it plays
        ASSERT_FALSE(player.Loaded());
    }
}

TEST(ProcessMPEGPlayerTest, CreatedOnlyWhenTheLibraryLiesInTheFolder)
{
    EnsureApp();
    EXPECT_EQ(CreateProcessMPEGPlayer(ScratchFolder("no-library") + "/"), "");
    EXPECT_EQ(MPEGPlayer(), nullptr);

    std::string error = CreateProcessMPEGPlayer(kTestLibs + "/initfails/");
    EXPECT_EQ(MPEGPlayer(), nullptr);
    EXPECT_NE(error.find("QelMpegDll.dll"), std::string::npos) << error;
    EXPECT_NE(error.find("Internal decoder error"), std::string::npos) << error;

    std::string folder = std::string(QEL_BIN_DIR) + "/";
    EXPECT_EQ(CreateProcessMPEGPlayer(folder), "");
    ASSERT_NE(MPEGPlayer(), nullptr);
    EXPECT_TRUE(MPEGPlayer()->Loaded());
    EXPECT_TRUE(MPEGPlayer()->UseTimer());
    EXPECT_EQ(MPEGPlayer()->TimerFreq(), 100);
    EXPECT_EQ(MPEGPlayer()->PathToDLL(), folder);
    ReleaseProcessMPEGPlayer();
    EXPECT_EQ(MPEGPlayer(), nullptr);
    ReleaseProcessMPEGPlayer();  // twice is harmless
}

}  // namespace
}  // namespace qel::audio
