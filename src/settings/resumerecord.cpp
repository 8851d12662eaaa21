#include "settings/resumerecord.h"

#include <cinttypes>
#include <cstdio>

namespace qel::settings {

std::string FormatResumeRecord(const ResumeRecord& record)
{
    char text[64];
    std::snprintf(text, sizeof text, "list=%016" PRIx64 "\nlast=%d\n", record.list, record.last);
    return text;
}

std::optional<ResumeRecord> ParseResumeRecord(std::string_view t)
{
    constexpr std::string_view kList = "list=";
    constexpr std::string_view kLast = "\nlast=";
    constexpr std::size_t kHexDigits = 16;
    constexpr std::size_t kMostDigits = 9;  // stays inside an int
    if (t.substr(0, kList.size()) != kList || t.size() < kList.size() + kHexDigits + kLast.size() + 2)
        return std::nullopt;
    ResumeRecord record;
    for (char c : t.substr(kList.size(), kHexDigits)) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return std::nullopt;
        record.list = record.list << 4 | std::uint64_t(d);
    }
    const std::string_view rest = t.substr(kList.size() + kHexDigits);
    if (rest.substr(0, kLast.size()) != kLast || rest.back() != '\n')
        return std::nullopt;
    const std::string_view digits = rest.substr(kLast.size(), rest.size() - kLast.size() - 1);
    if (digits.empty() || digits.size() > kMostDigits || (digits.size() > 1 && digits.front() == '0'))
        return std::nullopt;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        record.last = record.last * 10 + (c - '0');
    }
    return record;
}

}  // namespace qel::settings
