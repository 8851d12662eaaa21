#pragma once
// Path and file utilities used by the editor, the builder and the preview.

#include <string>
#include <vector>

namespace qel::base {

// Appends "/" unless the path is empty or already ends in "/".
std::string AddTrailingSlash(const std::string& path);

// True when the path names an existing folder.
bool FolderExists(const std::string& path);

// Creates the folder and every missing parent. Returns false when a folder cannot be created.
// Throws std::runtime_error("Unable to create directory") for an empty path.
bool MakeFolderPath(const std::string& path);

// The name with its trailing number raised by one: NewSaver.scr -> NewSaver1.scr,
// NewSaver1.scr -> NewSaver2.scr, Saver9 -> Saver10, a.b.c -> a1.b.c (the first "." splits).
std::string NextNumberedName(const std::string& name);

// Appends every file of `folder` and its subfolders whose extension (compared without regard to
// case, without the dot) is one of `extensions`, depth first, entries of a folder in name order.
// Returns false when the folder cannot be read.
bool ListPictureFiles(const std::string& folder, std::vector<std::string>& list,
                      const std::vector<std::string>& extensions);

// Deletes a file, or a folder with everything in it, without asking and without reporting.
// Returns true when the path is gone afterwards and something was deleted.
bool DeleteQuietly(const std::string& path);

}  // namespace qel::base
