#pragma once
// Working inside a folder without ever following a link: the folder is opened once (a link in its
// place is refused), and every file and folder below it is reached relative to that open folder,
// each step refusing a link. Removing, writing and renaming thus act on the very entries that were
// looked at, never on what a link someone put there points to.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qel::platform {

struct EntryStatus {
    enum class Type { Missing, File, Folder, Link, Other };
    Type type = Type::Missing;
    std::uint64_t size = 0;
    dev_t device = 0;
    ino_t inode = 0;
    uid_t owner = 0;
    mode_t mode = 0;  // permission bits
};

class FolderHandle {
public:
    // Opens the folder at `path`. The folders above it are reached as the system finds them; the
    // last one must be a folder itself, not a link to one. Throws FileError.
    static FolderHandle Open(const std::string& path);
    // The same, following a link in the last place too: for a folder the user may keep elsewhere.
    static FolderHandle OpenAsFound(const std::string& path);

    FolderHandle(FolderHandle&& other) noexcept;
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    ~FolderHandle();
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;

    [[nodiscard]] const std::string& Path() const { return path_; }  // for messages; ends without "/"
    [[nodiscard]] std::string PathOf(const std::string& name) const { return path_ + "/" + name; }

    // The folder `name` in this one; a link, a file or nothing there throws FileError.
    [[nodiscard]] FolderHandle OpenFolder(const std::string& name) const;
    // The same, or nothing when `name` is not a folder of its own (a link, a file, missing).
    [[nodiscard]] std::optional<FolderHandle> TryOpenFolder(const std::string& name) const;

    // What `name` is, the link itself when it is one.
    [[nodiscard]] EntryStatus Status(const std::string& name) const;
    [[nodiscard]] EntryStatus Status() const;  // of this folder
    // The names in this folder, without "." and "..".
    [[nodiscard]] std::vector<std::string> Names() const;

    // Reads the regular file `name` (not a link) in pieces; its status when it was opened.
    // Throws FileError.
    EntryStatus ReadFile(const std::string& name,
                         const std::function<void(const std::uint8_t*, std::size_t)>& sink) const;
    // The whole regular file `name`; refused (FileError) when it holds more than `limit` bytes.
    [[nodiscard]] std::string ReadWholeFile(const std::string& name, std::uint64_t limit) const;

    // Writes `data` as `name` in one step: a new file beside it takes its place. Only a regular file
    // or nothing may have the name; a link, a folder or anything else stays and FileError is thrown.
    void WriteFileAtomically(const std::string& name, const std::string& data, mode_t mode) const;

    // Removes `name` when it is a regular file or a link (the link itself). False when it was
    // neither or the system refused.
    bool RemoveFile(const std::string& name) const;
    // Removes the folder `name` when it is empty. False otherwise.
    bool RemoveEmptyFolder(const std::string& name) const;
    // Removes `name` with everything below it, links removed as links. False when something stayed.
    bool RemoveTree(const std::string& name) const;

    // Creates the folder `name`; false when something has the name already. Throws FileError.
    bool MakeFolder(const std::string& name, mode_t mode) const;
    // Gives this folder the permission bits `mode`.
    void SetMode(mode_t mode) const;

    // Renames `name` to `to` in `folder`, failing when something has that name. Throws FileError.
    void Move(const std::string& name, const FolderHandle& folder, const std::string& to) const;
    // Swaps the entries `name` here and `other` in `folder` in one step. False when the file system
    // cannot (nothing changed then); throws FileError for any other failure.
    [[nodiscard]] bool Exchange(const std::string& name, const FolderHandle& folder, const std::string& other) const;
    // Makes `to` in `folder` a second name of the regular file `name`. Throws FileError.
    void HardLink(const std::string& name, const FolderHandle& folder, const std::string& to) const;
    // The text of the link `name`; makes a link `name` with the text `target`. Throw FileError.
    [[nodiscard]] std::string ReadLink(const std::string& name) const;
    void MakeLink(const std::string& target, const std::string& name) const;

    // Takes the exclusive lock of this folder without waiting; false when another process holds it.
    // The lock lasts as long as this handle.
    bool TryLock() const;

private:
    FolderHandle(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_ = -1;
    std::string path_;
};

// The user this process runs as.
[[nodiscard]] uid_t UserId();

// Writes the file at `path` in one step (see FolderHandle::WriteFileAtomically); the folder that
// holds it is opened as the system finds it. For files the program keeps for itself: a link put in
// their place is neither followed nor replaced. Throws FileError.
void WriteOwnFileAtomically(const std::string& path, const std::string& data, mode_t mode = 0644);

}  // namespace qel::platform
