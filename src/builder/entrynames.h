#pragma once
// Archive entry names for the pictures, and then the sounds, of a package. Each file is archived under
// its own file name in lower case; a name already used by an earlier file of the same kind is raised
// with NextNumberedName until it is free (Sun.jpg and sun.JPG give sun.jpg and sun1.jpg; img7 twice
// and img8 give img7, img8 and img9). A name that would give another kind's entry, or that the
// installer would refuse, is moved on the same way, so that no file of the package is lost.
//
// The installer repeats this naming on the settings it unpacks to find each picture's entry, so both
// sides must use this one function.

#include <set>
#include <string>
#include <vector>

namespace qel::builder {

struct EntryName {
    std::string name;      // the key in install.ini and the entry's name in the archive (case aside)
    bool renamed = false;  // not the file's own name: it is copied under `name` before archiving
};

// `taken`: names (lower case) of the entries of other kinds, which the names must not repeat.
// The result has one name per path, in order.
[[nodiscard]] std::vector<EntryName> NameEntries(const std::vector<std::string>& paths,
                                                 const std::set<std::string>& taken);

// The file-name part of a path (after its last "/").
[[nodiscard]] std::string FileNamePart(const std::string& path);

}  // namespace qel::builder
