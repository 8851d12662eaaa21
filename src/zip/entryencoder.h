#pragma once
// One file turned into an entry's data: its facts (attributes, time, size) and its bytes, stored or
// raw Deflate, with the CRC-32, the sizes and the text mark. Used on the writing thread and, for files
// packed ahead, on helper threads; the same file always gives the same bytes.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <zlib.h>

namespace qel::zip {

// What the file system says about a file to add.
struct FileFacts {
    std::uint32_t attributes = 0;  // read-only / hidden / archive bits
    std::uint32_t unixMode = 0;    // the file's mode when it is executable, else 0
    std::uint32_t dosDateTime = 0;
    std::uint64_t size = 0;  // when it was opened; the entry holds what is actually read
};

// An input file opened for reading (shared with other programs), closed with the object.
class InputFile {
public:
    // Returns an empty object, with the reason in Failure(), when path names no regular file or the
    // file cannot be opened. A FIFO or a device is refused without being opened.
    static InputFile Open(const std::string& path);

    [[nodiscard]] bool IsOpen() const { return file_ != nullptr; }
    [[nodiscard]] std::FILE* Get() const { return file_.get(); }
    [[nodiscard]] const FileFacts& Facts() const { return facts_; }
    [[nodiscard]] const std::string& Failure() const { return failure_; }

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    FileFacts facts_;
    std::string failure_;
};

// Receives entry data in order.
class EntryOutput {
public:
    virtual ~EntryOutput() = default;
    virtual void Data(const std::uint8_t* data, std::size_t n) = 0;
};

struct EncodedEntry {
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint64_t compressedSize = 0;
    bool text = false;
};

// Thrown when a file holds 4 GiB or more: the format's 32-bit sizes cannot describe it.
struct FileTooLargeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class EntryEncoder {
public:
    explicit EntryEncoder(int level);  // 0 = store, 1..9 = Deflate level
    ~EntryEncoder();
    EntryEncoder(const EntryEncoder&) = delete;
    EntryEncoder& operator=(const EntryEncoder&) = delete;

    // Reads file to its end (however long it has become) and hands the entry data to out.
    // Throws std::runtime_error naming path on a read error, FileTooLargeError past 4 GiB.
    EncodedEntry Encode(std::FILE* file, const std::string& path, EntryOutput& out);

private:
    void DeflateChunk(const std::uint8_t* data, std::size_t n, int flush, EntryOutput& out, std::uint64_t& produced);

    int level_;
    z_stream zs_{};
    bool zsReady_ = false;
    std::vector<std::uint8_t> in_;
    std::vector<std::uint8_t> out_;
};

}  // namespace qel::zip
