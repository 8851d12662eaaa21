// Installing into XScreenSaver for real files in a private home: the link for a path with blanks,
// the one-time backup of the user's own file.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "hosts/saverhost.h"
#include "hosts/xscreensaverfile.h"

namespace qel::hosts {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p)
{
    std::ifstream in(p);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A home folder of the test's own, taken as the user's, with a program file at `program` inside it.
fs::path HomeWithProgram(const fs::path& home, const fs::path& program)
{
    fs::remove_all(home);
    fs::create_directories((home / program).parent_path());
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_DATA_HOME");
    std::ofstream(home / program) << "x";
    return home / program;
}

HostStatus InstalledHost(HostKind kind)
{
    HostStatus host;
    host.kind = kind;
    host.installed = true;
    return host;
}

TEST(SaverHost, AProgramPathWithBlanksGoesThroughALinkAndTheUsersFileIsKeptOnce)
{
    const fs::path home = fs::temp_directory_path() / "home";
    const fs::path program = HomeWithProgram(home, "My Savers/QelSaver");
    std::ofstream(home / ".xscreensaver") << "mode:\t\trandom\n";

    const HostStatus host = InstalledHost(HostKind::XScreenSaver);
    const InstallResult r = InstallSaverInto(host, program.string(), "Holiday");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_NE(r.message.find("does not run"), std::string::npos) << "the user learns the host must be started";

    const auto entries = ParseSaverPrograms(Read(home / ".xscreensaver"));
    ASSERT_EQ(entries.size(), 1u);
    const std::string linkPath = entries[0].command.substr(0, entries[0].command.find(' '));
    EXPECT_EQ(linkPath.find("My Savers"), std::string::npos);
    EXPECT_EQ(fs::canonical(linkPath), fs::canonical(program));
    EXPECT_EQ(entries[0].command.substr(linkPath.size()), " --root");

    EXPECT_EQ(Read(home / ".xscreensaver.before-qelsaver"), "mode:\t\trandom\n");
    ASSERT_TRUE(InstallSaverInto(host, program.string(), "Holiday").ok);
    EXPECT_EQ(Read(home / ".xscreensaver.before-qelsaver"), "mode:\t\trandom\n") << "the first backup stays";
}

TEST(SaverHost, OnlyOurOwnLinkIsMadeKeptOrRemovedAndAUsersLinkOfItsNameStays)
{
    const fs::path home = fs::temp_directory_path() / "linkhome";
    const fs::path program = HomeWithProgram(home, "My Savers/QelSaver");
    std::ofstream(home / "mine") << "the user's";
    const HostStatus host = InstalledHost(HostKind::XScreenSaver);
    const InstallResult first = InstallSaverInto(host, program.string(), "Holiday");
    const fs::path link = first.change.createdLink;
    ASSERT_TRUE(fs::is_symlink(link));
    UndoHostChange(first.change);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));

    // The user's own link of that name is neither replaced by an install nor removed by an undo.
    fs::create_symlink(home / "mine", link);
    EXPECT_THROW(InstallSaverInto(host, program.string(), "Holiday"), std::runtime_error);
    EXPECT_EQ(fs::read_symlink(link), home / "mine");
    fs::remove(link);
    const InstallResult second = InstallSaverInto(host, program.string(), "Holiday");
    ASSERT_EQ(fs::read_symlink(link), program);
    fs::remove(link);
    fs::create_symlink(home / "mine", link);
    UndoHostChange(second.change);
    EXPECT_EQ(fs::read_symlink(link), home / "mine");
    EXPECT_EQ(Read(home / "mine"), "the user's");
}

