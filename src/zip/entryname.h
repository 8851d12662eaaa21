#pragma once
// Entry names. Archive readers take a name as code page 437 unless general-purpose flag bit 11 says
// UTF-8. A name that code page 437 can represent is written in it, so every reader shows it right; a
// name with other characters is written in UTF-8 with bit 11 instead of being forced into code page
// 437 (replacing characters could make two names equal and silently drop a file).

#include <string>
#include <string_view>

namespace qel::zip {

struct EntryName {
    std::string bytes;  // as written into the headers
    bool utf8 = false;  // flag bit 11
    std::string key;    // the name as a reader sees it (UTF-8), ASCII letters lower-cased: equal keys = duplicates
};

// name: a file name or relative path as the file system gives it (UTF-8 on Linux). Bytes that are not
// valid UTF-8 are kept as they are, without bit 11.
[[nodiscard]] EntryName MakeEntryName(std::string_view name);

// Code page 437 bytes (as a reader without bit 11 takes them) to UTF-8.
[[nodiscard]] std::string Cp437ToUtf8(std::string_view bytes);

// The entry name for a file path: the file-name part alone, or with storePaths the whole path without
// its leading "/" and without "." and ".." parts (an archive must not reach outside the folder it is
// unpacked into).
[[nodiscard]] std::string EntryPathFor(const std::string& path, bool storePaths);

}  // namespace qel::zip
