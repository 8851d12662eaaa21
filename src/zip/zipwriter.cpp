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

// Writing the archive would replace a listed file that is the archive under another name (or the
// same one): the user's file would be lost to an archive of itself. Refused before anything is
// created.
void TZipWriter::RefuseTheArchiveAsInput() const
{
    for (const std::string& path : FilesList) {
        std::error_code ec;
        if (fs::equivalent(path, ZipName, ec))
            throw std::runtime_error("Cannot add " + path + " to the archive " + ZipName +
                                     ": it is the archive itself");
    }
}

int TZipWriter::Zip()
{
    CheckSettings();
    RefuseTheArchiveAsInput();
    // Without Close, the sink deletes the unfinished archive and leaves the old one in place.
    FileSink sink(ZipName);
    const int count = Write(sink, ZipName);
    sink.Close();
    return count;
}

int TZipWriter::Zip(ZipSink& sink)
{
    CheckSettings();
    return Write(sink, {});
}

int TZipWriter::Write(ZipSink& sink, const std::string& archivePath)
{
    entries_.clear();
    skipped_.clear();
    ArchiveWriter::Options options;
    options.level = PackLevel;
    options.recurse = Recurse;
    options.storePaths = StorePaths;
    options.threads = Threads;
    options.archivePath = archivePath;
    ArchiveWriter writer(
        sink, std::move(options), entries_, DoProcessMessages,
        [this](const std::string& path, std::uint64_t uncompressedSize, std::uint64_t compressedSize,
               std::uint64_t archiveSize) {
            if (OnEndZip)
                OnEndZip(*this, path, uncompressedSize, compressedSize, archiveSize);
        },
        [this](const std::string& path, const std::string& reason) {
            skipped_.push_back({path, reason});
        });
    const int count = writer.Write(FilesList);
    FilesList.clear();
    return count;
}

}  // namespace qel::zip
