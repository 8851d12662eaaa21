// What an install and an uninstall may touch: only what the installer itself wrote, proven by its
// record; never anything reached through a link; an earlier install that stays exactly as it was
// when the new one fails, and keeps the user's files and activation when it succeeds.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "builder/packagereader.h"
#include "hosts/saverhost.h"
#include "hosts/xscreensaverfile.h"
#include "installer/installation.h"
#include "installer/uninstallation.h"
#include "packagefixture.h"
#include "platform/stopsignals.h"
#include "settings/saversettings.h"
#include "zip/bytesource.h"

namespace qel::installer {
namespace {
namespace fs = std::filesystem;
using test::PackageFixture;
using test::ReadFile;

// Every entry below `folder` with its content (links as "-> target"), to tell "exactly as it was".
std::map<std::string, std::string> Snapshot(const std::string& folder)
{
    std::map<std::string, std::string> out;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string rel = fs::relative(it->path(), folder).string();
        const auto st = fs::symlink_status(it->path());
        if (fs::is_symlink(st))
            out[rel] = "-> " + fs::read_symlink(it->path()).string();
        else if (fs::is_regular_file(st))
            out[rel] = ReadFile(it->path().string());
        else
            out[rel] = "(folder)";
    }
    return out;
}

class OwnershipTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        home_ = f_.Path("home");
        fs::create_directories(home_);
        ::setenv("HOME", home_.c_str(), 1);
        ::unsetenv("XDG_DATA_HOME");
        savers_ = home_ + "/.local/share/qelsaver/savers/";
        package_ = BuildWith("My Garden", {});
    }

    // A package of the saver `name` with the pictures sun.jpg ("red") and those given (name, bytes).
    std::string BuildWith(const std::string& name, const std::vector<std::pair<std::string, std::string>>& more)
    {
        settings::SaverSettings s;
        s.images = {f_.Write("a/Sun.jpg", "red")};
        for (const auto& [file, bytes] : more)
            s.images.push_back(f_.Write("more/" + file, bytes));
        f_.WriteSettings(s);
        return f_.Build(name, "out/" + name + std::to_string(++built_) + ".run");
    }

    std::string Install(const std::string& package, const std::string& target = {})
    {
        const zip::FileSource source(package);
        const builder::PackageReader reader(source);
        Installation install(reader, target);
        install.Run();
        return install.Target();
    }

    PackageFixture f_;
    std::string home_;
    std::string savers_;
    std::string package_;
    int built_ = 0;
};

TEST_F(OwnershipTest, OnlyAFolderWithTheInstallersOwnRecordIsAnEarlierInstall)
{
    // Another program's "Uninstall.ini" beside the user's work.
    const std::string work = f_.Path("home/Work");
    f_.Write("home/Work/Uninstall.ini", "[Files]\r\nthesis.odt=\r\n");
    f_.Write("home/Work/thesis.odt", "chapter one");
    const auto before = Snapshot(work);
    EXPECT_THROW(Install(package_, work), InstallError);
    EXPECT_THROW(Uninstall(work), UninstallError);
    EXPECT_EQ(Snapshot(work), before);

    // The default folder of that name is somebody else's: the saver goes beside it.
    f_.Write("home/.local/share/qelsaver/savers/My_Garden/Uninstall.ini", "[Files]\r\nnotes.txt=\r\n");
    f_.Write("home/.local/share/qelsaver/savers/My_Garden/notes.txt", "mine");
    EXPECT_EQ(Install(package_), savers_ + "My_Garden1/");
    EXPECT_EQ(ReadFile(savers_ + "My_Garden/notes.txt"), "mine");
}

