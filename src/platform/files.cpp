#include "platform/files.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace qel::platform {

void WriteFileAtomically(const std::string& path, std::string_view data)
{
    auto fail = [&](int err) { throw std::runtime_error("Cannot write file \"" + path + "\". " + std::strerror(err)); };
    if (path.empty())
        fail(ENOENT);
    std::string temp = path + ".tmp" + std::to_string(::getpid());
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f)
        fail(errno);
    size_t written = data.empty() ? 0 : std::fwrite(data.data(), 1, data.size(), f);
    int err = written == data.size() ? 0 : (errno ? errno : ENOSPC);
    if (std::fflush(f) != 0 && !err)
        err = errno;
    if (!err && ::fsync(fileno(f)) != 0 && errno != EINVAL)
        err = errno;
    if (std::fclose(f) != 0 && !err)
        err = errno;
    if (!err && std::rename(temp.c_str(), path.c_str()) != 0)
        err = errno;
    if (err) {
        std::remove(temp.c_str());
        fail(err);
    }
}

}  // namespace qel::platform
