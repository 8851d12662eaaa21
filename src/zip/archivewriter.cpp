#include "zip/archivewriter.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <unordered_set>

#include "zip/entryname.h"
#include "zip/zipformat.h"

namespace qel::zip {
namespace fs = std::filesystem;

namespace {

std::uint16_t LevelFlags(int level)
{
    if (level >= kMaximumFlagLevel)
        return kFlagMaximum;
    if (level >= 1 && level <= kFastFlagLevel)
        return kFlagFast;
    return 0;
}

std::uint32_t Checked32(std::uint64_t v, const std::string& what)
{
    if (v > kMaxSize32)
        throw std::runtime_error(what);
    return static_cast<std::uint32_t>(v);
}

}  // namespace

ArchiveWriter::ArchiveWriter(ZipSink& sink, Options options, std::vector<TZipHeaderInfo>& entries,
                             const std::function<void()>& idle, EntryWritten entryWritten, FileSkipped fileSkipped)
    : options_(std::move(options)), entries_(entries), idle_(idle), entryWritten_(std::move(entryWritten)),
      fileSkipped_(std::move(fileSkipped)), out_(sink, idle)
{
}

int ArchiveWriter::Write(const std::vector<std::string>& filesList)
{
    ListFiles(filesList);
    const int threads = EncodePool::ThreadsFor(options_.threads);
    const bool packAhead = threads > 1 && paths_.size() > 1;
    NameEntries(packAhead);
    if (packAhead)
        pool_.emplace(paths_, ahead_, options_.level, threads);
    WriteEntries();
    pool_.reset();
    WriteCentralDirectory();
    return static_cast<int>(entries_.size());
}

// Plain files only, so that every name is known before the first byte is written.
void ArchiveWriter::ListFiles(const std::vector<std::string>& filesList)
{
    for (const auto& p : filesList)
        AddListed(p, options_.recurse);
}

void ArchiveWriter::AddListed(const std::string& path, bool recurse)
{
    std::error_code ec;
    const auto st = fs::status(path, ec);
    if (ec && st.type() != fs::file_type::not_found) {
        Skip(path, ec.message());
        return;
    }
    if (fs::is_regular_file(st)) {
        // The archive itself (met inside a listed folder) would be read while it is replaced.
        if (!options_.archivePath.empty() && fs::equivalent(path, options_.archivePath, ec)) {
            Skip(path, "it is the archive itself");
            return;
        }
        paths_.push_back(path);
    } else if (recurse && fs::is_directory(st)) {
        std::vector<std::string> below;
        for (fs::recursive_directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec))
                below.push_back(it->path().string());
        std::sort(below.begin(), below.end());
        for (const auto& p : below)
            AddListed(p, false);
    } else if (!fs::exists(st)) {
        Skip(path, "No such file or directory");
    } else if (fs::is_directory(st)) {
        Skip(path, "it is a folder");
    } else if (fs::is_fifo(st)) {
        Skip(path, "it is a pipe (FIFO), not a file");
    } else if (fs::is_character_file(st) || fs::is_block_file(st)) {
        Skip(path, "it is a device, not a file");
    } else {
        Skip(path, "it is not a regular file");
    }
}

void ArchiveWriter::Skip(const std::string& path, const std::string& reason)
{
    if (fileSkipped_)
        fileSkipped_(path, reason);
}

// Every entry's name, flags and method, checked before anything is written.
void ArchiveWriter::NameEntries(bool packAhead)
{
    const int level = options_.level;
    items_.resize(paths_.size());
    ahead_.assign(paths_.size(), false);
    std::unordered_set<std::string> listedKeys;
    for (std::size_t i = 0; i < paths_.size(); ++i) {
        Item& item = items_[i];
        item.path = paths_[i];
        EntryName name = MakeEntryName(EntryPathFor(item.path, options_.storePaths));
        if (name.bytes.empty() || name.bytes.size() > kMaxNameLength)
            throw std::runtime_error("Cannot name an entry for " + item.path);
        auto slash = name.bytes.find_last_of('/');
        item.header.Folder = slash == std::string::npos ? std::string() : name.bytes.substr(0, slash + 1);
        item.header.FileName = name.bytes.substr(item.header.Folder.size());
        item.header.Flags = static_cast<std::uint16_t>(LevelFlags(level) | (name.utf8 ? kFlagUtf8Name : 0));
        item.header.Method = level > 0 ? kMethodDeflated : kMethodStored;
        item.key = std::move(name.key);
        // A name seen earlier in the list may be a duplicate: decided in turn, never packed ahead.
        ahead_[i] = packAhead && listedKeys.insert(item.key).second;
    }
}

