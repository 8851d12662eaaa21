#include "packagefixture.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace qel::test {
namespace fs = std::filesystem;

PackageFixture::PackageFixture()
{
    std::string pattern = (fs::temp_directory_path() / "package-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    root_ = std::string(::mkdtemp(buffer.data())) + "/";
    Write("app/build/setup.pak", kSetupBytes);
    Write("app/build/install.pak", kInstallPakBytes);
    Write("app/build/Saver.pak", kSaverBytes);
    Write("app/build/Uninstall.pak", kUninstallBytes);
    Write("exe/QelMpegDll.dll", kDecoderBytes);
    fs::create_directories(root_ + "work");
    fs::create_directories(root_ + "out");
}

PackageFixture::~PackageFixture()
{
    std::error_code ec;
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
}

std::string PackageFixture::Write(const std::string& relative, const std::string& bytes) const
{
    const fs::path p = root_ + relative;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
}

void PackageFixture::WriteSettings(const settings::SaverSettings& s) const
{
    settings::SaveSettings(root_ + "work/" + settings::kBuildSettingsFileName, s);
}

builder::BuildInputs PackageFixture::Inputs(const std::string& name, const std::string& package) const
{
    builder::BuildInputs in;
    in.name = name;
    in.workFolder = root_ + "work/";
    in.programFolder = root_ + "exe/";
    in.appPath = root_ + "app/";
    in.packagePath = root_ + package;
    return in;
}

std::string PackageFixture::Build(const std::string& name, const std::string& package) const
{
    const builder::BuildInputs in = Inputs(name, package);
    builder::BuildPackage(in, {});
    return in.packagePath;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace qel::test