TEST(SaverHost, UndoingAnInstallRemovesWhatItMadeAndNothingElse)
{
    const fs::path home = fs::temp_directory_path() / "undo";
    const fs::path program = HomeWithProgram(home, "savers/Garden.scr");
    const HostStatus host = InstalledHost(HostKind::XScreenSaver);

    // No preferences file before: it goes again with our entry.
    const InstallResult fresh = InstallSaverInto(host, program.string(), "Garden");
    ASSERT_TRUE(fresh.change.createdFile);
    UndoHostChange(fresh.change);
    EXPECT_FALSE(fs::exists(home / ".xscreensaver"));

    // The user's own file: our entry and the one-time copy go, the rest is as it was.
    const std::string own = "mode:\t\trandom\nselected:\t3\n";
    std::ofstream(home / ".xscreensaver") << own;
    const InstallResult r = InstallSaverInto(host, program.string(), "Garden");
    EXPECT_EQ(r.change.createdBackup, (home / ".xscreensaver.before-qelsaver").string());
    HostChange forged = r.change;
    forged.createdBackup = (home / "savers" / "Garden.scr").string();  // an edited record touches nothing else
    UndoHostChange(forged);
    EXPECT_TRUE(fs::exists(program));
    UndoHostChange(r.change);
    EXPECT_FALSE(fs::exists(home / ".xscreensaver.before-qelsaver"));
    const std::string after = Read(home / ".xscreensaver");
    EXPECT_TRUE(ParseSaverPrograms(after).empty());
    EXPECT_EQ(ReadResource(after, "mode:"), "random");
    EXPECT_EQ(ReadResource(after, "selected:"), "3");
}

