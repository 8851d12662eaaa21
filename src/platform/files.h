#pragma once
// Writing files so that a failure never leaves a half-written one behind.

#include <string>
#include <string_view>

namespace qel::platform {

// Writes `data` to a new file beside `path`, flushes it to the disk and puts it in the place of
// `path` (see ReplacementFile), so readers see either the old file or the whole new one. A failure
// (full disk, no permission, missing folder) removes the new file and throws std::runtime_error
// naming the file and the cause; the old file is then untouched.
void WriteFileAtomically(const std::string& path, std::string_view data);

}  // namespace qel::platform
