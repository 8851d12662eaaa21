#pragma once
// Every key of a settings file, declared once: its section and name, the field of SaverSettings that
// holds it, the default each reader uses when the key is missing (or that the reader does not read it
// at all), the range a value read is brought into, and whether the writer leaves it out while it holds
// one value. Reading, writing and telling two designs apart all walk this one table; its order is the
// order of the lines in a written file, and a section's "[name]" line comes before its first key.
// A new setting is one more line of the table (and its field in SaverSettings).

#include <array>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "settings/inifile.h"
#include "settings/saversettings.h"

namespace qel::settings {

// One reader's default for a key.
struct ReaderDefault {
    bool read = false;      // false: the reader leaves the field at SaverSettings' own value
    int number = 0;         // for numbers and flags
    const char* text = "";  // for texts
};
inline constexpr ReaderDefault kNotRead{};
inline constexpr ReaderDefault kReadKeys{true, 0, ""};  // a section read as its list of keys
constexpr ReaderDefault Default(int number)
{
    return {true, number, ""};
}
constexpr ReaderDefault Default(const char* text)
{
    return {true, 0, text};
}

using SettingField = std::variant<int SaverSettings::*, bool SaverSettings::*, std::string SaverSettings::*,
                                  std::vector<std::string> SaverSettings::*>;

// How a number is written: in decimal, or as "1" for any value other than 0 and "0" for 0. Truth
// values are always written as flags, texts as they stand, lists one entry per line followed by "=".
enum class NumberForm { Decimal, Flag };

struct SettingKey {
    const char* section;
    const char* key;  // unused for a list: the whole section is the list
    SettingField field;
    // Indexed by SettingsReader: the slideshow window, the preview window, the editor.
    std::array<ReaderDefault, 3> defaults;
    NumberForm form = NumberForm::Decimal;
    // A number or flag (0, 1) that is not written while it has this value.
    std::optional<int> omittedAt = std::nullopt;
    // The range [first, second] a number read is brought into.
    std::optional<std::pair<int, int>> range = std::nullopt;
    // False for a key that is not part of the design: changing it alone is no change to save.
    bool compared = true;
};

// The keys of the settings file, in the order the writer writes them.
std::span<const SettingKey> SettingKeys();

// Reads each key as `reader` does into `s`; keys the reader does not read are left alone.
void ReadKeys(std::span<const SettingKey> keys, const IniFile& ini, SettingsReader reader, SaverSettings& s);
// The lines of the keys, CR LF after each.
std::string WriteKeys(std::span<const SettingKey> keys, const SaverSettings& s);
// True when every compared key would be written the same for both.
bool SameKeys(std::span<const SettingKey> keys, const SaverSettings& a, const SaverSettings& b);

}  // namespace qel::settings
