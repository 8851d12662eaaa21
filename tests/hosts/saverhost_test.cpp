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

TEST(SaverHost, AProgramPathWithBlanksGoesThroughALinkAndTheUsersFileIsKeptOnce)
{
    const fs::path home = fs::temp_directory_path() / "home";
    fs::create_directories(home / "My Savers");
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_DATA_HOME");
    const fs::path program = home / "My Savers" / "QelSaver";
    std::ofstream(program) << "x";
    std::ofstream(home / ".xscreensaver") << "mode:\t\trandom\n";

    HostStatus host;
    host.kind = HostKind::XScreenSaver;
    host.installed = true;
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

}  // namespace
}  // namespace qel::hosts
