#include "zip/entryencoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "platform/regularfile.h"
#include "zip/zipformat.h"
#include "zip/zipheader.h"

namespace qel::zip {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kOutChunk = 65536;

// Reads until n bytes or the end of the file; throws on a read error.
std::size_t ReadFull(std::FILE* f, std::uint8_t* buf, std::size_t n, const std::string& path)
{
    std::size_t got = 0;
    while (got < n) {
        std::size_t r = std::fread(buf + got, 1, n - got, f);
        got += r;
        if (r == 0) {
            if (std::ferror(f))
                throw std::runtime_error("Cannot read " + path + ": " + std::strerror(errno));
            break;
        }
    }
    return got;
}

void CheckSize(std::uint64_t size, const std::string& path)
{
    if (size > kMaxSize32)
        throw FileTooLargeError(path + " is 4 GiB or larger; a zip archive cannot hold it");
}

}  // namespace

InputFile InputFile::Open(const std::string& path)
{
    InputFile in;
    try {
        platform::RegularFile file = platform::RegularFile::Open(path);
        FileFacts& facts = in.facts_;
        facts.attributes = kAttrArchive;  // no archive flag here: every file counts as not yet backed up
        if (!file.OwnerMayWrite())
            facts.attributes |= kAttrReadOnly;
        const std::string name = fs::path(path).filename().string();
        if (!name.empty() && name[0] == '.')
            facts.attributes |= kAttrHidden;
        // Only executables carry their mode: every other entry stays as it always was.
        if (file.AnyoneMayExecute())
            facts.unixMode = file.Mode() & 0xFFFFu;
        facts.dosDateTime = DosDateTime(file.ModifiedSeconds());
        facts.size = file.Size();
        in.file_.reset(file.TakeStream());
        std::setvbuf(in.file_.get(), nullptr, _IONBF, 0);
    } catch (const platform::FileError& e) {
        in.file_.reset();
        in.failure_ = e.what();
    }
    return in;
}

EntryEncoder::EntryEncoder(int level) : level_(level), in_(kFirstBlockSize + 1), out_(kOutChunk)
{
    if (level_ > 0) {
        if (deflateInit2(&zs_, level_, Z_DEFLATED, -kWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::runtime_error("Cannot start the compressor");
        zsReady_ = true;
        out_.resize(std::max<std::size_t>(kOutChunk, deflateBound(&zs_, kFirstBlockSize + 1)));
    }
}

EntryEncoder::~EntryEncoder()
{
    if (zsReady_)
        deflateEnd(&zs_);
}

void EntryEncoder::DeflateChunk(const std::uint8_t* data, std::size_t n, int flush, EntryOutput& out,
                                std::uint64_t& produced)
{
    zs_.next_in = const_cast<Bytef*>(data);
    zs_.avail_in = static_cast<uInt>(n);
    do {
        zs_.next_out = out_.data();
        zs_.avail_out = static_cast<uInt>(out_.size());
        int rc = deflate(&zs_, flush);
        if (rc == Z_STREAM_ERROR)
            throw std::runtime_error("The compressor failed");
        std::size_t have = out_.size() - zs_.avail_out;
        if (have) {
            out.Data(out_.data(), have);
            produced += have;
        }
    } while (zs_.avail_out == 0 || zs_.avail_in != 0);
}

EncodedEntry EntryEncoder::Encode(std::FILE* file, const std::string& path, EntryOutput& out)
{
    EncodedEntry e;
    // The first block, and one byte more to know whether the file ends within it.
    std::size_t first = ReadFull(file, in_.data(), kFirstBlockSize + 1, path);
    const bool whole = first <= kFirstBlockSize;
    uLong crc = crc32_z(0L, in_.data(), first);
    std::uint64_t total = first;

    const std::size_t counted = std::min(first, kFirstBlockSize);
    std::size_t textBytes = 0;
    for (std::size_t i = 0; i < counted; ++i)
        textBytes += (in_[i] >= kTextByteFirst && in_[i] <= kTextByteLast);
    e.text = textBytes / kTextShare >= counted - textBytes;

    if (level_ == 0) {
        e.method = kMethodStored;
        e.text = false;
        for (std::size_t off = 0; off < first; off += kStoredPiece)
            out.Data(in_.data() + off, std::min(kStoredPiece, first - off));
        if (!whole) {
            for (;;) {
                std::size_t n = ReadFull(file, in_.data(), kStoredPiece, path);
                if (n == 0)
                    break;
                total += n;
                CheckSize(total, path);
                crc = crc32_z(crc, in_.data(), n);
                out.Data(in_.data(), n);
            }
        }
        e.compressedSize = total;
    } else if (whole) {
        // Compress in one go; keep the bytes as they are when that does not make them smaller.
        deflateReset(&zs_);
        zs_.next_in = in_.data();
        zs_.avail_in = static_cast<uInt>(first);
        zs_.next_out = out_.data();
        zs_.avail_out = static_cast<uInt>(out_.size());
        if (deflate(&zs_, Z_FINISH) != Z_STREAM_END)
            throw std::runtime_error("The compressor failed");
        std::size_t packed = out_.size() - zs_.avail_out;
        if (packed < first) {
            e.method = kMethodDeflated;
            out.Data(out_.data(), packed);
            e.compressedSize = packed;
        } else {
            e.method = kMethodStored;
            if (first)
                out.Data(in_.data(), first);
            e.compressedSize = first;
        }
    } else {
        e.method = kMethodDeflated;
        deflateReset(&zs_);
        std::uint64_t produced = 0;
        DeflateChunk(in_.data(), first, Z_NO_FLUSH, out, produced);
        for (;;) {
            std::size_t n = ReadFull(file, in_.data(), in_.size(), path);
            total += n;
            CheckSize(total, path);
            crc = crc32_z(crc, in_.data(), n);
            DeflateChunk(in_.data(), n, n == 0 ? Z_FINISH : Z_NO_FLUSH, out, produced);
            if (n == 0)
                break;
        }
        CheckSize(produced, path);
        e.compressedSize = produced;
    }
    e.crc = static_cast<std::uint32_t>(crc);
    e.uncompressedSize = total;
    return e;
}

}  // namespace qel::zip
