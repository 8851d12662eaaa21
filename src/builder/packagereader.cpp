#include "builder/packagereader.h"

#include <map>
#include <set>
#include <unordered_set>

#include "base/text.h"
#include "settings/saversettings.h"

namespace qel::builder {
namespace {

std::string Quoted(const std::string& s)
{
    return "\"" + s + "\"";
}

}  // namespace

PackageReader::PackageReader(const zip::ByteSource& package, const PackageLimits& limits)
    : package_(package), limits_(limits)
{
    try {
        if (ReadTrailer() && ReadInstallIni() && ReadArchive())
            MatchFiles();
    } catch (const zip::ReadError& e) {
        Fatal(e.what());
    }
}

PackageReader::~PackageReader() = default;

bool PackageReader::Usable() const
{
    for (const PackageProblem& p : problems_) {
        if (p.fatal)
            return false;
    }
    return true;
}

std::string PackageReader::FatalProblems() const
{
    std::string text;
    for (const PackageProblem& p : problems_) {
        if (p.fatal)
            text += (text.empty() ? "" : "\n") + p.text;
    }
    return text;
}

bool PackageReader::ReadTrailer()
{
    const std::uint64_t size = package_.Size();
    if (size < kTrailerSize) {
        Fatal(package_.Name() + " is not a package: it is too short");
        return false;
    }
    std::array<std::uint8_t, kTrailerSize> bytes{};
    package_.ReadAt(size - kTrailerSize, bytes.data(), bytes.size());
    trailer_ = DecodeTrailer(bytes.data());
    if (!trailer_) {
        Fatal(package_.Name() + " is not a package, or it is cut short: it does not end in a package trailer");
        return false;
    }
    for (std::size_t i = kTrailerReserved; i < kTrailerSize; ++i) {
        if (bytes[i] != 0) {
            Warn("the reserved bytes of the trailer are not zero");
            break;
        }
    }
    // The pieces follow each other without gaps and the trailer follows the last one: every offset
    // and size is fixed by the ones before it and by the file's real size.
    const PackageTrailer& t = *trailer_;
    const std::uint64_t iniOffset = std::uint64_t(t.installPakOffset) + t.installPakSize;
    const std::uint64_t datOffset = std::uint64_t(t.installIniOffset) + t.installIniSize;
    const std::uint64_t end = std::uint64_t(t.installDatOffset) + t.installDatSize + kTrailerSize;
    const std::string damaged = package_.Name() + " is damaged or cut short: ";
    if (end != size) {
        Fatal(damaged + "its trailer describes a file of " + std::to_string(end) + " bytes, but the file has " +
              std::to_string(size) + " bytes");
        return false;
    }
    // The sizes add up, the pieces do not follow each other: say which two disagree.
    if (t.installIniOffset != iniOffset) {
        Fatal(damaged + "install.pak ends at " + std::to_string(iniOffset) + ", but its trailer puts install.ini at " +
              std::to_string(t.installIniOffset));
        return false;
    }
    if (t.installDatOffset != datOffset) {
        Fatal(damaged + "install.ini ends at " + std::to_string(datOffset) + ", but its trailer puts the archive at " +
              std::to_string(t.installDatOffset));
        return false;
    }
    installPak_ = std::make_unique<zip::RegionSource>(package_, t.installPakOffset, t.installPakSize,
                                                      "install.pak in " + package_.Name());
    installDat_ = std::make_unique<zip::RegionSource>(package_, t.installDatOffset, t.installDatSize,
                                                      "the archive in " + package_.Name());
    return true;
}

bool PackageReader::ReadInstallIni()
{
    const PackageTrailer& t = *trailer_;
    if (t.installIniSize > limits_.maxInstallIniSize) {
        Fatal("install.ini is too large (" + std::to_string(t.installIniSize) + " bytes)");
        return false;
    }
    iniText_.assign(t.installIniSize, '\0');
    package_.ReadAt(t.installIniOffset, reinterpret_cast<std::uint8_t*>(iniText_.data()), iniText_.size());
    ini_ = settings::IniFile::FromText(iniText_);

    saverName_ = ini_.ReadString(kSettingsSection, kSaverNameKey, "");
    if (saverName_.empty())
        Fatal("install.ini names no screen saver (section \"Settings\", key \"SaverName\")");

    std::unordered_set<std::string> seen;
    int programs = 0;
    for (const std::string& key : ini_.ReadSection(kFilesSection)) {
        if (!IsSafeEntryName(key)) {
            Fatal("install.ini lists a file name that is not allowed: " + Quoted(key));
            continue;
        }
        std::string lower = base::AsciiLower(key);
        if (!seen.insert(lower).second) {
            Fatal("install.ini lists " + Quoted(key) + " more than once");
            continue;
        }
        const std::string value = ini_.ReadString(kFilesSection, key, "");
        const auto kind = ParseKind(value);
        if (!kind) {
            Fatal("install.ini gives " + Quoted(key) + " the unknown kind " + Quoted(value));
            continue;
        }
        if (*kind == FileKind::SaverProgram)
            ++programs;
        fileIndex_.emplace(std::move(lower), files_.size());
        files_.push_back({key, *kind, nullptr});
    }
    if (programs != 1)
        Fatal(programs == 0 ? "install.ini lists no screen-saver program"
                            : "install.ini lists several screen-saver programs");
    for (const char* required : {settings::kBuildSettingsFileName, kDecoderLibrary, kUninstallEntry}) {
        const PackageFile* f = Find(required);
        if (!f || f->kind != FileKind::Support)
            Fatal("install.ini does not list " + Quoted(required) + " as a support file");
    }
    return true;
}

bool PackageReader::ReadArchive()
{
    try {
        archive_ = std::make_unique<zip::ZipReader>(*installDat_, limits_.archive);
    } catch (const zip::ZipReadError& e) {
        Fatal(e.what());
        return false;
    }
    return true;
}

void PackageReader::MatchFiles()
{
    std::map<std::string, const zip::ZipEntry*> byKey;
    // A name that was not UTF-8 on the sender's side is stored as it was, and listed so.
    std::map<std::string, const zip::ZipEntry*> byRawName;
    for (const zip::ZipEntry& e : archive_->Entries()) {
        if (!IsSafeEntryName(e.name) || !IsSafeEntryName(e.rawName)) {
            Fatal("the archive holds an entry whose name is not allowed: " + Quoted(e.name));
            continue;
        }
        if (!byKey.emplace(base::AsciiLower(e.name), &e).second)
            Fatal("the archive holds " + Quoted(e.name) + " more than once");
        byRawName.emplace(base::AsciiLower(e.rawName), &e);
    }
    std::set<const zip::ZipEntry*> listed;
    for (PackageFile& f : files_) {
        const std::string key = base::AsciiLower(f.key);
        const zip::ZipEntry* entry = nullptr;
        if (auto it = byKey.find(key); it != byKey.end())
            entry = it->second;
        else if (auto raw = byRawName.find(key); raw != byRawName.end())
            entry = raw->second;
        if (!entry) {
            if (f.kind == FileKind::Picture || f.kind == FileKind::Sound)
                Warn("the package lacks the " + std::string(f.kind == FileKind::Picture ? "picture " : "sound ") +
                     Quoted(f.key) + " (it is left out)");
            else
                Fatal("the archive lacks " + Quoted(f.key));
            continue;
        }
        if (!listed.insert(entry).second) {
            Fatal("install.ini lists the entry " + Quoted(entry->name) + " under two names");
            continue;
        }
        f.entry = entry;
    }
    for (const zip::ZipEntry& e : archive_->Entries()) {
        if (!listed.count(&e) && IsSafeEntryName(e.name))
            Warn("the archive holds " + Quoted(e.name) + ", which install.ini does not list (it is left out)");
    }
}

const PackageFile* PackageReader::Find(const std::string& key) const
{
    const auto it = fileIndex_.find(base::AsciiLower(key));
    return it == fileIndex_.end() ? nullptr : &files_[it->second];
}

const PackageFile* PackageReader::SaverProgram() const
{
    for (const PackageFile& f : files_) {
        if (f.kind == FileKind::SaverProgram)
            return &f;
    }
    return nullptr;
}

}  // namespace qel::builder
