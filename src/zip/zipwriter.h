#pragma once
// TZipWriter writes a zip archive in the PKWARE layout: one entry per file (raw Deflate, or stored),
// then the central directory and the end record; one disk, no password, no data descriptors.
//
// Use: set ZipName, fill FilesList with the paths of the files to add, set PackLevel (0 stores every
// file, 1..9 is the Deflate level), call Zip(). Zip returns the number of entries written and empties
// FilesList. Files that name nothing, are no regular files, cannot be opened, or whose entry name
// (ASCII letters compared without case) was already written, are skipped and not counted; Skipped()
// says which and why, for callers that tell the user. A listed file that is the archive itself is
// refused before anything is written. The archive is written beside ZipName and takes its place
// only when complete: on any error the unfinished one is deleted, an archive that was there stays
// as it was, and the error (a std::runtime_error with a message naming the file and the cause;
// NotEnoughRoomError, from zipsink.h, when the disk is full) is passed on.

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

    // Writes ZipName. Throws std::runtime_error naming ZipName when it cannot be created, or naming
    // the listed file that is ZipName itself.
    int Zip();
    // Writes the archive to sink instead (tests, other outputs). The sink must allow seeking back.
    int Zip(ZipSink& sink);

    // The entries of the last archive, in the order written.
    [[nodiscard]] const std::vector<TZipHeaderInfo>& Entries() const { return entries_; }

    struct SkippedFile {
        std::string path;
        std::string reason;  // "it is a folder", "its entry name is taken by /a/Sun.jpg", ...
    };
    // The listed files the last archive left out: those that name no regular file first, then the
    // others in list order.
    [[nodiscard]] const std::vector<SkippedFile>& Skipped() const { return skipped_; }

private:
    int Write(ZipSink& sink, const std::string& archivePath);
    void CheckSettings() const;
    void RefuseTheArchiveAsInput() const;

    std::vector<TZipHeaderInfo> entries_;
    std::vector<SkippedFile> skipped_;
};

}  // namespace qel::zip
