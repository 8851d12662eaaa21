#pragma once
// Writing the package file: the four pieces one after another, then the trailer. Each piece is copied
// in pieces of kCopyPiece bytes, so a package of several gigabytes needs no more memory than one.

#include <array>
#include <cstddef>
#include <functional>
#include <string>

#include "builder/packageformat.h"

namespace qel::builder {

inline constexpr std::size_t kCopyPiece = 1 << 20;

// pieces: the installer program, install.pak, install.ini and the archive, in this order. The sizes
// are checked against the trailer's 32-bit fields before the package file is created. Throws
// std::runtime_error naming the file and the cause; returns the trailer written.
PackageTrailer WritePackage(const std::string& packagePath, const std::array<std::string, 4>& pieces,
                            const std::function<void()>& idle);

}  // namespace qel::builder
