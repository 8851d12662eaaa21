#pragma once
// Where an archive's bytes go. The writer needs only to write at the current position and to jump
// back to patch a header, so a test can hand it memory, or a sink that runs out of room.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace qel::platform {
class ReplacementFile;
}

namespace qel::zip {

// A short write to the archive: the disk is full.
struct NotEnoughRoomError : std::runtime_error {
    NotEnoughRoomError() : std::runtime_error("Not enough room to write archive") {}
};

class ZipSink {
public:
    virtual ~ZipSink() = default;
    // Writes n bytes at the current position and moves past them. Returns how many were written;
    // fewer than n means there was no room (the writer then gives up with NotEnoughRoomError).
    virtual std::size_t Write(const std::uint8_t* data, std::size_t n) = 0;
    // Moves the current position to pos (never past the bytes written so far).
    virtual void Seek(std::uint64_t pos) = 0;
};

// An archive file, written beside the path and put in its place by Close (see
// platform::ReplacementFile): until then an archive of that name stays as it was, and a failure
// leaves it so. The constructor throws std::runtime_error naming the path and the cause when the new
// file cannot be created. Unbuffered: the writer brings its own buffer.
class FileSink final : public ZipSink {
public:
    explicit FileSink(const std::string& path);
    ~FileSink() override;  // without Close, the new file goes and the old one stays
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    std::size_t Write(const std::uint8_t* data, std::size_t n) override;
    void Seek(std::uint64_t pos) override;
    // Puts the finished archive in place; throws when it cannot be stored. Safe to call twice.
    void Close();

private:
    std::string path_;
    std::unique_ptr<platform::ReplacementFile> file_;
};

// An archive in memory; capacity limits how many bytes fit (a full sink writes short).
class MemorySink final : public ZipSink {
public:
    explicit MemorySink(std::size_t capacity = SIZE_MAX) : capacity_(capacity) {}

    std::size_t Write(const std::uint8_t* data, std::size_t n) override;
    void Seek(std::uint64_t pos) override;

    [[nodiscard]] const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::size_t capacity_;
    std::size_t pos_ = 0;
    std::vector<std::uint8_t> bytes_;
};

}  // namespace qel::zip
