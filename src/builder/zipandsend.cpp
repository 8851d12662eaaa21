#include "builder/zipandsend.h"

#include <filesystem>
#include <system_error>

#include "zip/zipwriter.h"

namespace qel::builder {

namespace {
constexpr int kPackLevel = 8;
}

std::string ZipArchivePath(const std::string& packagePath)
{
    const auto slash = packagePath.find_last_of('/');
    const auto dot = packagePath.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? packagePath.substr(0, dot) : packagePath) + ".zip";
}

std::string AttachByHandText(const std::string& reason, const std::string& archivePath)
{
    return (reason.empty() ? std::string() : reason + " ") + "The package is zipped as " + archivePath +
           ": attach it to a new mail by hand.";
}

void ZipPackage(const std::string& packagePath, const std::string& archivePath, const std::function<void()>& idle)
{
    std::error_code ec;
    std::filesystem::remove(archivePath, ec);
    zip::TZipWriter writer;
    writer.ZipName = archivePath;
    writer.FilesList = {packagePath};
    writer.Recurse = false;
    writer.StorePaths = false;
    writer.PackLevel = kPackLevel;
    writer.DoProcessMessages = idle;
    writer.Zip();
}

}  // namespace qel::builder