TEST_F(OwnershipTest, TheUninstallerKeepsFilesChangedSinceTheInstallAndSaysSo)
{
    const std::string target = Install(package_);
    f_.Write("home/.local/share/qelsaver/savers/My_Garden/Pictures/sun.jpg", "rod");  // same size, other bytes
    f_.Write("home/.local/share/qelsaver/savers/My_Garden/QelSetup.dat", "[Settings]\r\n");
    const UninstallReport report = Uninstall(target);
    EXPECT_FALSE(report.folderRemoved);
    EXPECT_EQ(ReadFile(target + "Pictures/sun.jpg"), "rod");
    const auto kept = Snapshot(target);
    EXPECT_EQ(kept.size(), 3u) << "Pictures, its sun.jpg and QelSetup.dat; every file of the installer's went";
    const auto mentions = [&](const std::string& what) {
        return std::any_of(report.kept.begin(), report.kept.end(),
                           [&](const std::string& k) { return k.find(what) != std::string::npos; });
    };
    EXPECT_TRUE(mentions("Pictures/sun.jpg (changed"));
    EXPECT_TRUE(mentions("QelSetup.dat (changed"));
}

TEST_F(OwnershipTest, NothingIsWrittenOrRemovedThroughALink)
{
    // The saver's folder name is a link to the user's photos, which hold a copy of an install.
    const std::string first = Install(package_);
    fs::rename(first, home_ + "/Photos");
    fs::create_directory_symlink(home_ + "/Photos", savers_ + "My_Garden");
    const auto photos = Snapshot(home_ + "/Photos");
    EXPECT_EQ(Install(package_), savers_ + "My_Garden1/");
    EXPECT_THROW(Install(package_, savers_ + "My_Garden"), InstallError);
    EXPECT_EQ(Snapshot(home_ + "/Photos"), photos);

    // "Pictures" inside an install made a link to a folder with a photo of the same name and bytes.
    const std::string target = savers_ + "My_Garden1/";
    fs::remove_all(target + "Pictures");
    fs::create_directories(home_ + "/Album");
    f_.Write("home/Album/sun.jpg", "red");
    fs::create_directory_symlink(home_ + "/Album", target + "Pictures");
    const UninstallReport report = Uninstall(target);
    EXPECT_EQ(ReadFile(home_ + "/Album/sun.jpg"), "red");
    EXPECT_TRUE(fs::is_symlink(target + "Pictures")) << "the user's link stays";
    EXPECT_FALSE(report.kept.empty());
}

TEST_F(OwnershipTest, AFailedReplacementLeavesTheEarlierInstallExactlyAsItWas)
{
    const std::string target = Install(package_);
    f_.Write("home/.local/share/qelsaver/savers/My_Garden/Pictures/p4.jpg", "the user's");
    const auto before = Snapshot(target);

    // A newer package with its own p4.jpg, damaged in its last picture.
    const std::string newer = BuildWith("My Garden", {{"p4.jpg", "the sender's"}});
    std::string bytes = ReadFile(newer);
    {
        const zip::FileSource source(newer);
        const builder::PackageReader package(source);
        bytes[package.Trailer()->installDatOffset + package.Find("p4.jpg")->entry->dataOffset] ^= 0x20;
    }
    EXPECT_THROW(Install(f_.Write("out/damaged.run", bytes)), InstallError);
    EXPECT_EQ(Snapshot(target), before);
    EXPECT_EQ(Snapshot(savers_).size(), before.size() + 1) << "no private folder is left beside it";

    // The sound newer package: the user's p4.jpg stays, under a name of its own.
    EXPECT_EQ(Install(newer), target);
    EXPECT_EQ(ReadFile(target + "Pictures/p4.jpg"), "the sender's");
    EXPECT_EQ(ReadFile(target + "Pictures/p4-yours.jpg"), "the user's");
    EXPECT_EQ(Snapshot(savers_).size(), before.size() + 2) << "the earlier install is gone, only the new one is there";
    const UninstallReport report = Uninstall(target);
    EXPECT_EQ(Snapshot(target),
              (std::map<std::string, std::string>{{"Pictures", "(folder)"}, {"Pictures/p4-yours.jpg", "the user's"}}));
}

