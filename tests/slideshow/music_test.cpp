// The slideshow music with recording players: which player gets which file, the order, the end of
// a sound, and what an unplayable sound does.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/backgroundtask.h"
#include "slideshow/slideshowmusic.h"

namespace qel::slideshow {
namespace {

// A player whose sounds open at once (in place) and write what happens to them into its log.
struct FakePlayer : SoundOutput {
    std::vector<std::string> log;
    std::set<std::string> broken;
    bool stopped = false;  // the media sound playing now has stopped
    bool mpeg = false;     // MPEG sounds log their path when they play

    struct Sound : OpenedSound {
        FakePlayer& player;
        std::string path;
        Sound(FakePlayer& p, std::string s) : player(p), path(std::move(s)) {}
        ~Sound() override { player.log.push_back("close"); }
        void Play() override { player.log.push_back(player.mpeg ? "play " + path : "play"); }
        bool Stopped() override { return !player.mpeg && player.stopped; }
    };

    SoundOpener Opener() override
    {
        return [this](const std::string& path) -> std::unique_ptr<OpenedSound> {
            if (broken.count(path))
                throw std::runtime_error("cannot open " + path);
            if (!mpeg)
                log.push_back("open " + path);
            stopped = false;
            return std::make_unique<Sound>(*this, path);
        };
    }
};

struct FakeMpeg : FakePlayer {
    FakeMpeg() { mpeg = true; }
};
using FakeMedia = FakePlayer;

// The fakes open at once: run the opening in place, so each step is seen as it happens.
const SlideshowMusic::Launch kInPlace = [](std::function<void()> work) {
    work();
    return std::unique_ptr<platform::BackgroundTask>();
};

const RandomIndex kNoRandom = [](int) -> int {
    ADD_FAILURE() << "drew in list order";
    return 0;
};

TEST(SlideshowMusic, Mp3InAnyCaseGoesToTheMpegPlayerTheRestToTheMediaPlayer)
{
    FakeMpeg mpeg;
    FakeMedia media;
    SlideshowMusic music(&mpeg, &media, kNoRandom, kInPlace);
    music.Start({"/a/song.MP3", "/a/song.wav", "/a/tune.mid", "/a/x.mp3"}, false);
    EXPECT_EQ(mpeg.log, (std::vector<std::string>{"play /a/song.MP3"}));
    EXPECT_EQ(music.PlayerKind(), SlideshowMusic::Player::Mpeg);

    music.PlayEnd();  // the MPEG player's end-of-play event
    EXPECT_EQ(media.log, (std::vector<std::string>{"open /a/song.wav", "play"}));
    EXPECT_EQ(music.PlayerKind(), SlideshowMusic::Player::Media);

    music.TimerTick();  // still playing: nothing happens
    EXPECT_EQ(music.CurrentSound(), 1);
    media.stopped = true;  // the device stopped: the sound ended
    music.TimerTick();
    EXPECT_EQ(media.log, (std::vector<std::string>{"open /a/song.wav", "play", "close", "open /a/tune.mid", "play"}));

    media.stopped = true;
    music.TimerTick();
    EXPECT_EQ(music.CurrentSound(), 3);
    EXPECT_EQ(mpeg.log.back(), "play /a/x.mp3");
    music.PlayEnd();
    EXPECT_EQ(music.CurrentSound(), 0) << "the list wraps around";
    EXPECT_EQ(mpeg.log,
              (std::vector<std::string>{"play /a/song.MP3", "close", "play /a/x.mp3", "close", "play /a/song.MP3"}))
        << "a playing MPEG stream is closed before the next one";
}

TEST(SlideshowMusic, OnlyMp3FilesGoToTheMPEGPlayerWhateverTheirCase)
{
    EXPECT_TRUE(IsMPEGSound("/music/song.mp3"));
    EXPECT_TRUE(IsMPEGSound("/music/SONG.MP3"));
    EXPECT_TRUE(IsMPEGSound("/music/a.b.Mp3"));
    EXPECT_FALSE(IsMPEGSound("/music/song.wav"));
    EXPECT_FALSE(IsMPEGSound("/music/song.mid"));
    EXPECT_FALSE(IsMPEGSound("/music/mp3"));
    EXPECT_FALSE(IsMPEGSound("/music.mp3/song"));
    EXPECT_FALSE(IsMPEGSound("/music/song.mp3.wav"));
}

TEST(SlideshowMusic, OneSoundPlaysAgainAndAgainInEitherOrder)
{
    for (bool random : {false, true}) {
        FakeMpeg mpeg;
        SlideshowMusic music(
            &mpeg, nullptr, [](int) { return 0; }, kInPlace);
        music.Start({"/s/only.mp3"}, random);
        music.PlayEnd();
        music.PlayEnd();
        EXPECT_EQ(mpeg.log.size(), 5u);  // play, (close, play) x 2
        EXPECT_EQ(music.CurrentSound(), 0);
    }
}

TEST(SlideshowMusic, RandomOrderStartsAnywhereAndNeverRepeats)
{
    FakeMpeg mpeg;
    int calls = 0;
    SlideshowMusic music(
        &mpeg, nullptr, [&](int n) { return (calls++ * 7 + 2) % n; }, kInPlace);
    music.Start({"/1.mp3", "/2.mp3", "/3.mp3"}, true);
    EXPECT_EQ(music.CurrentSound(), 2);
    int previous = music.CurrentSound();
    for (int i = 0; i < 30; ++i) {
        music.PlayEnd();
        EXPECT_NE(music.CurrentSound(), previous);
        previous = music.CurrentSound();
    }
}

TEST(SlideshowMusic, EmptyListPlaysNothingAndTheTimerStaysIdle)
{
    FakeMpeg mpeg;
    FakeMedia media;
    SlideshowMusic music(&mpeg, &media, kNoRandom, kInPlace);
    music.Start({}, false);
    music.TimerTick();
    music.PlayEnd();
    EXPECT_TRUE(mpeg.log.empty());
    EXPECT_TRUE(media.log.empty());
    EXPECT_FALSE(music.MusicStarted());
}

TEST(SlideshowMusic, AnUnplayableSoundIsPassedOverAtTheNextPoll)
{
    FakeMpeg mpeg;
    FakeMedia media;
    mpeg.broken.insert("/bad.mp3");
    media.broken.insert("/bad.wav");
    SlideshowMusic music(&mpeg, &media, kNoRandom, kInPlace);
    music.Start({"/bad.mp3", "/bad.wav", "/good.wav"}, false);  // no exception escapes
    EXPECT_TRUE(media.log.empty());
    music.TimerTick();
    music.TimerTick();
    EXPECT_EQ(music.CurrentSound(), 2);
    EXPECT_EQ(media.log.back(), "play");
}

TEST(SlideshowMusic, WhenEverySoundFailsTheMusicFallsSilentInsteadOfLooping)
{
    FakeMpeg mpeg;
    FakeMedia media;
    mpeg.broken = {"/a.mp3", "/b.mp3"};
    SlideshowMusic music(&mpeg, &media, kNoRandom, kInPlace);
    music.Start({"/a.mp3", "/b.mp3"}, false);
    for (int i = 0; i < 10; ++i)
        music.TimerTick();
    EXPECT_TRUE(mpeg.log.empty());
    EXPECT_FALSE(music.MusicStarted());
}

TEST(SlideshowMusic, MissingPlayersCountAsUnplayable)
{
    SlideshowMusic music(nullptr, nullptr, kNoRandom, kInPlace);
    music.Start({"/a.mp3", "/b.wav"}, false);
    for (int i = 0; i < 5; ++i)
        music.TimerTick();
    music.Stop();
    EXPECT_FALSE(music.MusicStarted());
}

TEST(SlideshowMusic, ASoundThatNeverOpensHoldsUpNeitherThePollNorTheEnd)
{
    // An opener that waits on its file for ever, as on a network mount that stopped answering; the
    // music opens it on a worker thread of its own.
    struct Gate {
        std::mutex mutex;
        std::condition_variable opened;
        bool open = false;
    };
    struct StuckPlayer : SoundOutput {
        std::shared_ptr<Gate> gate = std::make_shared<Gate>();
        SoundOpener Opener() override
        {
            return [gate = gate](const std::string&) -> std::unique_ptr<OpenedSound> {
                platform::UnboundedWait wait;
                std::unique_lock lock(gate->mutex);
                gate->opened.wait(lock, [&] { return gate->open; });
                throw std::runtime_error("the mount is gone");
            };
        }
    } stuck;
    {
        SlideshowMusic music(&stuck, &stuck, kNoRandom);
        music.Start({"/net/song.mp3"}, false);
        music.TimerTick();
        EXPECT_TRUE(music.Opening());
        music.Stop();  // returns although the opening still waits
        EXPECT_FALSE(music.Opening());
    }
    {
        std::lock_guard lock(stuck.gate->mutex);
        stuck.gate->open = true;  // the thread that was left ends
    }
    stuck.gate->opened.notify_all();
}

TEST(SlideshowMusic, StopClosesWhatPlays)
{
    FakeMpeg mpeg;
    FakeMedia media;
    SlideshowMusic music(&mpeg, &media, kNoRandom, kInPlace);
    music.Start({"/a.mp3"}, false);
    music.Stop();
    EXPECT_EQ(mpeg.log.back(), "close");
    EXPECT_TRUE(media.log.empty());
}

}  // namespace
}  // namespace qel::slideshow
