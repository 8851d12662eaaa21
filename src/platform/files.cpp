#include "platform/files.h"

#include <cstring>
#include <stdexcept>

#include "platform/replacementfile.h"

namespace qel::platform {

void WriteFileAtomically(const std::string& path, std::string_view data)
{
    ReplacementFile file(path);
    if (file.Write(data.data(), data.size()) == data.size() && file.Commit())
        return;
    throw std::runtime_error("Cannot write file \"" + path + "\". " + std::strerror(file.Error()));
}

}  // namespace qel::platform