TEST_F(OwnershipTest, AnInterruptedInstallLeavesNothingAndItsRemainsGoOnTheNextRun)
{
    // A stop signal half-way: the private folder goes.
    EXPECT_EXIT(
        {
            platform::CatchStopSignals();
            bool clean = false;
            {
                const zip::FileSource source(package_);
                const builder::PackageReader reader(source);
                Installation install(reader);
                try {
                    install.Run([](std::uint64_t, std::uint64_t) { std::raise(SIGTERM); });
                } catch (const InstallError&) {
                    clean = Snapshot(savers_).empty();
                }
            }
            std::exit(clean ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");

    // What a killed install left (no lock held) goes; one that is still running keeps its folder.
    f_.Write("home/.local/share/qelsaver/savers/.qelsaver-install-dead01/big.jpg", "half");
    f_.Write("home/.local/share/qelsaver/savers/.qelsaver-install-live01/big.jpg", "busy");
    const int live = ::open((savers_ + ".qelsaver-install-live01").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(live, LOCK_EX | LOCK_NB), 0);
    const std::string target = Install(package_);
    EXPECT_FALSE(fs::exists(savers_ + ".qelsaver-install-dead01"));
    EXPECT_TRUE(fs::exists(savers_ + ".qelsaver-install-live01/big.jpg"));
    // The uninstaller tidies up after a killed install as well.
    f_.Write("home/.local/share/qelsaver/savers/.qelsaver-install-dead02/big.jpg", "half");
    Uninstall(target);
    EXPECT_FALSE(fs::exists(savers_ + ".qelsaver-install-dead02"));
    EXPECT_TRUE(fs::exists(savers_ + ".qelsaver-install-live01/big.jpg"));
    ::close(live);
}

TEST_F(OwnershipTest, AReinstallKeepsTheActivationAndTwoSaversOfOneFolderNameStayApart)
{
    f_.Write("home/.xscreensaver", "mode:\t\trandom\ntimeout:\t0:10:00\n");
    hosts::HostStatus host;
    host.kind = hosts::HostKind::XScreenSaver;
    host.installed = true;
    {
        const zip::FileSource source(package_);
        const builder::PackageReader reader(source);
        Installation install(reader);
        install.Run();
        ASSERT_TRUE(install.Activate(host).ok);
    }
    const std::string activated = ReadFile(home_ + "/.xscreensaver");
    {
        const zip::FileSource source(package_);
        const builder::PackageReader reader(source);
        Installation again(reader);
        again.Run();
        EXPECT_TRUE(again.KeptActivation());
    }
    EXPECT_EQ(ReadFile(home_ + "/.xscreensaver"), activated);
    EXPECT_TRUE(fs::exists(home_ + "/.xscreensaver.before-qelsaver"));

    // "My_Garden" names the same folder as "My Garden": it gets one of its own.
    const std::string other = Install(BuildWith("My_Garden", {}));
    EXPECT_NE(other, savers_ + "My_Garden/");
    EXPECT_TRUE(HoldsInstalledSaver(savers_ + "My_Garden"));

    // The uninstall gives the user's own choice back, as before the first activation.
    Uninstall(savers_ + "My_Garden");
    EXPECT_EQ(ReadFile(home_ + "/.xscreensaver"), "mode:\t\trandom\ntimeout:\t0:10:00\nprograms:\n");
    EXPECT_FALSE(fs::exists(home_ + "/.xscreensaver.before-qelsaver"));
}

TEST(SettingsPaths, AFolderTheSettingsCannotHoldIsRefusedByName)
{
    EXPECT_NO_THROW(CheckSettingsCanHold("/home/a/savers/Garden", "The folder"));
    for (const std::string& bad :
         {std::string("/home/a/x=y/Garden"), std::string("/home/a/line\nbreak"), std::string("/home/a/\x1b[31m")}) {
        try {
            CheckSettingsCanHold(bad, "The folder");
            ADD_FAILURE() << bad;
        } catch (const InstallError& e) {
            EXPECT_NE(std::string(e.what()).find("cannot hold"), std::string::npos);
            EXPECT_EQ(std::string(e.what()).find('\x1b'), std::string::npos) << "shown escaped";
        }
    }
}

TEST(SaversFolder, NoHomeIsRefusedClearly)
{
    const std::string home = ::getenv("HOME") ? ::getenv("HOME") : "";
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("HOME");
    EXPECT_THROW((void)SaversFolder(), InstallError);
    ::setenv("HOME", "/nonexistent/qel-home", 1);
    EXPECT_THROW((void)SaversFolder(), InstallError);
    ::setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace qel::installer
