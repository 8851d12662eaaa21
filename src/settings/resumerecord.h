#pragma once
// The text of the saver's resume file, which tells a show restarted by a host where to go on: the
// picture list it was written for, as a fingerprint, and the index of the picture last shown. Exactly two lines,
// "list=<16 lower-case hex digits>" and "last=<decimal index>", each ended by a line feed; any other
// text says nothing reliable (a torn or edited file) and reads as no record.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qel::settings {

struct ResumeRecord {
    std::uint64_t list = 0;  // the fingerprint of the picture list
    int last = 0;            // the index of the picture last shown
};

// The file's text for `record` (a negative index makes a text that reads as no record).
[[nodiscard]] std::string FormatResumeRecord(const ResumeRecord& record);

// The record `text` holds, or nothing when it is not exactly what FormatResumeRecord writes.
[[nodiscard]] std::optional<ResumeRecord> ParseResumeRecord(std::string_view text);

}  // namespace qel::settings
