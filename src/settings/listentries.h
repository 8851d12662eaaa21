#pragma once
// The pictures and sounds of a settings file are the keys of their sections' lines ("path="). A key
// ends at the first "=" of its line, a line at a line break, and a line that begins with ";" is
// skipped: a path with one of those reads back as another path, or not at all, and the saver would
// show a black screen without a word. This is the one rule of what a list can hold, for everything
// that adds a path to one (the editor, the builder) or puts a saver where its paths follow from the
// folder (the installer).

#include <string>
#include <string_view>
#include <vector>

#include "settings/inifile.h"

namespace qel::settings {

// Why a list of the settings cannot hold `path`, in a few words that follow "its path has" ("a
// \"=\"", "a control character", "a \";\" at its start"); empty when it can.
[[nodiscard]] std::string WhyListCannotHold(std::string_view path);

// The entries of list section `section` ("Images", "Sounds") in file order, as written: a line's key,
// or its whole text but the "=" that ends it when a "=" in the path cut the key short ("/p/a=b.jpg="
// gives "/p/a=b.jpg", which WhyListCannotHold then refuses).
[[nodiscard]] std::vector<std::string> ReadListEntries(const IniFile& ini, std::string_view section);

}  // namespace qel::settings