void ArchiveWriter::WriteEntries()
{
    for (std::size_t i = 0; i < items_.size(); ++i) {
        Item& item = items_[i];
        if (!ahead_[i]) {
            StreamEntry(item);
            continue;
        }
        PackedFile packed = pool_->Take(i, idle_);
        switch (packed.state) {
        case PackedFile::State::Skipped: Skip(item.path, packed.skipReason); break;
        case PackedFile::State::Failed: std::rethrow_exception(packed.error);
        case PackedFile::State::Deferred: StreamEntry(item); break;
        case PackedFile::State::Ready: WritePackedEntry(item, packed); break;
        }
    }
}

// Reads and packs the file on this thread; the local header goes out first and is patched once the
// data is out.
void ArchiveWriter::StreamEntry(Item& item)
{
    InputFile in = InputFile::Open(item.path);
    if (!in.IsOpen()) {
        Skip(item.path, in.Failure());
        return;
    }
    if (!BeginEntry(item, in.Facts()))
        return;
    out_.Put(LocalHeaderBytes(item.header));
    if (!encoder_)
        encoder_.emplace(options_.level);
    EncodedEntry e = encoder_->Encode(in.Get(), item.path, out_);
    SetEntryValues(item, e);
    AddEntry(item);
    auto bytes = LocalHeaderBytes(item.header);
    out_.Patch(item.header.LocalHeaderOffset, bytes.data(), kLocalHeaderSize);
    ReportProgress(item, e);
}

// The final values are known: header, then data, no patching needed.
void ArchiveWriter::WritePackedEntry(Item& item, const PackedFile& packed)
{
    if (!BeginEntry(item, packed.facts))
        return;
    SetEntryValues(item, packed.entry);
    out_.Put(LocalHeaderBytes(item.header));
    out_.Data(packed.data.data(), packed.data.size());
    AddEntry(item);
    ReportProgress(item, packed.entry);
}

// Everything about an entry before its data; false when its name was already written.
bool ArchiveWriter::BeginEntry(Item& item, const FileFacts& facts)
{
    if (const auto first = written_.find(item.key); first != written_.end()) {
        Skip(item.path, "its entry name is taken by " + first->second);
        return false;
    }
    if (entries_.size() >= kMaxEntries)
        throw std::runtime_error("Too many files for one archive (at most " + std::to_string(kMaxEntries) + ")");
    if (facts.size > kMaxSize32)
        throw FileTooLargeError(item.path + " is 4 GiB or larger; a zip archive cannot hold it");
    item.header.ExternalAttributes = facts.attributes;
    if (facts.unixMode != 0) {
        item.header.VersionMadeBy = kVersionMadeByUnix;
        item.header.ExternalAttributes |= facts.unixMode << kUnixModeShift;
    }
    item.header.DosDateTime = facts.dosDateTime;
    item.header.UncompressedSize = static_cast<std::uint32_t>(facts.size);
    item.header.LocalHeaderOffset = Checked32(out_.Position(), "The archive would pass 4 GiB at " + item.path);
    return true;
}

// The values known once the file is packed.
void ArchiveWriter::SetEntryValues(Item& item, const EncodedEntry& e) const
{
    TZipHeaderInfo& h = item.header;
    h.Method = e.method;
    h.Crc32 = e.crc;
    h.CompressedSize = Checked32(e.compressedSize, item.path + " does not fit into a zip archive");
    h.UncompressedSize = Checked32(e.uncompressedSize, item.path + " does not fit into a zip archive");
    h.InternalAttributes = options_.level > 0 && e.text ? kInternalText : kInternalBinary;
}

void ArchiveWriter::AddEntry(const Item& item)
{
    written_.emplace(item.key, item.path);
    entries_.push_back(item.header);
}

void ArchiveWriter::ReportProgress(const Item& item, const EncodedEntry& e)
{
    if (entryWritten_)
        entryWritten_(item.path, e.uncompressedSize, e.compressedSize, out_.Position());
}

// Central directory in local-header order (the order written), then the end record.
void ArchiveWriter::WriteCentralDirectory()
{
    TEndCentral end;
    end.CentralOffset = Checked32(out_.Position(), "The archive would pass 4 GiB");
    for (const auto& h : entries_)
        out_.Put(CentralHeaderBytes(h));
    end.CentralSize = Checked32(out_.Position() - end.CentralOffset, "The archive would pass 4 GiB");
    end.EntriesOnDisk = end.TotalEntries = static_cast<std::uint16_t>(entries_.size());
    out_.Put(EndRecordBytes(end));
    out_.Flush();
}

}  // namespace qel::zip
