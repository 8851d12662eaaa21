#pragma once
// TZipWriter writes a zip archive in the PKWARE layout: one entry per file (raw Deflate, or stored),
// then the central directory and the end record; one disk, no password, no data descriptors.
//
// Use: set ZipName, fill FilesList with the paths of the files to add, set PackLevel (0 stores every
// file, 1..9 is the Deflate level), call Zip(). Zip returns the number of entries written and empties
// FilesList. Files that name nothing, cannot be opened, or whose entry name (ASCII letters compared
// without case) was already written, are skipped without a message and not counted. On any error the
// unfinished archive is closed and deleted and the error (a std::runtime_error with a message naming
// the file and the cause; NotEnoughRoom, from zipsink.h, when the disk is full) is passed on.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "zip/zipheader.h"
#include "zip/zipsink.h"

namespace qel::zip {

class TZipWriter {
public:
    // After each entry: the file's path, its size, the entry's data size, the archive's size so far.
    using TEndZipFileEvent =
        std::function<void(TZipWriter& sender, const std::string& fileName, std::uint64_t uncompressedSize,
                           std::uint64_t compressedSize, std::uint64_t currentZipSize)>;

    std::string ZipName;                 // the archive to write (created, or truncated)
    std::vector<std::string> FilesList;  // paths to add, in order; emptied when Zip ends
    bool Recurse = false;                // a folder in FilesList adds the files below it
    bool StorePaths = false;             // false: entries are named by the file name alone
    int PackLevel = 6;                   // 0..9
    TEndZipFileEvent OnEndZip;
    // Called after every block written to the archive (and while waiting for packed files): the window
    // layer lets pending events through here so that long archives do not freeze it.
    std::function<void()> DoProcessMessages;
    // Threads that compress files ahead of writing: 0 = one per core (at most 4); 1 = none, everything
    // on the calling thread. The archive's bytes are the same either way.
    int Threads = 0;

    // Writes ZipName. Throws std::runtime_error naming ZipName when it cannot be created.
    int Zip();
    // Writes the archive to sink instead (tests, other outputs). The sink must allow seeking back.
    int Zip(ZipSink& sink);

    // The entries of the last archive, in the order written.
    [[nodiscard]] const std::vector<TZipHeaderInfo>& Entries() const { return entries_; }

private:
    int Write(ZipSink& sink, const std::string& archivePath);
    void CheckSettings() const;

    std::vector<TZipHeaderInfo> entries_;
};

}  // namespace qel::zip
