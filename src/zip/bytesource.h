#pragma once
// Bytes to read at any offset: a file, a block of memory, or a stretch of either. The readers of
// archives and packages see their input only through this, so the same code reads a file on disk,
// a piece inside a larger file, and the fuzzer's memory.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

namespace qel::platform {
class ReadOnlyFile;
}

namespace qel::zip {

// Input that ends before the bytes asked for, or cannot be read.
struct ReadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class ByteSource {
public:
    virtual ~ByteSource() = default;
    [[nodiscard]] virtual std::uint64_t Size() const = 0;
    // Reads exactly n bytes at offset; throws ReadError when they are not all there.
    virtual void ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t n) const = 0;
    // What the bytes are, for messages ("setup.run", "the archive in setup.run").
    [[nodiscard]] virtual std::string Name() const = 0;
};

class MemorySource final : public ByteSource {
public:
    MemorySource(std::span<const std::uint8_t> bytes, std::string name) : bytes_(bytes), name_(std::move(name)) {}
    [[nodiscard]] std::uint64_t Size() const override { return bytes_.size(); }
    void ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t n) const override;
    [[nodiscard]] std::string Name() const override { return name_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::string name_;
};

// A file, open for as long as the source lives. Throws ReadError when it cannot be opened.
class FileSource final : public ByteSource {
public:
    explicit FileSource(const std::string& path, std::string name = {});
    ~FileSource() override;
    [[nodiscard]] std::uint64_t Size() const override;
    void ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t n) const override;
    [[nodiscard]] std::string Name() const override { return name_; }

private:
    std::unique_ptr<platform::ReadOnlyFile> file_;
    std::string name_;
};

// size bytes of `parent` from offset on, seen as bytes 0..size-1. The stretch must lie inside the
// parent (checked: throws ReadError). The parent must outlive it.
class RegionSource final : public ByteSource {
public:
    RegionSource(const ByteSource& parent, std::uint64_t offset, std::uint64_t size, std::string name);
    [[nodiscard]] std::uint64_t Size() const override { return size_; }
    void ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t n) const override;
    [[nodiscard]] std::string Name() const override { return name_; }

private:
    const ByteSource& parent_;
    std::uint64_t offset_;
    std::uint64_t size_;
    std::string name_;
};

}  // namespace qel::zip
