#pragma once
// The one error for a file that cannot be read, written, created or moved. what() is the message the
// thrower chose: the readers of regularfile.h give the cause alone ("it is a folder") so callers can
// name the file in their own words; the writers of safefiles.h name the file and the cause.

#include <stdexcept>
#include <string>

namespace qel::platform {

class FileError : public std::runtime_error {
public:
    enum class Kind {
        Missing,     // no such file, or a folder on the way is missing
        Folder,      // a folder where a file was wanted
        NotRegular,  // a device, a pipe (FIFO), a socket ...
        TooLarge,    // more bytes than the reader allows
        Exists,      // something already has the name that was to be created or moved to
        Other,       // the system's own words ("Permission denied", "No space left on device" ...)
    };
    FileError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    [[nodiscard]] Kind kind() const { return kind_; }

    // The kind that a system error number stands for.
    [[nodiscard]] static Kind KindOf(int error);

private:
    Kind kind_;
};

}  // namespace qel::platform
