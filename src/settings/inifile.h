#pragma once
// The settings reader: an INI text held in memory, with the rules every settings file relies on.
//
//  - Lines are split at CR LF, LF or CR. Empty lines and lines beginning with ";" are skipped.
//  - "[name]" opens a section (name untrimmed). Other lines are kept as they stand in the section
//    opened last; lines before the first section are dropped.
//  - Section and key names compare without regard to ASCII letter case. The first section of a
//    name wins; within it the first line with a matching key wins.
//  - A line's key is its text before the first "=" (empty without "="), its value the rest.
//  - Integers: "0x"/"0X" + hex digits, "$" + hex digits, or decimal; anything else gives the default.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qel::settings {

class IniFile {
public:
    IniFile() = default;

    // Reads the whole file. A missing or unreadable file gives an empty reader, and so does a file
    // too large to be a settings file (over kMaxFileSize bytes): every read then gives its default.
    // Problem() says why when the file exists but was not read whole.
    static IniFile Open(const std::string& path);
    static IniFile FromText(std::string_view text);

    static constexpr std::uintmax_t kMaxFileSize = 64u * 1024 * 1024;
    // The longest line the format needs, with room to spare: a path of the longest length the file
    // system takes at once (4096 bytes) and "=". Longer lines are kept as they are, but reported.
    static constexpr std::size_t kMaxLineLength = 32u * 1024;

    // What could not be read, in a few words without the path ("Permission denied", "line 2 is
    // longer than 32768 bytes"). Empty when the whole file was read, and when there is no file at all:
    // that is a first run, not a fault. A file with a problem must not be written back from this
    // reader, since what it lost would be lost for good.
    [[nodiscard]] const std::string& Problem() const { return problem_; }

    [[nodiscard]] std::string ReadString(std::string_view section, std::string_view key, const std::string& def) const;
    [[nodiscard]] int ReadInteger(std::string_view section, std::string_view key, int def) const;
    [[nodiscard]] bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    // The key of every line of the section, in file order (empty when the section is missing).
    [[nodiscard]] std::vector<std::string> ReadSection(std::string_view section) const;
    [[nodiscard]] bool SectionExists(std::string_view section) const;

    // Replaces the first line with this key in place, or appends "key=value" to the section, or
    // appends the section at the end.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    // The reader's own form: each section as "[name]", its lines and one empty line, CR LF ends.
    [[nodiscard]] std::string ToText() const;
    // Writes ToText() over `path` (the path given to Open unless another is passed).
    // Throws std::runtime_error naming the file and the cause when the file cannot be written, and
    // when it is the file this reader came from and that had a Problem().
    void UpdateFile() const;
    void UpdateFile(const std::string& path) const;

    [[nodiscard]] const std::string& FileName() const { return path_; }

private:
    struct Section {
        std::string name;
        std::vector<std::string> lines;
        // The first line of each key, by a hash of the key in ASCII lower case (lines whose keys
        // share a hash are told apart by their text): a section of many thousand lines is read and
        // written key by key without scanning it again for each one.
        std::unordered_multimap<std::uint64_t, std::size_t> firstLine;

        void Append(std::string line);
        // The index of the first line of this key, or lines.size() when there is none.
        [[nodiscard]] std::size_t Find(std::string_view key) const;
    };
    const Section* FindSection(std::string_view name) const;
    Section* FindSection(std::string_view name);
    const std::string* FindLine(std::string_view section, std::string_view key) const;

    std::string path_;
    std::string problem_;
    std::vector<Section> sections_;
};

// The integer conversion of the settings reader; returns def when the text does not convert.
int TextToInt(std::string_view text, int def);

}  // namespace qel::settings
