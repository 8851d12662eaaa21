#pragma once
// Writing a file so that a failure never costs the user the file that was there: the bytes go to a
// new file beside it, which takes its place in one step once everything is written and on the disk.
// A full disk, a read-only folder or a crash on the way leaves the old file as it was and no partial
// file behind. A symbolic link keeps pointing where it did (the file it names is replaced), and a
// replaced file keeps its permission bits. A path that names something other than a regular file (a
// device such as /dev/stdout) is written in place: there is no file to keep.
//
// The first ReplacementFile of the process makes the kernel's file-size limit (ulimit -f) a write
// error (EFBIG) instead of a signal that ends the program half-way through a write.

#include <cstddef>
#include <cstdint>
#include <string>

namespace qel::platform {

class ReplacementFile {
public:
    // What Commit waits for. OnDisk: the new file and its name are on the disk before Commit
    // returns (settings, packages: what the user could not make again). InPlace: the new file takes
    // the old one's place in one step, but the system writes it to the disk when it will (outputs
    // that a command makes again, for which waiting on the disk would cost more than the work).
    enum class Durability { OnDisk, InPlace };

    // Creates the new file; Error() tells whether that worked.
    explicit ReplacementFile(std::string path, Durability durability = Durability::OnDisk);
    ~ReplacementFile();  // Discard() unless committed
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // The system's error number of the first failure; 0 while all is well.
    [[nodiscard]] int Error() const { return error_; }

    // Writes n bytes at the current position. Returns how many were written: fewer than n after a
    // failure (a full disk gives ENOSPC, the file-size limit EFBIG).
    std::size_t Write(const void* data, std::size_t n);
    // Moves the current position to pos. False on failure.
    bool Seek(std::uint64_t pos);

    // Puts the new file in the place of the old one (on the disk, for OnDisk). False (and nothing replaced) on
    // failure, or when an earlier call failed.
    bool Commit();
    // Removes the new file; the old one stays as it was.
    void Discard();

private:
    void Fail(int error);

    std::string path_;  // what is replaced (a link's target)
    Durability durability_;
    std::string temp_;  // the new file beside it; empty when writing in place
    int fd_ = -1;
    int error_ = 0;
    bool committed_ = false;
};

}  // namespace qel::platform
