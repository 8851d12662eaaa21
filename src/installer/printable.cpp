#include "installer/printable.h"

namespace qel::installer {

std::string Printable(const std::string& text)
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

}  // namespace qel::installer
