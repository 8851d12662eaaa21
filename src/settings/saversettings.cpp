#include "settings/saversettings.h"

#include <optional>

#include "platform/files.h"

namespace qel::settings {
namespace {

// Which keys each reader reads and the default it uses; nullopt: the reader does not read the key.
struct ReaderDefaults {
    std::optional<int> imageSize;
    std::optional<int> sequence;
    std::optional<int> bgColor;
    std::optional<int> interval;
    std::optional<bool> exitInputs;  // MouseMove, MouseClick, KeyPress
    std::optional<bool> showCursor;
    std::optional<int> randomSound;
    std::optional<int> transIndex;
    std::optional<int> duration;
    std::optional<const char*> transSetup;
    bool sounds = false;
    std::optional<int> caption;
};

// Every reader reads the caption, 0 (none) when the key is missing.
constexpr ReaderDefaults kSlideshow{0, 0, 0, 3, true, false, 1, std::nullopt, 2, "", true, 0};
constexpr ReaderDefaults kPreview{std::nullopt, 0,     0, 3, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 2,
                                  "",           false, 0};
constexpr ReaderDefaults kEditor{0, 0, 0, 3, true, false, 1, 0, 2, "0", true, 0};

const ReaderDefaults& DefaultsFor(SettingsReader reader)
{
    switch (reader) {
    case SettingsReader::Slideshow: return kSlideshow;
    case SettingsReader::Preview: return kPreview;
    case SettingsReader::Editor: return kEditor;
    }
    return kSlideshow;
}

constexpr const char* kOptions = "Options";

}  // namespace

int SaverSettings::IntervalMs() const
{
    constexpr int kLongestSeconds = 2'000'000;
    if (interval <= 0)
        return 0;
    return interval > kLongestSeconds ? kLongestSeconds * 1000 : interval * 1000;
}

std::vector<int> SaverSettings::EnabledStyles() const
{
    std::vector<int> styles;
    for (size_t i = 0; i < transSetup.size(); ++i)
        if (transSetup[i] == '1')
            styles.push_back(static_cast<int>(i));
    return styles;
}

SaverSettings ReadSettings(const IniFile& ini, SettingsReader reader)
{
    const ReaderDefaults& d = DefaultsFor(reader);
    SaverSettings s;
    if (d.imageSize)
        s.imageSize = ini.ReadInteger(kOptions, "ImageSize", *d.imageSize);
    if (d.sequence)
        s.sequence = ini.ReadInteger(kOptions, "Sequence", *d.sequence);
    if (d.bgColor)
        s.bgColor = ini.ReadInteger(kOptions, "BgColor", *d.bgColor);
    if (d.interval)
        s.interval = ini.ReadInteger(kOptions, "Interval", *d.interval);
    if (d.exitInputs) {
        s.mouseMove = ini.ReadBool(kOptions, "MouseMove", *d.exitInputs);
        s.mouseClick = ini.ReadBool(kOptions, "MouseClick", *d.exitInputs);
        s.keyPress = ini.ReadBool(kOptions, "KeyPress", *d.exitInputs);
    }
    if (d.showCursor)
        s.showCursor = ini.ReadBool(kOptions, "ShowCursor", *d.showCursor);
    if (d.randomSound)
        s.randomSound = ini.ReadInteger(kOptions, "RandomSound", *d.randomSound);
    if (d.transIndex)
        s.transIndex = ini.ReadInteger(kOptions, "TransIndex", *d.transIndex);
    if (d.duration)
        s.duration = ini.ReadInteger(kOptions, "Duration", *d.duration);
    if (d.caption)
        s.caption = ini.ReadInteger(kOptions, "Caption", *d.caption);
    if (d.transSetup)
        s.transSetup = ini.ReadString("Transitions", "TransSetup", *d.transSetup);
    if (d.sounds)
        s.sounds = ini.ReadSection("Sounds");
    s.images = ini.ReadSection("Images");
    return s;
}

SaverSettings LoadSettings(const std::string& path, SettingsReader reader)
{
    return ReadSettings(IniFile::Open(path), reader);
}

std::string FormatSettings(const SaverSettings& s)
{
    auto flag = [](bool b) { return b ? "1" : "0"; };
    std::string out;
    auto line = [&out](const std::string& text) {
        out += text;
        out += "\r\n";
    };
    line("[Options]");
    line("ImageSize=" + std::to_string(s.imageSize));
    line(std::string("Sequence=") + (s.sequence != 0 ? "1" : "0"));
    line("BgColor=" + std::to_string(s.bgColor));
    line("Interval=" + std::to_string(s.interval));
    line(std::string("MouseMove=") + flag(s.mouseMove));
    line(std::string("MouseClick=") + flag(s.mouseClick));
    line(std::string("KeyPress=") + flag(s.keyPress));
    line(std::string("ShowCursor=") + flag(s.showCursor));
    line(std::string("RandomSound=") + (s.randomSound == 0 ? "0" : "1"));
    line("TransIndex=" + std::to_string(s.transIndex));
    line("Duration=" + std::to_string(s.duration));
    if (s.caption != 0)
        line("Caption=" + std::to_string(s.caption));
    line("[Transitions]");
    line("TransSetup=" + s.transSetup);
    line("[Sounds]");
    for (const auto& path : s.sounds)
        line(path + "=");
    line("[Images]");
    for (const auto& path : s.images)
        line(path + "=");
    return out;
}

void SaveSettings(const std::string& path, const SaverSettings& s)
{
    platform::WriteFileAtomically(path, FormatSettings(s));
}

void UpdatePathSection(const std::string& path, const SavedPaths& paths)
{
    IniFile ini = IniFile::Open(path);
    ini.WriteString("Path", "ImagePath", paths.imagePath);
    ini.WriteString("Path", "SoundPath", paths.soundPath);
    ini.WriteString("Path", "AppPath", paths.appPath);
    ini.UpdateFile(path);
}

}  // namespace qel::settings
