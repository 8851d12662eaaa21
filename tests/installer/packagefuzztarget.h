#pragma once
// What the installer does with the bytes of a package before it writes anything, run on any input:
// the trailer, install.ini, the archive's directory, every listed entry unpacked (into nothing), the
// settings rewritten for the installed copies, install.pak's texts and requirements. The same input
// is read as a bare zip archive and as an uninstaller's manifest too. Nothing may crash, hang or
// grow without bound.

#include <cstddef>
#include <cstdint>

namespace qel::installer {

void FuzzPackage(const std::uint8_t* data, std::size_t size);

}  // namespace qel::installer
