#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "settings/listentries.h"
#include "settings/saversettings.h"
#include "settings/settingskeys.h"

using namespace qel::settings;

TEST(SaverSettings, WriterProducesTheExactBytes)
{
    SaverSettings s;
    s.imageSize = 1;
    s.sequence = 1;
    s.bgColor = 0x00FF8000;
    s.interval = 12;
    s.mouseMove = false;
    s.mouseClick = true;
    s.keyPress = false;
    s.showCursor = true;
    s.randomSound = 0;
    s.transIndex = -1;
    s.duration = 4;
    s.transSetup = "0101";
    s.sounds = {"/music/a.mp3", "/music/b.wav"};
    s.images = {"/pics/1.jpg"};
    EXPECT_EQ(FormatSettings(s),
              "[Options]\r\nImageSize=1\r\nSequence=1\r\nBgColor=16744448\r\nInterval=12\r\nMouseMove=0\r\n"
              "MouseClick=1\r\nKeyPress=0\r\nShowCursor=1\r\nRandomSound=0\r\nTransIndex=-1\r\nDuration=4\r\n"
              "[Transitions]\r\nTransSetup=0101\r\n[Sounds]\r\n/music/a.mp3=\r\n/music/b.wav=\r\n"
              "[Images]\r\n/pics/1.jpg=\r\n");

    SaverSettings empty;
    empty.bgColor = -1;
    EXPECT_EQ(FormatSettings(empty),
              "[Options]\r\nImageSize=0\r\nSequence=0\r\nBgColor=-1\r\nInterval=3\r\nMouseMove=1\r\n"
              "MouseClick=1\r\nKeyPress=1\r\nShowCursor=0\r\nRandomSound=1\r\nTransIndex=0\r\nDuration=2\r\n"
              "[Transitions]\r\nTransSetup=\r\n[Sounds]\r\n[Images]\r\n");
}

TEST(SaverSettings, WhatIsWrittenReadsBackTheSame)
{
    SaverSettings s;
    s.imageSize = 1;
    s.bgColor = -16777216;
    s.interval = 999;
    s.duration = 0;
    s.transSetup = std::string(92, '1');
    s.motion = 1;
    s.sounds = {"/a b/c.mp3"};
    s.images = {"/p/1.jpg", "/p/caf\xe9.gif"};  // a file name is bytes, whatever its encoding
    EXPECT_EQ(ReadSettings(IniFile::FromText(FormatSettings(s)), SettingsReader::Editor), s);
}

TEST(SaverSettings, AListHoldsExactlyThePathsItReadsBackAndNamesTheOthersWhole)
{
    for (const std::string path : {"/p/a.jpg", "/p/[x] y.jpg", "/p/;a.jpg", "/p/caf\xe9.gif"}) {
        EXPECT_EQ(WhyListCannotHold(path), "") << path;
        SaverSettings s;
        s.images = {path};
        EXPECT_EQ(ReadSettings(IniFile::FromText(FormatSettings(s)), SettingsReader::Editor).images, s.images);
    }
    // Read back as another path, or as none.
    for (const std::string path : {"/p/a=b.jpg", "/p/a\nb.jpg", "/p/a\rb.jpg", ";a.jpg"}) {
        EXPECT_NE(WhyListCannotHold(path), "") << path;
        SaverSettings s;
        s.images = {path};
        EXPECT_NE(ReadSettings(IniFile::FromText(FormatSettings(s)), SettingsReader::Editor).images, s.images);
    }
    EXPECT_EQ(WhyListCannotHold("/p/\x1b[31m.jpg"), "a control character") << "nor one a terminal would act on";
    // The whole path of a line a "=" cut short, for the message that names it.
    const IniFile ini = IniFile::FromText("[Images]\r\n/p/a=b.jpg=\r\n/p/c.jpg=\r\n");
    EXPECT_EQ(ReadListEntries(ini, "Images"), (std::vector<std::string>{"/p/a=b.jpg", "/p/c.jpg"}));
}

