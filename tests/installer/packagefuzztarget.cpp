#include "packagefuzztarget.h"

#include <span>
#include <string>

#include "builder/packagedescription.h"
#include "builder/packagereader.h"
#include "installer/installation.h"
#include "installer/installerresources.h"
#include "installer/manifest.h"
#include "settings/saversettings.h"
#include "zip/bytesource.h"
#include "zip/zipreader.h"

namespace qel::installer {
namespace {

// Small enough that a hostile archive cannot make one run take long.
constexpr std::uint64_t kLargestUnpacked = 16u << 20;

zip::ZipLimits FuzzLimits()
{
    zip::ZipLimits limits;
    limits.maxEntrySize = kLargestUnpacked;
    limits.maxTotalSize = kLargestUnpacked;
    return limits;
}

void UnpackAll(const zip::ZipReader& reader)
{
    for (const zip::ZipEntry& e : reader.Entries()) {
        try {
            reader.Extract(e, [](const std::uint8_t*, std::size_t) {});
        } catch (const zip::ZipReadError&) {
        } catch (const zip::ReadError&) {
        }
    }
}

}  // namespace

void FuzzPackage(const std::uint8_t* data, std::size_t size)
{
    const zip::MemorySource input(std::span(data, size), "input");

    builder::PackageLimits limits;
    limits.archive = FuzzLimits();
    const builder::PackageReader package(input, limits);
    static_cast<void>(builder::DescribePackage(package));
    if (package.Archive())
        UnpackAll(*package.Archive());
    if (package.Usable()) {
        std::string settings;
        if (const builder::PackageFile* f = package.Find(settings::kBuildSettingsFileName)) {
            try {
                package.Archive()->Extract(*f->entry, [&](const std::uint8_t* p, std::size_t n) {
                    settings.append(reinterpret_cast<const char*>(p), n);
                });
            } catch (const std::exception&) {
            }
        }
        static_cast<void>(InstalledSettings(settings, package, "/target/"));
    }
    // The install's own plan (what --check runs too), for a folder that does not exist: nothing is written.
    try {
        const Installation plan(package, "/nonexistent-qelsaver-fuzz/target");
        static_cast<void>(plan.Summary());
    } catch (const InstallError&) {
    }
    const InstallerResources resources(package.InstallPak());
    static_cast<void>(resources.Text("Caption", ""));

    try {
        const zip::ZipReader bare(input, FuzzLimits());
        UnpackAll(bare);
    } catch (const std::exception&) {
    }
    static_cast<void>(ParseManifest(std::string(reinterpret_cast<const char*>(data), size)));
}

}  // namespace qel::installer
