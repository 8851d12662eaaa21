#include "settings/listentries.h"

namespace qel::settings {

std::string WhyListCannotHold(std::string_view path)
{
    for (char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '=')
            return "a \"=\"";
        if (u < 0x20 || u == 0x7F)
            return "a control character";
    }
    if (!path.empty() && path.front() == ';')
        return "a \";\" at its start";
    return {};
}

std::vector<std::string> ReadListEntries(const IniFile& ini, std::string_view section)
{
    std::vector<std::string> entries;
    for (const std::string& key : ini.ReadSection(section)) {
        std::string rest = ini.ReadString(section, key, "");
        if (!rest.empty() && rest.back() == '=')
            rest.pop_back();
        entries.push_back(rest.empty() ? key : key + "=" + rest);
    }
    return entries;
}

}  // namespace qel::settings