TEST(SaverSettings, EachReaderHasItsOwnDefaults)
{
    auto empty = IniFile::FromText("");
    auto show = ReadSettings(empty, SettingsReader::Slideshow);
    auto preview = ReadSettings(empty, SettingsReader::Preview);
    auto editor = ReadSettings(empty, SettingsReader::Editor);
    EXPECT_EQ(show.interval, 3);
    EXPECT_EQ(show.duration, 2);
    EXPECT_EQ(show.StepDelayMs(), 30);
    EXPECT_TRUE(show.mouseMove && show.mouseClick && show.keyPress);
    EXPECT_FALSE(show.showCursor);
    EXPECT_FALSE(show.RandomSounds());
    EXPECT_EQ(show.transSetup, "");
    EXPECT_EQ(preview.transSetup, "");
    EXPECT_EQ(editor.transSetup, "0");
    EXPECT_EQ(editor.transIndex, 0);

    // The preview reads no sounds and no exit inputs; the slideshow does not read TransIndex.
    auto ini = IniFile::FromText("[Options]\nMouseMove=0\nTransIndex=7\n[Sounds]\n/s.mp3=\n");
    EXPECT_TRUE(ReadSettings(ini, SettingsReader::Preview).mouseMove);
    EXPECT_TRUE(ReadSettings(ini, SettingsReader::Preview).sounds.empty());
    EXPECT_EQ(ReadSettings(ini, SettingsReader::Slideshow).sounds.size(), 1u);
    EXPECT_FALSE(ReadSettings(ini, SettingsReader::Slideshow).mouseMove);
    EXPECT_EQ(ReadSettings(ini, SettingsReader::Slideshow).transIndex, 0);
    EXPECT_EQ(ReadSettings(ini, SettingsReader::Editor).transIndex, 7);
    // Every show moves its pictures as the settings say, the small preview too.
    for (auto reader : {SettingsReader::Slideshow, SettingsReader::Preview, SettingsReader::Editor})
        EXPECT_TRUE(ReadSettings(IniFile::FromText("[Options]\nMotion=1\n"), reader).PanAndZoom());
}

TEST(SaverSettings, ValuesMeanWhatTheUserChose)
{
    auto ini =
        IniFile::FromText("[options]\nIMAGESIZE=2\nSequence=2\nInterval=0x0A\nRandomSound=0\nDuration=4\n"
                          "[Transitions]\nTransSetup=0101\n[Images]\n/a.jpg=\nno-equals\n[Images]\n/ignored.jpg=\n");
    auto s = ReadSettings(ini, SettingsReader::Slideshow);
    EXPECT_TRUE(s.FitToScreen());
    EXPECT_TRUE(s.RandomPictures());
    EXPECT_EQ(s.interval, 10);
    EXPECT_TRUE(s.RandomSounds());
    EXPECT_EQ(s.StepDelayMs(), 50);
    EXPECT_EQ(s.EnabledStyles(), (std::vector<int>{1, 3}));
    EXPECT_EQ(s.images, (std::vector<std::string>{"/a.jpg", ""}));
    EXPECT_EQ(ReadSettings(IniFile::FromText("[Options]\nInterval=ten\n"), SettingsReader::Slideshow).interval, 3);
}

TEST(SaverSettings, CaptionIsReadByEveryReaderAndWrittenOnlyWhenChosen)
{
    // A file without the key, or with a value this program does not know, shows no caption.
    for (const char* text : {"[Options]\nInterval=5\n", "[Options]\nCaption=9\n", "[Options]\nCaption=-1\n"})
        for (auto reader : {SettingsReader::Slideshow, SettingsReader::Preview, SettingsReader::Editor})
            EXPECT_EQ(ReadSettings(IniFile::FromText(text), reader).Caption(), CaptionKind::None) << text;

    const auto ini = IniFile::FromText("[Options]\ncaption=4\n");
    for (auto reader : {SettingsReader::Slideshow, SettingsReader::Preview, SettingsReader::Editor})
        EXPECT_EQ(ReadSettings(ini, reader).Caption(), CaptionKind::DateAndName);

    SaverSettings s;
    s.caption = static_cast<int>(CaptionKind::DateTaken);
    const std::string written = FormatSettings(s);
    EXPECT_NE(written.find("\r\nDuration=2\r\nCaption=2\r\n[Transitions]\r\n"), std::string::npos) << written;
    EXPECT_EQ(ReadSettings(IniFile::FromText(written), SettingsReader::Editor), s);
    s.caption = 0;
    EXPECT_EQ(FormatSettings(s).find("Caption"), std::string::npos);
}

TEST(SaverSettings, IdleServiceSettingsAreWrittenOnlyAwayFromTheirUsualValues)
{
    for (auto reader : {SettingsReader::Slideshow, SettingsReader::Editor}) {
        const SaverSettings none = ReadSettings(IniFile::FromText("[Options]\nInterval=5\n"), reader);
        EXPECT_EQ(none.idleMinutes, 3);
        EXPECT_FALSE(none.lockOnResume);
        const auto read = [reader](const char* text) { return ReadSettings(IniFile::FromText(text), reader); };
        EXPECT_EQ(read("[Options]\nIdleMinutes=0\n").idleMinutes, 1);
        EXPECT_EQ(read("[Options]\nIdleMinutes=121\n").idleMinutes, 120);
        EXPECT_EQ(read("[Options]\nIdleMinutes=-5\n").idleMinutes, 1);
        EXPECT_EQ(read("[Options]\nIdleMinutes=ten\n").idleMinutes, 3);
        EXPECT_TRUE(read("[Options]\nLockOnResume=1\n").lockOnResume);
    }

    SaverSettings s;
    s.idleMinutes = 10;
    s.lockOnResume = true;
    const std::string written = FormatSettings(s);
    EXPECT_NE(written.find("\r\nDuration=2\r\nIdleMinutes=10\r\nLockOnResume=1\r\n[Transitions]\r\n"),
              std::string::npos)
        << written;
    EXPECT_EQ(ReadSettings(IniFile::FromText(written), SettingsReader::Editor), s);
    EXPECT_FALSE(SameDesign(s, SaverSettings{})) << "a new wait is a change to save";
    s.idleMinutes = 3;
    s.lockOnResume = false;
    EXPECT_EQ(FormatSettings(s), FormatSettings(SaverSettings{}));
    EXPECT_EQ(FormatSettings(s).find("Idle"), std::string::npos);
}

