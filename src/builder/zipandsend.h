#pragma once
// Zip-and-send without the window: the archive's name beside the package, and the archive itself
// (one entry, the package under its own name), written with the zip writer as the builder does.

#include <functional>
#include <string>

namespace qel::builder {

// The package's path with its last extension replaced by ".zip" (or ".zip" appended when its file
// name has none): setup.run gives setup.zip, my.saver.run gives my.saver.zip.
[[nodiscard]] std::string ZipArchivePath(const std::string& packagePath);

// Writes `archivePath` (an existing file is replaced) holding the package. Throws the zip writer's
// errors; the unfinished archive is then gone.
void ZipPackage(const std::string& packagePath, const std::string& archivePath, const std::function<void()>& idle);

// What the user reads when no mail program can take the archive and its folder opens instead: where
// the archive is and that it can be attached by hand. `reason` (may be empty) goes before it.
[[nodiscard]] std::string AttachByHandText(const std::string& reason, const std::string& archivePath);

}  // namespace qel::builder