TEST(SaverHost, TheUsersFileIsChangedOnlyInPlaceAndOnlyInOurLines)
{
    std::string pattern = (fs::temp_directory_path() / "qel-hostfile-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path home = pattern;
    const fs::path program = HomeWithProgram(home, "savers/Garden.scr");
    fs::create_directories(home / "dotfiles");
    const HostStatus host = InstalledHost(HostKind::XScreenSaver);
    const fs::path file = home / ".xscreensaver";

    // A file we made keeps the lines the user added to it since.
    const InstallResult made = InstallSaverInto(host, program.string(), "Garden");
    std::ofstream(file, std::ios::app) << "timeout:\t0:05:00\n";
    UndoHostChange(made.change);
    EXPECT_EQ(ReadResource(Read(file), "timeout:"), "0:05:00");
    EXPECT_TRUE(ParseSaverPrograms(Read(file)).empty());
    fs::remove(file);

    // Links to nothing, at the file or at its backup: nothing is made where they point.
    fs::create_symlink(home / "dotfiles" / "missing", file);
    EXPECT_THROW(InstallSaverInto(host, program.string(), "Garden"), std::runtime_error);
    EXPECT_FALSE(fs::exists(home / "dotfiles" / "missing"));
    fs::remove(file);
    std::ofstream(home / "dotfiles" / "xscreensaver") << "mode:\t\trandom\n";
    fs::create_symlink(home / "dotfiles" / "xscreensaver", file);
    fs::create_symlink(home / "dotfiles" / "backup", home / ".xscreensaver.before-qelsaver");
    const InstallResult linked = InstallSaverInto(host, program.string(), "Garden");
    ASSERT_TRUE(linked.ok);
    EXPECT_TRUE(fs::is_symlink(file)) << "the user's link stays; the file it names is changed";
    EXPECT_EQ(ParseSaverPrograms(Read(home / "dotfiles" / "xscreensaver")).size(), 1u);
    EXPECT_FALSE(fs::exists(home / "dotfiles" / "backup"));
    UndoHostChange(linked.change);
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(ReadResource(Read(file), "mode:"), "random");

    // A file the user made read-only, and a path the file cannot hold: refused, nothing changed.
    const std::string before = Read(file);
    fs::permissions(home / "dotfiles" / "xscreensaver", fs::perms::owner_read | fs::perms::group_read);
    EXPECT_THROW(InstallSaverInto(host, program.string(), "Garden"), std::runtime_error);
    fs::permissions(home / "dotfiles" / "xscreensaver", fs::perms::owner_read | fs::perms::owner_write);
    for (const std::string& bad : {std::string("line\nbreak"), std::string("quo\"te"), std::string("back\\slash")}) {
        EXPECT_THROW(InstallSaverInto(host, (home / "savers" / bad).string(), "Garden"), std::runtime_error);
        EXPECT_EQ(Read(file), before);
    }
    // Without a home folder no host file is looked for anywhere else.
    ::unsetenv("HOME");
    EXPECT_THROW(InstallSaverInto(host, program.string(), "Garden"), std::runtime_error);
    ::setenv("HOME", home.c_str(), 1);
    fs::remove_all(home);
}

// MATE's settings through a stand-in for gsettings on PATH that keeps each key in a file: the
// install sets mode and theme, the undo puts back what the user had, unless the user chose another
// saver since; a refused change leaves nothing of the install behind.
TEST(SaverHost, TheMateInstallIsUndoneToTheUsersOwnChoice)
{
    const fs::path home = fs::temp_directory_path() / "matehome";
    const fs::path program = HomeWithProgram(home, "QelSaver");
    fs::create_directories(home / "bin");
    fs::create_directories(home / "keys");
    const std::string path = ::getenv("PATH") ? ::getenv("PATH") : "";
    ::setenv("PATH", ((home / "bin").string() + ":" + path).c_str(), 1);
    std::ofstream(home / "bin" / "gsettings") << "#!/bin/sh\n"
                                                 "k=\"$HOME/keys/$3\"\n"
                                                 "[ -e \"$HOME/keys/refuse\" ] && [ \"$1\" = set ] && exit 1\n"
                                                 "case \"$1\" in\n"
                                                 "get) cat \"$k\" 2>/dev/null || echo \"'default'\" ;;\n"
                                                 "set) printf '%s\\n' \"$4\" > \"$k\" ;;\n"
                                                 "reset) rm -f \"$k\" ;;\n"
                                                 "esac\n";
    fs::permissions(home / "bin" / "gsettings", fs::perms::owner_all);
    std::ofstream(home / "keys" / "mode") << "'random'\n";
    std::ofstream(home / "keys" / "themes") << "['screensavers-theirs']\n";
    HostStatus host = InstalledHost(HostKind::MateScreenSaver);
    host.name = "MATE screen saver";

    // A copy outside MATE's own folders would show black: refused, nothing changed.
    fs::create_directories(home / "matesavers");
    ::setenv("QELSAVER_MATE_SAVER_FOLDERS", (home / "matesavers").c_str(), 1);
    const InstallResult refused = InstallSaverInto(host, program.string(), "Garden");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(Read(home / "keys" / "mode"), "'random'\n");
    fs::create_symlink(program, home / "matesavers" / "qelsaver");

    const InstallResult r = InstallSaverInto(host, program.string(), "Garden");
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(fs::is_regular_file(r.change.file));
    EXPECT_NE(Read(r.change.file).find("\nExec=qelsaver --root\n"), std::string::npos) << "by its name there";
    EXPECT_NE(Read(home / "keys" / "mode").find("single"), std::string::npos);
    EXPECT_NE(Read(home / "keys" / "themes").find("qelsaver-"), std::string::npos);
    UndoHostChange(r.change);
    EXPECT_FALSE(fs::exists(r.change.file));
    EXPECT_EQ(Read(home / "keys" / "mode"), "'random'\n");
    EXPECT_EQ(Read(home / "keys" / "themes"), "['screensavers-theirs']\n");

    const InstallResult again = InstallSaverInto(host, program.string(), "Garden");
    std::ofstream(home / "keys" / "themes") << "['screensavers-newer']\n";  // chosen since
    UndoHostChange(again.change);
    EXPECT_EQ(Read(home / "keys" / "themes"), "['screensavers-newer']\n");

    std::ofstream(home / "keys" / "refuse") << "";
    EXPECT_THROW(InstallSaverInto(host, program.string(), "Garden"), std::runtime_error);
    EXPECT_TRUE(fs::is_empty(home / ".local" / "share" / "applications" / "screensavers"));
    ::setenv("PATH", path.c_str(), 1);
    ::unsetenv("QELSAVER_MATE_SAVER_FOLDERS");
    fs::remove_all(home);
}

}  // namespace
}  // namespace qel::hosts
