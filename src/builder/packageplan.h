#pragma once
// What goes into a package, decided before anything is copied: the text of "install.ini" and the list
// of files to archive (the list Z), in their order. Support files first (the saver program, its
// settings, the decoder library, the uninstaller), then the pictures, then the sounds.

#include <set>
#include <string>
#include <vector>

#include "settings/inifile.h"

namespace qel::builder {

struct PackagePlan {
    settings::IniFile installIni;    // sections and keys in the order written
    std::vector<std::string> files;  // Z: full paths to archive, in order
    struct Copy {
        std::string from;
        std::string to;
    };
    // Pictures and sounds whose entry name is not their own: copied into the work folder first.
    std::vector<Copy> copies;
    std::string saverFile;      // the work folder's copy of the saver program
    std::string uninstallFile;  // the work folder's copy of the uninstaller
};

// name: the screen saver's name as typed. workFolder and programFolder end in "/"; the decoder library is
// taken from programFolder. images and sounds: the paths of the settings file, in order.
[[nodiscard]] PackagePlan PlanPackage(const std::string& name, const std::string& workFolder,
                                      const std::string& programFolder, const std::vector<std::string>& images,
                                      const std::vector<std::string>& sounds);

// The entry name of the saver program for a screen saver named `name`: the name and ".scr", made a
// safe file name.
[[nodiscard]] std::string SaverEntryName(const std::string& name);

// The lower-case names of the support entries listed so far in the plan's install.ini, which the
// pictures' and sounds' names must not repeat.
[[nodiscard]] std::set<std::string> EntryNamesOf(const settings::IniFile& installIni);

}  // namespace qel::builder
