#pragma once
// Reading a package, which may be damaged or built to do harm. The trailer is found at the end of
// the file and every offset and size in it is checked against the file's real size; then
// "install.ini" (bounded in size) and the archive's directory are read and compared with each other.
//
// Nothing here throws for what the package holds: every inconsistency becomes a Problem. A fatal one
// means the package must not be installed (what follows it may not have been read); a warning names
// something the installer passes over, such as a picture the sender's archive lacks.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "builder/packageformat.h"
#include "settings/inifile.h"
#include "zip/bytesource.h"
#include "zip/zipreader.h"

namespace qel::builder {

struct PackageLimits {
    std::uint64_t maxInstallIniSize = 32u << 20;
    zip::ZipLimits archive;
};

struct PackageProblem {
    bool fatal = true;
    std::string text;
};

struct PackageFile {
    std::string key;                       // the key in install.ini (the entry's name)
    FileKind kind = FileKind::Support;     //
    const zip::ZipEntry* entry = nullptr;  // its archive entry; null when the archive lacks it
};

class PackageReader {
public:
    // `package` must outlive the reader.
    explicit PackageReader(const zip::ByteSource& package, const PackageLimits& limits = {});
    ~PackageReader();
    PackageReader(const PackageReader&) = delete;
    PackageReader& operator=(const PackageReader&) = delete;

    // No fatal problem: the package can be installed.
    [[nodiscard]] bool Usable() const;
    [[nodiscard]] const std::vector<PackageProblem>& Problems() const { return problems_; }
    // The fatal problems, one per line.
    [[nodiscard]] std::string FatalProblems() const;

    [[nodiscard]] const std::optional<PackageTrailer>& Trailer() const { return trailer_; }
    [[nodiscard]] const std::string& InstallIniText() const { return iniText_; }
    [[nodiscard]] const settings::IniFile& InstallIni() const { return ini_; }
    [[nodiscard]] const std::string& SaverName() const { return saverName_; }
    // The keys of section "Files", in order, each with its entry.
    [[nodiscard]] const std::vector<PackageFile>& Files() const { return files_; }
    // The archive; null when it could not be read.
    [[nodiscard]] const zip::ZipReader* Archive() const { return archive_.get(); }
    // The installer's own piece; null when the trailer could not be read.
    [[nodiscard]] const zip::ByteSource* InstallPak() const { return installPak_.get(); }
    // The file of the given kind and key (keys compare without regard to ASCII case).
    [[nodiscard]] const PackageFile* Find(const std::string& key) const;
    [[nodiscard]] const PackageFile* SaverProgram() const;

private:
    void Fatal(std::string text) { problems_.push_back({true, std::move(text)}); }
    void Warn(std::string text) { problems_.push_back({false, std::move(text)}); }
    bool ReadTrailer();
    bool ReadInstallIni();
    bool ReadArchive();
    void MatchFiles();

    const zip::ByteSource& package_;
    PackageLimits limits_;
    std::vector<PackageProblem> problems_;
    std::optional<PackageTrailer> trailer_;
    std::unique_ptr<zip::RegionSource> installPak_;
    std::unique_ptr<zip::RegionSource> installDat_;
    std::string iniText_;
    settings::IniFile ini_;
    std::string saverName_;
    std::vector<PackageFile> files_;
    // Each file's index in files_ by its key in lower case.
    std::unordered_map<std::string, std::size_t> fileIndex_;
    std::unique_ptr<zip::ZipReader> archive_;
};

}  // namespace qel::builder
