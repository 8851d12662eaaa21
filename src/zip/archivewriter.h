#pragma once
// One archive written from a list of files, in steps: list the files and settle every entry's name
// before the first byte goes out; start the helper threads that pack files ahead; write each entry
// (local header and data) in list order, reporting it when it is out; then the central directory and
// the end record. TZipWriter runs one of these for each archive.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "zip/archiveoutput.h"
#include "zip/encodepool.h"
#include "zip/entryencoder.h"
#include "zip/zipheader.h"
#include "zip/zipsink.h"

namespace qel::zip {

class ArchiveWriter {
public:
    struct Options {
        int level = 6;            // 0 stores every file, 1..kMaxPackLevel is the Deflate level
        bool recurse = false;     // a folder in the list adds the files below it
        bool storePaths = false;  // false: entries are named by the file name alone
        int threads = 0;          // see TZipWriter::Threads
        std::string archivePath;  // the archive's own file, never added to itself; empty: none
    };
    // After each entry: the file's path, its size, the entry's data size, the archive's size so far.
    using EntryWritten = std::function<void(const std::string& path, std::uint64_t uncompressedSize,
                                            std::uint64_t compressedSize, std::uint64_t archiveSize)>;
    // For each listed path that gives no entry, in list order: the path and why ("it is a folder").
    using FileSkipped = std::function<void(const std::string& path, const std::string& reason)>;

    // entries receives each entry's header once its data is out. idle is called after every block of
    // entry data and while waiting for packed files. Both are held by reference.
    ArchiveWriter(ZipSink& sink, Options options, std::vector<TZipHeaderInfo>& entries,
                  const std::function<void()>& idle, EntryWritten entryWritten, FileSkipped fileSkipped = {});
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // Writes the archive of the listed paths; returns the number of entries. Call once.
    int Write(const std::vector<std::string>& filesList);

private:
    struct Item {
        std::string path;
        TZipHeaderInfo header;  // name, flags and the values known before reading
        std::string key;        // duplicate check
    };

    void ListFiles(const std::vector<std::string>& filesList);
    void AddListed(const std::string& path, bool recurse);
    void Skip(const std::string& path, const std::string& reason);
    void NameEntries(bool packAhead);
    void WriteEntries();
    void StreamEntry(Item& item);
    void WritePackedEntry(Item& item, const PackedFile& packed);
    bool BeginEntry(Item& item, const FileFacts& facts);
    void SetEntryValues(Item& item, const EncodedEntry& e) const;
    void AddEntry(const Item& item);
    void ReportProgress(const Item& item, const EncodedEntry& e);
    void WriteCentralDirectory();

    const Options options_;
    std::vector<TZipHeaderInfo>& entries_;
    const std::function<void()>& idle_;
    EntryWritten entryWritten_;
    FileSkipped fileSkipped_;
    ArchiveOutput out_;

    std::vector<std::string> paths_;
    std::vector<Item> items_;              // one for each of paths_
    std::vector<bool> ahead_;              // paths_[i] is packed ahead by the pool
    std::optional<EncodePool> pool_;       // declared after paths_ and ahead_: it reads them until it is gone
    std::optional<EntryEncoder> encoder_;  // for the files packed on this thread
    std::unordered_map<std::string, std::string> written_;  // key of each entry written -> its path
};

}  // namespace qel::zip