TEST(SaverSettings, TwoDesignsAreTheSameWhenTheyWouldBeWrittenTheSame)
{
    SaverSettings file;
    file.images = {"/p/caf\xe9.jpg"};
    SaverSettings shown = file;
    shown.transIndex = 5;  // the selected row is not part of the design
    file.sequence = 2;     // written as random, like 1
    shown.sequence = 1;
    file.randomSound = 7;  // written as list order, like 1
    EXPECT_TRUE(SameDesign(file, shown));

    for (auto change : std::initializer_list<void (*)(SaverSettings&)>{
             [](SaverSettings& s) { s.sequence = 0; }, [](SaverSettings& s) { s.randomSound = 0; },
             [](SaverSettings& s) { s.caption = 9; }, [](SaverSettings& s) { s.showCursor = true; },
             [](SaverSettings& s) { s.motion = 1; }, [](SaverSettings& s) { s.transSetup = "0"; },
             [](SaverSettings& s) { s.images = {"/p/caf\xef\xbf\xbd.jpg"}; },  // the same name as text
             [](SaverSettings& s) { s.sounds = {""}; }}) {
        SaverSettings other = shown;
        change(other);
        EXPECT_FALSE(SameDesign(file, other)) << FormatSettings(other);
    }
}

TEST(SaverSettings, ATableLineCanBringValuesIntoRangeAndLeaveOutItsUsualValue)
{
    // As a key with a range and a usual value would be declared.
    const SettingKey keys[] = {{.section = "Options",
                                .key = "Interval",
                                .field = &SaverSettings::interval,
                                .defaults = {Default(3), kNotRead, Default(3)},
                                .omittedAt = 3,
                                .range = std::pair{1, 120}}};
    auto read = [&](const char* text, SettingsReader reader) {
        SaverSettings s;
        s.interval = -9;
        ReadKeys(keys, IniFile::FromText(text), reader, s);
        return s.interval;
    };
    EXPECT_EQ(read("[Options]\nInterval=500\n", SettingsReader::Editor), 120);
    EXPECT_EQ(read("[Options]\nInterval=0\n", SettingsReader::Slideshow), 1);
    EXPECT_EQ(read("", SettingsReader::Editor), 3);
    EXPECT_EQ(read("[Options]\nInterval=500\n", SettingsReader::Preview), -9) << "not read there";

    SaverSettings s;
    s.interval = 3;
    EXPECT_EQ(WriteKeys(keys, s), "[Options]\r\n");
    s.interval = 7;
    EXPECT_EQ(WriteKeys(keys, s), "[Options]\r\nInterval=7\r\n");
}

TEST(SaverSettings, LoadingSaysWhatCouldNotBeRead)
{
    auto dir = std::filesystem::temp_directory_path() / "qel-settings-problem-test";
    std::filesystem::create_directories(dir / "QelSetup.dat");
    std::string problem = "?";
    EXPECT_EQ(LoadSettings((dir / "QelSetup.dat").string(), SettingsReader::Editor, &problem).transSetup, "0");
    EXPECT_EQ(problem, "it is a folder");
    LoadSettings((dir / "missing.dat").string(), SettingsReader::Editor, &problem);
    EXPECT_EQ(problem, "");
    std::filesystem::remove_all(dir);
}

TEST(SaverSettings, PathSectionIsWrittenBackAtTheEnd)
{
    auto dir = std::filesystem::temp_directory_path() / "qel-settings-path-test";
    std::filesystem::create_directories(dir);
    auto path = (dir / "QelSetup.dat").string();
    SaverSettings s;
    s.images = {"/p/1.jpg"};
    SaveSettings(path, s);
    UpdatePathSection(path, {"/pics/", "/music/", "/app/"});
    std::ifstream in(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(text.find("[Options]\r\nImageSize=0\r\n"), std::string::npos);
    EXPECT_NE(text.find("Duration=2\r\n\r\n[Transitions]"), std::string::npos);
    const std::string tail = "[Images]\r\n/p/1.jpg=\r\n\r\n[Path]\r\nImagePath=/pics/\r\nSoundPath=/music/\r\n"
                             "AppPath=/app/\r\n\r\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    // The settings still read the same after the rewrite.
    EXPECT_EQ(LoadSettings(path, SettingsReader::Editor).images, s.images);
    std::filesystem::remove_all(dir);
}
