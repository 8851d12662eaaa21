#pragma once
// What a saver shows and plays: the content of "QelSetup.dat", "QelPreview.dat", "SaverSetup.dat"
// and project files. Values are kept as stored; the accessors say what they mean.

#include <cstdint>
#include <string>
#include <vector>

#include "settings/inifile.h"

namespace qel::settings {

inline constexpr const char* kSettingsFileName = "QelSetup.dat";
inline constexpr const char* kPreviewFileName = "QelPreview.dat";
inline constexpr const char* kSystemSettingsFileName = "QelSetup.Dat";
inline constexpr const char* kBuildSettingsFileName = "SaverSetup.dat";

// What each picture's caption says (key "Caption" of section "Options"). Values outside the list
// mean no caption, like the missing key.
enum class CaptionKind {
    None = 0,
    FileName = 1,     // the file name without its extension
    DateTaken = 2,    // the day the photo was taken, else the day the file was last changed
    Description = 3,  // the photo's own description, when it has one
    DateAndName = 4,  // the date taken, then the file name
};
inline constexpr int kCaptionKindCount = 5;

struct SaverSettings {
    int imageSize = 0;         // 0 = original size, otherwise fit to the screen
    int sequence = 0;          // 0 = list order, otherwise random
    std::int32_t bgColor = 0;  // 0x00BBGGRR
    int interval = 3;          // seconds a picture stays after its transition
    bool mouseMove = true;
    bool mouseClick = true;
    bool keyPress = true;
    bool showCursor = false;
    int randomSound = 1;        // 0 = random order, otherwise list order
    int transIndex = 0;         // the editor's selected transition entry (-1 = none)
    int duration = 2;           // transition speed 0..4
    std::string transSetup;     // one "1"/"0" per style number
    int caption = 0;            // a CaptionKind; written only when it is not 0
    int idleMinutes = 3;        // the idle service's wait, 1..120; written only when it is not 3
    bool lockOnResume = false;  // the idle service locks the session when a show is ended; written only when set
    int motion = 0;             // 1 = pictures pan and zoom while on show; written only when it is not 0
    std::vector<std::string> sounds;
    std::vector<std::string> images;

    [[nodiscard]] bool FitToScreen() const { return imageSize != 0; }
    [[nodiscard]] bool RandomPictures() const { return sequence != 0; }
    [[nodiscard]] bool RandomSounds() const { return randomSound == 0; }
    // Values other than 1 mean still pictures, like the missing key.
    [[nodiscard]] bool PanAndZoom() const { return motion == 1; }
    [[nodiscard]] CaptionKind Caption() const
    {
        return caption > 0 && caption < kCaptionKindCount ? CaptionKind(caption) : CaptionKind::None;
    }
    // The picture control's step delay in milliseconds: (Duration + 1) x 10, kept in 16 bits as the
    // control stores it (a wild Duration wraps instead of overflowing).
    [[nodiscard]] int StepDelayMs() const { return std::uint16_t((std::int64_t(duration) + 1) * 10); }
    // How long a picture stays after its transition, for a timer: Interval seconds in milliseconds;
    // 0 (and anything below) means never. Huge values are capped so the result stays an int.
    [[nodiscard]] int IntervalMs() const;
    // Style numbers whose character in TransSetup is "1", in ascending order.
    [[nodiscard]] std::vector<int> EnabledStyles() const;

    friend bool operator==(const SaverSettings&, const SaverSettings&) = default;
};

// The three programs that read a settings file; each has its own defaults and reads its own keys.
enum class SettingsReader { Slideshow, Preview, Editor };

// Reads the settings as `reader` does. Keys the reader does not read keep the built-in
// defaults of SaverSettings. The keys, their defaults and their order are in settingskeys.h.
SaverSettings ReadSettings(const IniFile& ini, SettingsReader reader);
// The same from a file. *problem gets what could not be read (IniFile::Problem): empty when the
// whole file was read, or when there is none.
SaverSettings LoadSettings(const std::string& path, SettingsReader reader, std::string* problem = nullptr);

// The exact bytes of a settings file: the 18 kinds of line in their order, CR LF after each; a
// caption, an idle wait other than 3 minutes, the lock on resume and motion add their keys after
// "Duration", so a file without them keeps exactly the classic lines.
std::string FormatSettings(const SaverSettings& s);

// True when saving either would write the same design: every key but the editor's selected
// transition row ("TransIndex") would be written the same, and the lists are the same bytes.
[[nodiscard]] bool SameDesign(const SaverSettings& a, const SaverSettings& b);

// Writes FormatSettings(s) over `path` in one step. Throws std::runtime_error naming the file and
// the cause when it cannot be written.
void SaveSettings(const std::string& path, const SaverSettings& s);
// The same for a file the program keeps for itself ("QelPreview.dat"), where a user's link has no
// business: a link or anything but a regular file in its place is neither followed nor replaced, and
// that throws too.
void SaveOwnSettings(const std::string& path, const SaverSettings& s);

// The folders of section "Path" that the editor writes back when it closes.
struct SavedPaths {
    std::string imagePath;
    std::string soundPath;
    std::string appPath;
};
// Sets the three keys of section "Path" in the file at `path` and rewrites it in the reader's form.
// Throws std::runtime_error naming the file and the cause when it cannot be written.
void UpdatePathSection(const std::string& path, const SavedPaths& paths);

}  // namespace qel::settings
