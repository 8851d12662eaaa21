#include "zip/archivewriter.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <stdexcept>

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

void AddListed(const std::string& path, bool recurse, const std::string& archivePath, std::vector<std::string>& out)
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

ArchiveWriter::ArchiveWriter(ZipSink& sink, Options options, std::vector<TZipHeaderInfo>& entries,
                             const std::function<void()>& idle, EntryWritten entryWritten)
    : options_(std::move(options)), entries_(entries), idle_(idle), entryWritten_(std::move(entryWritten)),
      out_(sink, idle)
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
        AddListed(p, options_.recurse, options_.archivePath, paths_);
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
        case PackedFile::State::Skipped: break;
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
    if (!in.IsOpen() || !BeginEntry(item, in.Facts()))
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
    if (written_.count(item.key))
        return false;
    if (entries_.size() >= kMaxEntries)
        throw std::runtime_error("Too many files for one archive (at most " + std::to_string(kMaxEntries) + ")");
    if (facts.size > kMaxSize32)
        throw FileTooLarge(item.path + " is 4 GiB or larger; a zip archive cannot hold it");
    item.header.ExternalAttributes = facts.attributes;
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
    written_.insert(item.key);
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
