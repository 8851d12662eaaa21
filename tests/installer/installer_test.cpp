// Installing a package for a user and removing it again: files where they belong, the settings
// pointing at the installed copies, nothing left behind by a damaged package, and an uninstaller
// that removes exactly what was installed.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "builder/packagereader.h"
#include "installer/installation.h"
#include "installer/manifest.h"
#include "installer/requirements.h"
#include "installer/uninstallation.h"
#include "packagefixture.h"
#include "settings/saversettings.h"
#include "zip/bytesource.h"

namespace qel::installer {
namespace {
namespace fs = std::filesystem;
using test::PackageFixture;
using test::ReadFile;

std::vector<std::string> Tree(const std::string& folder)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        out.push_back(fs::relative(it->path(), folder).string());
    std::sort(out.begin(), out.end());
    return out;
}

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 0777;
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        home_ = f_.Path("home");
        fs::create_directories(home_);
        ::setenv("HOME", home_.c_str(), 1);
        ::unsetenv("XDG_DATA_HOME");
        settings::SaverSettings s;
        s.interval = 7;
        s.transSetup = "0101";
        // A Latin-1 name, not UTF-8: file names are bytes and must come through unchanged.
        s.images = {f_.Write("a/Sun.jpg", "red"), f_.Write("b/sun.JPG", "blue"), f_.Path("gone.jpg"),
                    f_.Write("c/caf\xE9.jpg", "latin")};
        s.sounds = {f_.Write("m/tune.mp3", "la la la")};
        f_.WriteSettings(s);
        package_ = f_.Build("My Garden");
    }

    PackageFixture f_;
    std::string home_;
    std::string package_;
};

TEST_F(InstallerTest, InstallsForTheUserAndUninstallsWithoutATrace)
{
    const zip::FileSource source(package_);
    const builder::PackageReader package(source);
    Installation install(package);
    const std::string target = home_ + "/.local/share/qelsaver/savers/My_Garden/";
    EXPECT_EQ(install.Target(), target);
    EXPECT_FALSE(install.ReplacesEarlier());
    install.Run();

    EXPECT_EQ(Tree(target),
              (std::vector<std::string>{"My_Garden.scr", "Pictures", "Pictures/caf\xE9.jpg", "Pictures/sun.jpg",
                                        "Pictures/sun1.jpg", "QelMpegDll.dll", "QelSetup.dat", "Sounds",
                                        "Sounds/tune.mp3", "Uninstall.exe", "Uninstall.ini"}));
    EXPECT_EQ(ReadFile(target + "Pictures/sun1.jpg"), "blue");
    EXPECT_EQ(ReadFile(target + "Pictures/caf\xE9.jpg"), "latin");
    EXPECT_EQ(ModeOf(target + "My_Garden.scr"), 0755u);
    EXPECT_EQ(ModeOf(target + "Pictures/sun.jpg"), 0644u);
    const settings::SaverSettings installed =
        settings::LoadSettings(target + "QelSetup.dat", settings::SettingsReader::Editor);
    EXPECT_EQ(installed.images, (std::vector<std::string>{target + "Pictures/sun.jpg", target + "Pictures/sun1.jpg",
                                                          target + "Pictures/caf\xE9.jpg"}));
    EXPECT_EQ(installed.sounds, (std::vector<std::string>{target + "Sounds/tune.mp3"}));
    EXPECT_EQ(installed.interval, 7);
    EXPECT_EQ(installed.transSetup, "0101");

    // The same package again replaces the earlier install in its folder.
    Installation again(package);
    EXPECT_EQ(again.Target(), target);
    EXPECT_TRUE(again.ReplacesEarlier());
    again.Run();
    EXPECT_EQ(Tree(target).size(), 11u);

    const UninstallReport report = Uninstall(target);
    EXPECT_TRUE(report.folderRemoved);
    EXPECT_TRUE(report.kept.empty());
    EXPECT_TRUE(Tree(home_).empty()) << "the folders the installer made above the saver's go too";
}

