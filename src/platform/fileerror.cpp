#include "platform/fileerror.h"

#include <cerrno>

namespace qel::platform {

FileError::Kind FileError::KindOf(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR: return Kind::Missing;
    case EISDIR: return Kind::Folder;
    case EEXIST:
    case ENOTEMPTY: return Kind::Exists;
    default: return Kind::Other;
    }
}

}  // namespace qel::platform
