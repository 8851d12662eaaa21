#pragma once
// Case rules for file names, extensions, INI sections and keys, and the UTF-8 rules for the texts that
// do come in a known encoding (picture metadata, zip entry names). Only the ASCII letters fold: the
// program's texts are bytes in no particular encoding, and folding by the user's locale would make
// the same file compare differently on two machines.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qel::base {

[[nodiscard]] constexpr char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

[[nodiscard]] std::string AsciiLower(std::string text);

// Equal but for the case of ASCII letters.
[[nodiscard]] bool SameText(std::string_view a, std::string_view b);

// The extension of the path's last component, after its last ".", lower case and without the dot;
// empty when that component has no ".".
[[nodiscard]] std::string FileExtension(std::string_view path);

// The length (1 to 4) of the UTF-8 sequence that starts at text[at], or 0 when none does: a stray or
// missing continuation byte, an overlong form, a surrogate or a value past U+10FFFF.
[[nodiscard]] std::size_t Utf8SequenceAt(std::string_view text, std::size_t at);

// The whole text is UTF-8 by the rule of Utf8SequenceAt.
[[nodiscard]] bool IsUtf8(std::string_view text);

// The code points of a UTF-8 text; nullopt when it is not one.
[[nodiscard]] std::optional<std::u32string> DecodeUtf8(std::string_view text);

// Appends the UTF-8 form of a code point (at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t codePoint);

// The text as a terminal or a message box may show it: names from a package and paths on the
// user's system can hold control characters (an escape sequence, a bell, a carriage return), which
// are shown as "\xNN" instead of acting. Line breaks and tabs stay: they belong to the message.
[[nodiscard]] std::string Printable(std::string_view text);

// The lines one below the other, for a message: at most `most` of them, then a line that says how
// many more there are, so that a list of thousands still fits on the screen.
[[nodiscard]] std::string ListedLines(const std::vector<std::string>& lines, std::size_t most);

}  // namespace qel::base