TEST_F(InstallerTest, FilesOfTheUsersStayWithTheirFolder)
{
    const zip::FileSource source(package_);
    const builder::PackageReader package(source);
    Installation install(package);
    install.Run();
    f_.Write("home/.local/share/qelsaver/savers/My_Garden/Pictures/mine.jpg", "mine");
    const UninstallReport report = Uninstall(install.Target());
    EXPECT_FALSE(report.folderRemoved);
    EXPECT_EQ(Tree(install.Target()), (std::vector<std::string>{"Pictures", "Pictures/mine.jpg"}));
}

TEST_F(InstallerTest, ADamagedPackageLeavesNothingBehind)
{
    // One byte of a picture's data changed: the archive's directory is sound, its CRC is not.
    std::string bytes = ReadFile(package_);
    {
        const zip::FileSource source(package_);
        const builder::PackageReader package(source);
        const std::uint64_t at = package.Trailer()->installDatOffset + package.Find("sun1.jpg")->entry->dataOffset;
        bytes[at] ^= 0x20;
    }
    const std::string damaged = f_.Write("out/damaged.run", bytes);
    const zip::FileSource source(damaged);
    const builder::PackageReader package(source);
    ASSERT_TRUE(package.Usable());
    Installation install(package);
    EXPECT_THROW(install.Run(), InstallError);
    EXPECT_TRUE(Tree(home_).empty());
}

TEST_F(InstallerTest, AFolderWithOtherFilesIsNotATarget)
{
    const zip::FileSource source(package_);
    const builder::PackageReader package(source);
    f_.Write("elsewhere/letter.txt", "dear");
    EXPECT_THROW(Installation(package, f_.Path("elsewhere")), InstallError);
    fs::create_directories(f_.Path("empty"));
    Installation install(package, f_.Path("empty"));
    install.Run();
    EXPECT_TRUE(fs::exists(f_.Path("empty/My_Garden.scr")));
}

TEST(Manifest, NamesThatReachOutsideTheSaversFolderAreDropped)
{
    const std::string sized = "=4 " + std::string(64, 'a') + "\r\n";
    const Manifest m = ParseManifest("[Saver]\r\nFormat=2\r\nName=S\r\nProgram=../S.scr\r\nCreatedParents=99\r\n"
                                     "[Files]\r\nS.scr" +
                                     sized + "../x" + sized + "/etc/passwd" + sized + "Pictures/../x" + sized +
                                     "Pictures/a.jpg" + sized + "Other/b.jpg" + sized + "Sounds/.." + sized +
                                     "[Folders]\r\nPictures=\r\n..=\r\n/tmp=\r\n");
    EXPECT_TRUE(m.valid);
    EXPECT_EQ(m.program, "");
    EXPECT_EQ(m.createdParents, 8);
    ASSERT_EQ(m.files.size(), 2u);
    EXPECT_EQ(m.files[0].path, "S.scr");
    EXPECT_EQ(m.files[1].path, "Pictures/a.jpg");
    EXPECT_EQ(m.folders, (std::vector<std::string>{"Pictures"}));
    // Another program's "Uninstall.ini", or a file listed without its size and content hash, is no
    // record of ours: nothing it names may be removed.
    EXPECT_FALSE(ParseManifest("[Files]\r\nthesis.odt=\r\n").valid);
    EXPECT_FALSE(ParseManifest("[Saver]\r\nFormat=2\r\n[Files]\r\nthesis.odt=\r\n").valid);
}

TEST(Requirements, AMissingLibraryIsNamedWithThePackageThatBringsIt)
{
    const Requirements r = ParseRequirements("[Libraries]\r\nlibc.so.6=libc6\r\nlibqel-absent.so.9=qel-absent9\r\n"
                                             "[Files]\r\n/nonexistent/plugin.so=qel-plugins\r\n");
    const std::vector<MissingPiece> missing = CheckRequirements(r);
    ASSERT_EQ(missing.size(), 2u);
    EXPECT_EQ(missing[0].what, "libqel-absent.so.9");
    EXPECT_EQ(missing[0].package, "qel-absent9");
    EXPECT_EQ(missing[1].package, "qel-plugins");
    EXPECT_NE(MissingMessage(missing).find("sudo apt install qel-absent9 qel-plugins"), std::string::npos);
}

}  // namespace
}  // namespace qel::installer
