#include "platform/libraries.h"

#include <dlfcn.h>

#include <stdexcept>

namespace qel::platform {

std::optional<std::string> TryLoadLibrary(const std::string& name)
{
    void* handle = ::dlopen(name.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        const char* error = ::dlerror();
        return std::string(error ? error : "cannot be loaded");
    }
    ::dlclose(handle);
    return std::nullopt;
}

LoadedLibrary::LoadedLibrary(const std::string& path)
{
    handle_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* error = ::dlerror();
        throw std::runtime_error(error ? error : ("Cannot load " + path));
    }
}

LoadedLibrary::~LoadedLibrary()
{
    if (handle_)
        ::dlclose(handle_);
}

void* LoadedLibrary::Symbol(const char* name) const
{
    return ::dlsym(handle_, name);
}

}  // namespace qel::platform
