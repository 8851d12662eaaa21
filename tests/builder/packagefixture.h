#pragma once
// A private folder with what a build needs, for the package tests: an application folder holding
// "build/" with stand-ins for the four prepared files, a decoder library, pictures and sounds, and
// a work folder with the settings. The prepared files are small blobs, each recognisable by its bytes.

#include <string>
#include <vector>

#include "builder/packagebuild.h"
#include "settings/saversettings.h"

namespace qel::test {

class PackageFixture {
public:
    PackageFixture();
    ~PackageFixture();
    PackageFixture(const PackageFixture&) = delete;
    PackageFixture& operator=(const PackageFixture&) = delete;

    [[nodiscard]] const std::string& Root() const { return root_; }  // ends in "/"
    [[nodiscard]] std::string Path(const std::string& relative) const { return root_ + relative; }

    // Writes a file (folders made as needed) and returns its full path.
    std::string Write(const std::string& relative, const std::string& bytes) const;
    // Writes the settings into the work folder as "SaverSetup.dat".
    void WriteSettings(const settings::SaverSettings& s) const;
    // The inputs of a build into `package` (relative to the root).
    [[nodiscard]] builder::BuildInputs Inputs(const std::string& name, const std::string& package) const;
    // Builds and returns the package's full path.
    std::string Build(const std::string& name, const std::string& package = "out/setup.run") const;

    static constexpr const char* kSetupBytes = "installer program";
    static constexpr const char* kInstallPakBytes = "installer piece";
    static constexpr const char* kSaverBytes = "saver program";
    static constexpr const char* kUninstallBytes = "uninstaller";
    static constexpr const char* kDecoderBytes = "decoder library";

private:
    std::string root_;
};

[[nodiscard]] std::string ReadFile(const std::string& path);

}  // namespace qel::test
