#include "zip/zipwriter.h"

#include <filesystem>

#include "zip/archivewriter.h"
#include "zip/zipformat.h"

namespace qel::zip {
namespace fs = std::filesystem;

void TZipWriter::CheckSettings() const
{
    if (PackLevel < 0 || PackLevel > kMaxPackLevel)
        throw std::invalid_argument("PackLevel must be 0 to " + std::to_string(kMaxPackLevel) + ", not " +
                                    std::to_string(PackLevel));
}

int TZipWriter::Zip()
{
    CheckSettings();
    FileSink sink(ZipName);
    try {
        int count = Write(sink, ZipName);
        sink.Close();
        return count;
    } catch (...) {
        try {
            sink.Close();
        } catch (...) {
        }
        // Only the unfinished archive goes, never a device or such that was named as the archive.
        std::error_code ec;
        if (fs::is_regular_file(fs::symlink_status(ZipName, ec)))
            fs::remove(ZipName, ec);
        throw;
    }
}

int TZipWriter::Zip(ZipSink& sink)
{
    CheckSettings();
    return Write(sink, {});
}

int TZipWriter::Write(ZipSink& sink, const std::string& archivePath)
{
    entries_.clear();
    ArchiveWriter::Options options;
    options.level = PackLevel;
    options.recurse = Recurse;
    options.storePaths = StorePaths;
    options.threads = Threads;
    options.archivePath = archivePath;
    ArchiveWriter writer(sink, std::move(options), entries_, DoProcessMessages,
                         [this](const std::string& path, std::uint64_t uncompressedSize, std::uint64_t compressedSize,
                                std::uint64_t archiveSize) {
                             if (OnEndZip)
                                 OnEndZip(*this, path, uncompressedSize, compressedSize, archiveSize);
                         });
    const int count = writer.Write(FilesList);
    FilesList.clear();
    return count;
}

}  // namespace qel::zip
