#pragma once
// A package described for people: its trailer, its file list, its archive's entries and every
// inconsistency found. Used by `qelsaver-tool package inspect` and the installer's --list.

#include <string>

#include "builder/packagereader.h"

namespace qel::builder {

struct DescribeOptions {
    bool trailer = true;     // the pieces and where they lie
    bool installIni = true;  // the text of install.ini
    bool entries = true;     // the archive's entries
};

[[nodiscard]] std::string DescribePackage(const PackageReader& package, const DescribeOptions& options = {});

// The name of a kind as people read it ("program", "support", "picture", "sound").
[[nodiscard]] const char* KindName(FileKind kind);

}  // namespace qel::builder
