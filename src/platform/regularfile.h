#pragma once
// Reading files that the user named. Only a regular file is ever opened: a FIFO, a device or a
// folder given as a picture, a sound or a file to zip is refused from its status alone, so nothing
// waits in open() for a writer that never comes, nothing reads an endless device, and no device is
// opened at all. Every call here may wait on the file system (a network mount that stopped
// answering) and marks that with an UnboundedWait (backgroundtask.h).

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/fileerror.h"

namespace qel::platform {

// A regular file open for reading, closed with the object.
class RegularFile {
public:
    // Opens `path` (links followed) when it names a regular file; throws FileError otherwise.
    static RegularFile Open(const std::string& path);

    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&& other) noexcept;
    ~RegularFile();

    // What the file system said when the file was opened.
    [[nodiscard]] std::uint64_t Size() const { return size_; }
    [[nodiscard]] std::int64_t ModifiedSeconds() const { return modified_; }  // since 1970, UTC
    [[nodiscard]] bool OwnerMayWrite() const { return ownerWrite_; }
    // The whole mode: the file type and the permission bits (st_mode).
    [[nodiscard]] std::uint32_t Mode() const { return mode_; }
    // True when anyone (owner, group or others) may execute the file.
    [[nodiscard]] bool AnyoneMayExecute() const;

    // Reads up to n bytes at the current position: 0 at the end. Throws FileError on a read error.
    std::size_t Read(void* buffer, std::size_t n);

    // The rest of the file. A file that holds more than `limit` bytes (it may have grown since it was
    // opened) is refused with FileError::Kind::TooLarge, after reading at most limit + 1 bytes.
    std::vector<std::uint8_t> ReadAll(std::uint64_t limit);

    // Hands the file over as a stdio stream, which the caller closes; the object is empty afterwards.
    // Throws FileError when the stream cannot be made.
    std::FILE* TakeStream();

private:
    RegularFile() = default;

    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::int64_t modified_ = 0;
    bool ownerWrite_ = false;
    std::uint32_t mode_ = 0;
};

// True when `path` names a regular file (links followed). Never opens it.
[[nodiscard]] bool IsRegularFile(const std::string& path);

// The whole regular file at `path`, refused as a whole (FileError::Kind::TooLarge) when it holds more
// than `limit` bytes.
std::vector<std::uint8_t> ReadRegularFile(const std::string& path, std::uint64_t limit);

}  // namespace qel::platform
