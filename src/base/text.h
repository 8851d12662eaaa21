#pragma once
// Case rules for file names, extensions, INI sections and keys. Only the ASCII letters fold: the
// program's texts are bytes in no particular encoding, and folding by the user's locale would make
// the same file compare differently on two machines.

#include <string>
#include <string_view>

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

}  // namespace qel::base
