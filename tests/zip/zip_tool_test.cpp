// "qelsaver-tool zip ARCHIVE FILE... [--level N]" as a script would run it: the count on stdout and
// the files left out on stderr, an archive that reads back field by field, exit status 2 for wrong
// usage and 1 naming the file on errors.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "zip/zipformat.h"
#include "zipreadback.h"

namespace qel::zip {
namespace {
namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string output;  // stdout and stderr
};

ToolRun Tool(const std::string& args)
{
    std::string cmd = std::string(QEL_BIN_DIR) + "/qelsaver-tool zip " + args + " 2>&1";
    ToolRun r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return r;
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        r.output.append(buf.data(), n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

class ZipToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(std::string(QEL_BIN_DIR) + "/qelsaver-tool"))
            GTEST_SKIP() << "qelsaver-tool not built";
        dir_ = fs::temp_directory_path() / ("qel-zip-tool-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "b");
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

TEST_F(ZipToolTest, WritesTheArchivePrintsTheCountAndNamesEveryFileLeftOut)
{
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "line " + std::to_string(i) + " of the settings\n";
    test::WriteFileText(Path("SaverSetup.dat"), text);
    test::WriteFileText(Path("b/saversetup.DAT"), "same name, other folder");
    test::WriteFileText(Path("Café.txt"), "cafe");
    ASSERT_EQ(mkfifo(Path("pipe.mp3").c_str(), 0600), 0);

    ToolRun r = Tool(Path("out.zip") + " " + Path("SaverSetup.dat") + " " + Path("b/saversetup.DAT") + " '" +
                     Path("Café.txt") + "' " + Path("missing.jpg") + " " + Path("b") + " " + Path("pipe.mp3"));
    EXPECT_EQ(r.status, 0) << r.output;
    // The count on stdout; each file left out on stderr, with the reason.
    EXPECT_EQ(r.output.substr(r.output.size() - 2), "2\n") << r.output;
    for (const std::string& line :
         {"skipped " + Path("missing.jpg") + ": No such file or directory", "skipped " + Path("b") + ": it is a folder",
          "skipped " + Path("pipe.mp3") + ": it is a pipe (FIFO), not a file",
          "skipped " + Path("b/saversetup.DAT") + ": its entry name is taken by " + Path("SaverSetup.dat")})
        EXPECT_NE(r.output.find(line + "\n"), std::string::npos) << line << "\n in:\n" << r.output;
    EXPECT_TRUE(test::UnzipTestPasses(Path("out.zip")));
    auto e = test::ReadBack(test::ReadFileBytes(Path("out.zip")));
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].name, "SaverSetup.dat");
    EXPECT_EQ(e[0].method, kMethodDeflated);
    EXPECT_EQ(e[0].flags, 2);  // default level 8
    EXPECT_EQ(e[0].internalAttributes, 1);
    EXPECT_EQ(std::string(e[0].data.begin(), e[0].data.end()), text);
    EXPECT_EQ(e[1].name, "Caf\x82.txt");

    r = Tool(Path("stored.zip") + " " + Path("SaverSetup.dat") + " --level 0");
    EXPECT_EQ(r.status, 0) << r.output;
    e = test::ReadBack(test::ReadFileBytes(Path("stored.zip")));
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].method, kMethodStored);
    EXPECT_EQ(e[0].flags, 0);
}

TEST_F(ZipToolTest, WrongUsageAndErrorsHaveTheirExitStatus)
{
    test::WriteFileText(Path("a.txt"), "a");
    EXPECT_EQ(Tool("").status, 2);
    EXPECT_EQ(Tool(Path("out.zip")).status, 2);
    EXPECT_EQ(Tool(Path("out.zip") + " " + Path("a.txt") + " --level 10").status, 2);
    EXPECT_EQ(Tool(Path("out.zip") + " " + Path("a.txt") + " --level x").status, 2);

    ToolRun r = Tool(Path("no/such/dir/out.zip") + " " + Path("a.txt"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find(Path("no/such/dir/out.zip")), std::string::npos) << r.output;
}

}  // namespace
}  // namespace qel::zip
