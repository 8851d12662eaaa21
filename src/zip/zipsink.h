#pragma once
// Where an archive's bytes go. The writer needs only to write at the current position and to jump
// back to patch a header, so a test can hand it memory, or a sink that runs out of room.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace qel::zip {

// A short write to the archive: the disk is full.
struct NotEnoughRoom : std::runtime_error {
    NotEnoughRoom() : std::runtime_error("Not enough room to write archive") {}
};

class ZipSink {
public:
    virtual ~ZipSink() = default;
    // Writes n bytes at the current position and moves past them. Returns how many were written;
    // fewer than n means there was no room (the writer then gives up with NotEnoughRoom).
    virtual std::size_t Write(const std::uint8_t* data, std::size_t n) = 0;
    // Moves the current position to pos (never past the bytes written so far).
    virtual void Seek(std::uint64_t pos) = 0;
};

// An archive file. Created (or truncated) by the constructor, which throws std::runtime_error naming
// the path and the cause when that fails. Unbuffered: the writer brings its own buffer.
class FileSink final : public ZipSink {
public:
    explicit FileSink(const std::string& path);
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    std::size_t Write(const std::uint8_t* data, std::size_t n) override;
    void Seek(std::uint64_t pos) override;
    // Closes the file; throws when the last bytes cannot be stored. Safe to call twice.
    void Close();

private:
    std::string path_;
    std::FILE* file_ = nullptr;
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
