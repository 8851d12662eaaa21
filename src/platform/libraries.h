#pragma once
// Shared libraries loaded while the program runs: asking whether the system can load one, and
// loading a module of our own by its path.

#include <memory>
#include <optional>
#include <string>

namespace qel::platform {

// Loads the library `name` (a file name such as "libQt6Widgets.so.6", found as the system finds
// libraries, or a path) and lets it go again. Returns nothing when it loads, else the loader's
// message, which names the file that is missing.
std::optional<std::string> TryLoadLibrary(const std::string& name);

// A library loaded for as long as the object lives.
class LoadedLibrary {
public:
    // Throws std::runtime_error with the loader's message when it cannot be loaded.
    explicit LoadedLibrary(const std::string& path);
    ~LoadedLibrary();
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    // The address of an exported symbol, or null.
    [[nodiscard]] void* Symbol(const char* name) const;

private:
    void* handle_ = nullptr;
};

}  // namespace qel::platform
