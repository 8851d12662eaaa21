#pragma once
// Files for code that writes what it read from an untrusted source: folders only this user can
// enter, files created only where nothing stands yet (never through a link), moves that never
// replace, and reading at an offset from a file that stays open.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/fileerror.h"

namespace qel::platform {

// Every failure here is a FileError (fileerror.h) whose message names the file and the cause.

// Creates a new folder with a unique name that starts with `prefix`, inside `parent`, which only
// this user may enter (mode 0700). Returns its path. Throws FileError.
std::string MakePrivateFolder(const std::string& parent, const std::string& prefix);

// A file created by this object: the call fails when anything (a file, a folder, a link) already
// has the name. Closed by Close() or the destructor; a file never closed is left as it is.
class NewFile {
public:
    // mode: the permission bits (0644, 0755 ...). Throws FileError.
    NewFile(const std::string& path, mode_t mode);
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Writes everything; throws FileError on a short write (a full disk).
    void Write(const void* data, std::size_t n);
    // Closes; throws FileError when the last bytes cannot be stored.
    void Close();

    [[nodiscard]] const std::string& Path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

// Renames `from` to `to`, failing when anything has the name `to` already. Throws FileError.
void MoveWithoutReplacing(const std::string& from, const std::string& to);

// Creates one folder (not its parents) with the given mode; false when something had the name
// already. Throws FileError for any other failure.
bool MakeFolder(const std::string& path, mode_t mode);

// A file opened for reading at any offset. Throws FileError when it cannot be opened or is not a
// regular file.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // The size when it was opened.
    [[nodiscard]] std::uint64_t Size() const { return size_; }
    // Reads n bytes at offset; returns how many were read (fewer at the end of the file).
    // Throws FileError on a read error.
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t n) const;

    [[nodiscard]] const std::string& Path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// Bytes free for this user on the file system that holds `path`; nothing when it cannot be asked.
std::optional<std::uint64_t> FreeSpace(const std::string& path);

}  // namespace qel::platform
