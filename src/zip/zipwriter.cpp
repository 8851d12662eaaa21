#include "zip/zipwriter.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "zip/encodepool.h"
#include "zip/entryencoder.h"
#include "zip/entryname.h"
#include "zip/zipformat.h"

namespace qel::zip {
namespace fs = std::filesystem;

namespace {

// The archive as it is written: everything goes through one 8192-byte buffer. A header that is still
// in the buffer is patched there; one that has gone out is patched by seeking back.
class ArchiveOutput final : public EntryOutput {
public:
    ArchiveOutput(ZipSink& sink, const std::function<void()>& onBlock) : sink_(sink), onBlock_(onBlock) {}

    void Data(const std::uint8_t* p, std::size_t n) override
    {
        inData_ = true;
        Put(p, n);
        inData_ = false;
    }

    void Put(const std::uint8_t* p, std::size_t n)
    {
        while (n > 0) {
            std::size_t k = std::min(n, kOutputBufferSize - used_);
            std::memcpy(buf_ + used_, p, k);
            used_ += k;
            p += k;
            n -= k;
            if (used_ == kOutputBufferSize)
                Flush();
        }
    }
    void Put(const std::vector<std::uint8_t>& bytes) { Put(bytes.data(), bytes.size()); }

    void Flush()
    {
        if (used_ == 0)
            return;
        SinkWrite(buf_, used_);
        flushed_ += used_;
        used_ = 0;
        if (inData_ && onBlock_)
            onBlock_();
    }

    // Overwrites bytes written earlier at offset (not past the current position).
    void Patch(std::uint64_t offset, const std::uint8_t* p, std::size_t n)
    {
        if (offset >= flushed_) {
            std::memcpy(buf_ + (offset - flushed_), p, n);
            return;
        }
        Flush();
        sink_.Seek(offset);
        SinkWrite(p, n);
        sink_.Seek(flushed_);
    }

    [[nodiscard]] std::uint64_t Position() const { return flushed_ + used_; }

private:
    void SinkWrite(const std::uint8_t* p, std::size_t n)
    {
        if (sink_.Write(p, n) != n)
            throw NotEnoughRoom();
    }

    ZipSink& sink_;
    const std::function<void()>& onBlock_;
    std::uint8_t buf_[kOutputBufferSize];
    std::size_t used_ = 0;
    std::uint64_t flushed_ = 0;
    bool inData_ = false;
};

struct Item {
    std::string path;
    TZipHeaderInfo header;   // name, flags and the values known before reading
    std::string key;         // duplicate check
    bool ahead = false;      // packed ahead on a helper thread
};

std::uint16_t LevelFlags(int level)
{
    if (level >= 8)
        return kFlagMaximum;
    if (level == 1 || level == 2)
        return kFlagFast;
    return 0;
}

std::uint32_t Checked32(std::uint64_t v, const std::string& what)
{
    if (v > kMaxSize32)
        throw std::runtime_error(what);
    return static_cast<std::uint32_t>(v);
}

void AddListed(const std::string& path, bool recurse, const std::string& archivePath,
               std::vector<std::string>& out)
{
    std::error_code ec;
    auto st = fs::status(path, ec);
    if (ec)
        return;
    if (fs::is_regular_file(st)) {
        // The archive itself (a name caught by a wildcard) would be read while it grows.
        if (!archivePath.empty() && fs::equivalent(path, archivePath, ec))
            return;
        out.push_back(path);
    } else if (recurse && fs::is_directory(st)) {
        std::vector<std::string> below;
        for (fs::recursive_directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec))
                below.push_back(it->path().string());
        std::sort(below.begin(), below.end());
        for (const auto& p : below)
            AddListed(p, false, archivePath, out);
    }
}

}  // namespace

void TZipWriter::CheckSettings() const
{
    if (PackLevel < 0 || PackLevel > 9)
        throw std::invalid_argument("PackLevel must be 0 to 9, not " + std::to_string(PackLevel));
}

int TZipWriter::Zip()
{
    CheckSettings();
    FileSink sink(ZipName);
    try {
        int count = Write(sink, ZipName);
        sink.Close();
        return count;
    } catch (...) {
        try {
            sink.Close();
        } catch (...) {
        }
        // Only the unfinished archive goes, never a device or such that was named as the archive.
        std::error_code ec;
        if (fs::is_regular_file(fs::symlink_status(ZipName, ec)))
            fs::remove(ZipName, ec);
        throw;
    }
}

int TZipWriter::Zip(ZipSink& sink)
{
    CheckSettings();
    return Write(sink, {});
}

