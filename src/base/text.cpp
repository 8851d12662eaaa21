#include "base/text.h"

#include <string>

namespace qel::base {
namespace {

// The length of the UTF-8 sequence at text[at] as Utf8SequenceAt tells it, with its code point.
std::size_t DecodeUtf8At(std::string_view text, std::size_t at, char32_t& codePoint)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(at);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    std::size_t n;
    char32_t cp;
    if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        cp = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - at < n)
        return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (byte(at + i) & 0x3F);
    }
    constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    codePoint = cp;
    return n;
}

}  // namespace

std::string AsciiLower(std::string text)
{
    for (char& c : text)
        c = AsciiLower(c);
    return text;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

std::string FileExtension(std::string_view path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return AsciiLower(std::string(path.substr(dot + 1)));
}

std::size_t Utf8SequenceAt(std::string_view text, std::size_t at)
{
    char32_t ignored;
    return DecodeUtf8At(text, at, ignored);
}

bool IsUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = Utf8SequenceAt(text, at);
        if (n == 0)
            return false;
        at += n;
    }
    return true;
}

std::optional<std::u32string> DecodeUtf8(std::string_view text)
{
    std::u32string out;
    for (std::size_t at = 0; at < text.size();) {
        char32_t cp;
        const std::size_t n = DecodeUtf8At(text, at, cp);
        if (n == 0)
            return std::nullopt;
        out.push_back(cp);
        at += n;
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t codePoint)
{
    const char32_t c = codePoint;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Printable(std::string_view text)
{
    static const char* const kDigits = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\n' && c != '\t') || u == 0x7F) {
            out += "\\x";
            out += kDigits[u >> 4];
            out += kDigits[u & 0xf];
        } else {
            out += c;
        }
    }
    return out;
}

std::string ListedLines(const std::vector<std::string>& lines, std::size_t most)
{
    std::string out;
    for (std::size_t i = 0; i < lines.size() && i < most; ++i)
        out += (i == 0 ? "" : "\n") + lines[i];
    if (lines.size() > most)
        out += (most == 0 ? "" : "\n") + std::string("... and ") + std::to_string(lines.size() - most) + " more.";
    return out;
}

}  // namespace qel::base
