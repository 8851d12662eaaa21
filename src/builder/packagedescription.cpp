#include "builder/packagedescription.h"

#include <cstdio>

#include "zip/zipformat.h"

namespace qel::builder {
namespace {

std::string Line(const char* format, auto... values)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, values...);
    return buffer;
}

}  // namespace

const char* KindName(FileKind kind)
{
    switch (kind) {
    case FileKind::Support: return "support";
    case FileKind::Picture: return "picture";
    case FileKind::Sound: return "sound";
    case FileKind::SaverProgram: return "program";
    }
    return "?";
}

std::string DescribePackage(const PackageReader& package, const DescribeOptions& options)
{
    std::string text;
    if (options.trailer && package.Trailer()) {
        const PackageTrailer& t = *package.Trailer();
        text += "Trailer:\n";
        text += Line("  setup.pak    at %10u  %10u bytes\n", 0u, t.installPakOffset);
        text += Line("  install.pak  at %10u  %10u bytes\n", t.installPakOffset, t.installPakSize);
        text += Line("  install.ini  at %10u  %10u bytes\n", t.installIniOffset, t.installIniSize);
        text += Line("  install.dat  at %10u  %10u bytes\n", t.installDatOffset, t.installDatSize);
    }
    if (!package.SaverName().empty())
        text += "Screen saver: " + package.SaverName() + "\n";
    if (options.installIni && !package.InstallIniText().empty()) {
        text += "install.ini:\n";
        std::string ini = package.InstallIniText();
        std::string line;
        for (char c : ini) {
            if (c == '\n') {
                text += "  " + line + "\n";
                line.clear();
            } else if (c != '\r') {
                line += c;
            }
        }
        if (!line.empty())
            text += "  " + line + "\n";
    }
    if (!package.Files().empty()) {
        text += "Files:\n";
        for (const PackageFile& f : package.Files()) {
            if (f.entry)
                text += Line("  %-8s %12u bytes  %s\n", KindName(f.kind), f.entry->uncompressedSize, f.key.c_str());
            else
                text += Line("  %-8s %12s        %s\n", KindName(f.kind), "(missing)", f.key.c_str());
        }
    }
    if (options.entries && package.Archive()) {
        text += "Archive entries:\n";
        for (const zip::ZipEntry& e : package.Archive()->Entries())
            text += Line("  %-8s %12u -> %12u  crc %08x  %s\n", e.method == zip::kMethodStored ? "stored" : "deflated",
                         e.uncompressedSize, e.compressedSize, e.crc, e.name.c_str());
    }
    if (package.Problems().empty()) {
        text += "No problems found.\n";
    } else {
        text += "Problems:\n";
        for (const PackageProblem& p : package.Problems())
            text += std::string(p.fatal ? "  error: " : "  warning: ") + p.text + "\n";
    }
    return text;
}

}  // namespace qel::builder
