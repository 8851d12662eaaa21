#include "settings/settingskeys.h"

#include <algorithm>
#include <cstring>

namespace qel::settings {
namespace {

using S = SaverSettings;
static_assert(int(SettingsReader::Slideshow) == 0 && int(SettingsReader::Preview) == 1 &&
                  int(SettingsReader::Editor) == 2,
              "the columns of defaults follow SettingsReader");

constexpr const char* kOptions = "Options";

// Columns of defaults: slideshow window, preview window, editor.
const SettingKey kKeys[] = {
    {.section = kOptions, .key = "ImageSize", .field = &S::imageSize, .defaults = {Default(0), kNotRead, Default(0)}},
    {.section = kOptions,
     .key = "Sequence",
     .field = &S::sequence,
     .defaults = {Default(0), Default(0), Default(0)},
     .form = NumberForm::Flag},
    {.section = kOptions, .key = "BgColor", .field = &S::bgColor, .defaults = {Default(0), Default(0), Default(0)}},
    {.section = kOptions, .key = "Interval", .field = &S::interval, .defaults = {Default(3), Default(3), Default(3)}},
    {.section = kOptions, .key = "MouseMove", .field = &S::mouseMove, .defaults = {Default(1), kNotRead, Default(1)}},
    {.section = kOptions, .key = "MouseClick", .field = &S::mouseClick, .defaults = {Default(1), kNotRead, Default(1)}},
    {.section = kOptions, .key = "KeyPress", .field = &S::keyPress, .defaults = {Default(1), kNotRead, Default(1)}},
    {.section = kOptions, .key = "ShowCursor", .field = &S::showCursor, .defaults = {Default(0), kNotRead, Default(0)}},
    {.section = kOptions,
     .key = "RandomSound",
     .field = &S::randomSound,
     .defaults = {Default(1), kNotRead, Default(1)},
     .form = NumberForm::Flag},
    // Only the editor reads it, and moving to another transition row changes nothing of the design.
    {.section = kOptions,
     .key = "TransIndex",
     .field = &S::transIndex,
     .defaults = {kNotRead, kNotRead, Default(0)},
     .compared = false},
    {.section = kOptions, .key = "Duration", .field = &S::duration, .defaults = {Default(2), Default(2), Default(2)}},
    // Left out while there is none, so a file without captions keeps exactly the classic lines.
    {.section = kOptions,
     .key = "Caption",
     .field = &S::caption,
     .defaults = {Default(0), Default(0), Default(0)},
     .omittedAt = 0},
    // The idle service's settings: left out at their usual values, so files made before them keep
    // their bytes.
    {.section = kOptions,
     .key = "IdleMinutes",
     .field = &S::idleMinutes,
     .defaults = {Default(3), kNotRead, Default(3)},
     .omittedAt = 3,
     .range = std::pair{1, 120}},
    {.section = kOptions,
     .key = "LockOnResume",
     .field = &S::lockOnResume,
     .defaults = {Default(0), kNotRead, Default(0)},
     .omittedAt = 0},
    {.section = kOptions,
     .key = "Motion",
     .field = &S::motion,
     .defaults = {Default(0), Default(0), Default(0)},
     .omittedAt = 0},
    {.section = "Transitions",
     .key = "TransSetup",
     .field = &S::transSetup,
     .defaults = {Default(""), Default(""), Default("0")}},
    {.section = "Sounds", .key = "", .field = &S::sounds, .defaults = {kReadKeys, kNotRead, kReadKeys}},
    {.section = "Images", .key = "", .field = &S::images, .defaults = {kReadKeys, kReadKeys, kReadKeys}},
};

std::string NumberText(const SettingKey& k, int value)
{
    if (k.form == NumberForm::Flag)
        return value != 0 ? "1" : "0";
    return std::to_string(value);
}

// The value as the writer writes it after "key="; nothing when the key is left out.
std::optional<std::string> ValueText(const SettingKey& k, const SaverSettings& s)
{
    if (const auto* number = std::get_if<int S::*>(&k.field)) {
        const int value = s.*(*number);
        if (k.omittedAt && value == *k.omittedAt)
            return std::nullopt;
        return NumberText(k, value);
    }
    if (const auto* flag = std::get_if<bool S::*>(&k.field)) {
        const int value = s.*(*flag) ? 1 : 0;
        if (k.omittedAt && value == *k.omittedAt)
            return std::nullopt;
        return std::to_string(value);
    }
    if (const auto* text = std::get_if<std::string S::*>(&k.field))
        return s.*(*text);
    return std::nullopt;
}

}  // namespace

std::span<const SettingKey> SettingKeys()
{
    return kKeys;
}

void ReadKeys(std::span<const SettingKey> keys, const IniFile& ini, SettingsReader reader, SaverSettings& s)
{
    for (const SettingKey& k : keys) {
        const ReaderDefault& d = k.defaults[static_cast<std::size_t>(reader)];
        if (!d.read)
            continue;
        if (const auto* number = std::get_if<int S::*>(&k.field)) {
            int value = ini.ReadInteger(k.section, k.key, d.number);
            if (k.range)
                value = std::clamp(value, k.range->first, k.range->second);
            s.*(*number) = value;
        } else if (const auto* flag = std::get_if<bool S::*>(&k.field)) {
            s.*(*flag) = ini.ReadBool(k.section, k.key, d.number != 0);
        } else if (const auto* text = std::get_if<std::string S::*>(&k.field)) {
            s.*(*text) = ini.ReadString(k.section, k.key, d.text);
        } else if (const auto* list = std::get_if<std::vector<std::string> S::*>(&k.field)) {
            s.*(*list) = ini.ReadSection(k.section);
        }
    }
}

std::string WriteKeys(std::span<const SettingKey> keys, const SaverSettings& s)
{
    std::string out;
    auto line = [&out](const std::string& text) {
        out += text;
        out += "\r\n";
    };
    const char* section = nullptr;
    for (const SettingKey& k : keys) {
        if (!section || std::strcmp(section, k.section) != 0) {
            section = k.section;
            line("[" + std::string(section) + "]");
        }
        if (const auto* list = std::get_if<std::vector<std::string> S::*>(&k.field)) {
            for (const std::string& entry : s.*(*list))
                line(entry + "=");
        } else if (const std::optional<std::string> value = ValueText(k, s)) {
            line(std::string(k.key) + "=" + *value);
        }
    }
    return out;
}

bool SameKeys(std::span<const SettingKey> keys, const SaverSettings& a, const SaverSettings& b)
{
    for (const SettingKey& k : keys) {
        if (!k.compared)
            continue;
        if (const auto* list = std::get_if<std::vector<std::string> S::*>(&k.field)) {
            if (a.*(*list) != b.*(*list))
                return false;
        } else if (ValueText(k, a) != ValueText(k, b)) {
            return false;
        }
    }
    return true;
}

}  // namespace qel::settings
