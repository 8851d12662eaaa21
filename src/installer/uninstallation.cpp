#include "installer/uninstallation.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "settings/inifile.h"

namespace qel::installer {
namespace fs = std::filesystem;
namespace {

constexpr std::uintmax_t kLargestManifest = 16u << 20;

fs::path ManifestPath(const std::string& folder)
{
    return fs::path(folder) / kManifestFile;
}

// Removes a file (or a link) the manifest names; never a folder that has taken its name.
bool RemoveFile(const fs::path& path)
{
    std::error_code ec;
    const auto st = fs::symlink_status(path, ec);
    if (ec || !fs::exists(st))
        return true;
    if (fs::is_directory(st))
        return false;
    return fs::remove(path, ec) && !ec;
}

bool RemoveEmptyFolder(const fs::path& path)
{
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(path, ec)))
        return !fs::exists(fs::symlink_status(path, ec));
    return fs::is_empty(path, ec) && !ec && fs::remove(path, ec) && !ec;
}

}  // namespace

bool HoldsInstalledSaver(const std::string& folder)
{
    std::error_code ec;
    return fs::is_regular_file(fs::symlink_status(ManifestPath(folder), ec));
}

Manifest ReadManifest(const std::string& folder)
{
    const fs::path path = ManifestPath(folder);
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(path, ec)) || fs::file_size(path, ec) > kLargestManifest)
        throw UninstallError("No screen saver installed by a package is in \"" + folder + "\" (" + kManifestFile +
                             " is missing)");
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in && !in.eof())
        throw UninstallError("Cannot read \"" + path.string() + "\"");
    return ParseManifest(text.str());
}

UninstallReport Uninstall(const std::string& folderText, bool keepFolder)
{
    fs::path folder = fs::absolute(fs::path(folderText)).lexically_normal();
    if (folder.filename().empty())
        folder = folder.parent_path();  // a trailing "/"
    const Manifest m = ReadManifest(folder.string());
    UninstallReport report;
    report.saverName = m.saverName;
    // The host first: when its file cannot be written the saver stays whole, and the user can try again.
    try {
        report.hostMessage = hosts::UndoHostChange(m.host);
    } catch (const std::exception& e) {
        throw UninstallError(e.what());
    }
    for (const std::string& f : m.files) {
        if (!RemoveFile(folder / f))
            report.kept.push_back((folder / f).string());
    }
    if (!RemoveFile(folder / kManifestFile))
        report.kept.push_back((folder / kManifestFile).string());
    for (const std::string& f : m.folders) {
        if (!RemoveEmptyFolder(folder / f))
            report.kept.push_back((folder / f).string());
    }
    if (keepFolder)
        return report;
    report.folderRemoved = RemoveEmptyFolder(folder);
    if (!report.folderRemoved) {
        report.kept.push_back(folder.string());
        return report;
    }
    fs::path parent = folder.parent_path();
    for (int i = 0; i < m.createdParents && RemoveEmptyFolder(parent); ++i)
        parent = parent.parent_path();
    return report;
}

}  // namespace qel::installer