int TZipWriter::Write(ZipSink& sink, const std::string& archivePath)
{
    entries_.clear();
    const int level = PackLevel;

    // The list: plain files only; every name is known before the first byte is written.
    std::vector<std::string> paths;
    for (const auto& p : FilesList)
        AddListed(p, Recurse, archivePath, paths);

    unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    int threads = Threads > 0 ? Threads : static_cast<int>(std::min(cores, 4u));
    const bool parallel = threads > 1 && paths.size() > 1;

    std::vector<Item> items(paths.size());
    std::unordered_set<std::string> listedKeys;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        Item& item = items[i];
        item.path = paths[i];
        EntryName name = MakeEntryName(EntryPathFor(paths[i], StorePaths));
        if (name.bytes.empty() || name.bytes.size() > kMaxNameLength)
            throw std::runtime_error("Cannot name an entry for " + paths[i]);
        auto slash = name.bytes.find_last_of('/');
        item.header.Folder = slash == std::string::npos ? std::string() : name.bytes.substr(0, slash + 1);
        item.header.FileName = name.bytes.substr(item.header.Folder.size());
        item.header.Flags = static_cast<std::uint16_t>((level > 0 ? LevelFlags(level) : 0) |
                                                       (name.utf8 ? kFlagUtf8Name : 0));
        item.header.Method = level > 0 ? kMethodDeflated : kMethodStored;
        item.key = std::move(name.key);
        // A name seen earlier in the list may be a duplicate: decided in turn, never packed ahead.
        item.ahead = parallel && listedKeys.insert(item.key).second;
    }

    std::vector<bool> ahead(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        ahead[i] = items[i].ahead;
    std::optional<EncodePool> pool;
    if (parallel)
        pool.emplace(paths, ahead, level, threads);

    std::optional<EntryEncoder> encoder;
    ArchiveOutput out(sink, DoProcessMessages);
    std::unordered_set<std::string> written;

    // Everything about an entry before its data; false when its name was already written.
    auto begin = [&](Item& item, const FileFacts& facts) {
        if (written.count(item.key))
            return false;
        if (entries_.size() >= kMaxEntries)
            throw std::runtime_error("Too many files for one archive (at most 65535)");
        if (facts.size > kMaxSize32)
            throw FileTooLarge(item.path + " is 4 GiB or larger; a zip archive cannot hold it");
        item.header.ExternalAttributes = facts.attributes;
        item.header.DosDateTime = facts.dosDateTime;
        item.header.UncompressedSize = static_cast<std::uint32_t>(facts.size);
        item.header.LocalHeaderOffset = Checked32(out.Position(), "The archive would pass 4 GiB at " + item.path);
        return true;
    };
    auto finish = [&](Item& item, const EncodedEntry& e) {
        TZipHeaderInfo& h = item.header;
        h.Method = e.method;
        h.Crc32 = e.crc;
        h.CompressedSize = Checked32(e.compressedSize, item.path + " does not fit into a zip archive");
        h.UncompressedSize = Checked32(e.uncompressedSize, item.path + " does not fit into a zip archive");
        h.InternalAttributes = level > 0 && e.text ? kInternalText : kInternalBinary;
        written.insert(item.key);
        entries_.push_back(h);
    };
    auto notify = [&](const Item& item, const EncodedEntry& e) {
        if (OnEndZip)
            OnEndZip(*this, item.path, e.uncompressedSize, e.compressedSize, out.Position());
    };
    // Reads and writes the file on this thread; the header is patched once the data is out.
    auto stream = [&](Item& item) {
        InputFile in = InputFile::Open(item.path);
        if (!in.IsOpen() || !begin(item, in.Facts()))
            return;
        out.Put(LocalHeaderBytes(item.header));
        if (!encoder)
            encoder.emplace(level);
        EncodedEntry e = encoder->Encode(in.Get(), item.path, out);
        finish(item, e);
        auto bytes = LocalHeaderBytes(item.header);
        out.Patch(item.header.LocalHeaderOffset, bytes.data(), kLocalHeaderSize);
        notify(item, e);
    };

    for (std::size_t i = 0; i < items.size(); ++i) {
        Item& item = items[i];
        if (!item.ahead) {
            stream(item);
            continue;
        }
        PackedFile packed = pool->Take(i, DoProcessMessages);
        switch (packed.state) {
        case PackedFile::State::Skipped:
            break;
        case PackedFile::State::Failed:
            std::rethrow_exception(packed.error);
        case PackedFile::State::Deferred:
            stream(item);
            break;
        case PackedFile::State::Ready: {
            if (!begin(item, packed.facts))
                break;
            // The final values are known: header, then data, no patching needed.
            TZipHeaderInfo h = item.header;
            h.Method = packed.entry.method;
            h.Crc32 = packed.entry.crc;
            h.CompressedSize = Checked32(packed.entry.compressedSize, item.path + " does not fit into a zip archive");
            h.UncompressedSize = Checked32(packed.entry.uncompressedSize, item.path + " does not fit into a zip archive");
            out.Put(LocalHeaderBytes(h));
            out.Data(packed.data.data(), packed.data.size());
            finish(item, packed.entry);
            notify(item, packed.entry);
            break;
        }
        }
    }
    pool.reset();

    // Central directory in local-header order (the order written), then the end record.
    TEndCentral end;
    end.CentralOffset = Checked32(out.Position(), "The archive would pass 4 GiB");
    for (const auto& h : entries_)
        out.Put(CentralHeaderBytes(h));
    end.CentralSize = Checked32(out.Position() - end.CentralOffset, "The archive would pass 4 GiB");
    end.EntriesOnDisk = end.TotalEntries = static_cast<std::uint16_t>(entries_.size());
    out.Put(EndRecordBytes(end));
    out.Flush();

    FilesList.clear();
    return static_cast<int>(entries_.size());
}

}  // namespace qel::zip
