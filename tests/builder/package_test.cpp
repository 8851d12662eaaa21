// The package: entry names, install.ini and the list of files in their order, the trailer, a whole
// build read back, and packages that must be refused.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "builder/entrynames.h"
#include "builder/packagebuild.h"
#include "builder/packageformat.h"
#include "builder/packageplan.h"
#include "builder/packagereader.h"
#include "builder/packagewriter.h"
#include "packagefixture.h"
#include "settings/inifile.h"
#include "zip/bytesource.h"
#include "zip/zipwriter.h"

namespace qel::builder {
namespace {
namespace fs = std::filesystem;
using test::PackageFixture;
using test::ReadFile;

std::vector<std::string> Names(const std::vector<EntryName>& names)
{
    std::vector<std::string> out;
    for (const EntryName& n : names)
        out.push_back(n.name + (n.renamed ? " (copy)" : ""));
    return out;
}

TEST(EntryNames, EachNameIsUniqueWithinItsKindAndNeverRepeatsAnotherKind)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(Names(NameEntries({"/a/Sun.jpg", "/b/sun.JPG"}, {})), (V{"sun.jpg", "sun1.jpg (copy)"}));
    EXPECT_EQ(Names(NameEntries({"/a/img7.jpg", "/b/img7.jpg", "/c/img8.jpg"}, {})),
              (V{"img7.jpg", "img8.jpg (copy)", "img9.jpg (copy)"}));
    EXPECT_EQ(Names(NameEntries({"/a/photo007.jpg", "/b/photo007.jpg"}, {})), (V{"photo007.jpg", "photo8.jpg (copy)"}));
    // A sound named like a picture, and names the installer would refuse or install.ini cannot hold.
    EXPECT_EQ(Names(NameEntries({"/a/sun.jpg"}, {"sun.jpg"})), (V{"sun1.jpg (copy)"}));
    EXPECT_EQ(Names(NameEntries({"/a/..x.jpg", "/a/a=b.jpg", "/a/;c.jpg"}, {})),
              (V{"_.x.jpg (copy)", "a_b.jpg (copy)", "_c.jpg (copy)"}));
}

TEST(PackagePlan, InstallIniAndTheFilesToArchiveInTheirOrder)
{
    const PackagePlan plan =
        PlanPackage("Garden", "/w/", "/x/", {"/a/Sun.jpg", "/b/sun.JPG", "/c/moon.gif"}, {"/m/tune.mp3"});
    EXPECT_EQ(plan.installIni.ToText(),
              "[Settings]\r\nSaverName=Garden\r\n\r\n"
              "[Files]\r\nGarden.scr=3\r\nSaverSetup.dat=0\r\nQelMpegDll.dll=0\r\n"
              "Uninstall.exe=0\r\nsun.jpg=1\r\nsun1.jpg=1\r\nmoon.gif=1\r\ntune.mp3=2\r\n\r\n");
    EXPECT_EQ(plan.files,
              (std::vector<std::string>{"/w/Garden.scr", "/w/SaverSetup.dat", "/x/QelMpegDll.dll", "/w/Uninstall.exe",
                                        "/a/Sun.jpg", "/w/sun1.jpg", "/c/moon.gif", "/m/tune.mp3"}));
    ASSERT_EQ(plan.copies.size(), 1u);
    EXPECT_EQ(plan.copies[0].from, "/b/sun.JPG");
    EXPECT_EQ(plan.copies[0].to, "/w/sun1.jpg");
    // A name with a "/" still gives one file name; the name itself is kept for the installer.
    EXPECT_EQ(PlanPackage("A/B", "/w/", "/x/", {}, {}).files[0], "/w/A_B.scr");
}

TEST(PackageTrailer, OffsetsFollowFromTheSizesAndMustFitInto32Bits)
{
    const PackageTrailer t = TrailerFor(1000, 200, 150, 5000);
    const auto bytes = EncodeTrailer(t);
    const std::uint8_t expected[kTrailerSize] = {
        'Q', 'E', 'L', 'S', 'E',  'T',  'U', 'P', 0xE8, 0x03, 0, 0, 200, 0, 0, 0, 0xB0, 0x04, 0, 0,
        150, 0,   0,   0,   0x46, 0x05, 0,   0,   0x88, 0x13, 0, 0, 0,   0, 0, 0, 0,    0,    0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
              std::vector<std::uint8_t>(std::begin(expected), std::end(expected)));
    EXPECT_EQ(DecodeTrailer(bytes.data()), t);
    EXPECT_NO_THROW(static_cast<void>(TrailerFor(0xFFFFFFFFu - 3, 1, 1, 1)));
    EXPECT_THROW(static_cast<void>(TrailerFor(0xFFFFFFFFu - 2, 1, 1, 1)), std::runtime_error);
}

TEST(PackageBuild, APackageHoldsThePiecesInOrderAndReadsBack)
{
    PackageFixture f;
    settings::SaverSettings s;
    s.images = {f.Write("a/Sun.jpg", "red"), f.Write("b/sun.JPG", "blue"), f.Path("gone.jpg")};
    s.sounds = {f.Write("m/tune.mp3", "la la la")};
    f.WriteSettings(s);

    int maximum = 0;
    int steps = 0;
    BuildProgress progress;
    progress.setMaximum = [&](int m) { maximum = m; };
    progress.step = [&] { ++steps; };
    BuildPackage(f.Inputs("Garden", "out/setup.run"), progress);
    EXPECT_EQ(maximum, 10) << "four support files, three pictures, one sound, two copies";
    EXPECT_EQ(steps, 9) << "the picture that is gone is not archived";

    const std::string bytes = ReadFile(f.Path("out/setup.run"));
    EXPECT_EQ(bytes.substr(0, 32), std::string(PackageFixture::kSetupBytes) + PackageFixture::kInstallPakBytes);
    const zip::FileSource source(f.Path("out/setup.run"));
    const PackageReader package(source);
    ASSERT_TRUE(package.Usable()) << package.FatalProblems();
    EXPECT_EQ(package.SaverName(), "Garden");
    EXPECT_EQ(package.InstallIniText(), ReadFile(f.Path("work/install.ini")));
    ASSERT_EQ(package.Files().size(), 8u);
    auto content = [&](const char* key) {
        std::string out;
        package.Archive()->Extract(*package.Find(key)->entry, [&](const std::uint8_t* p, std::size_t n) {
            out.append(reinterpret_cast<const char*>(p), n);
        });
        return out;
    };
    EXPECT_EQ(content("Garden.scr"), PackageFixture::kSaverBytes);
    EXPECT_EQ(content("Uninstall.exe"), PackageFixture::kUninstallBytes);
    EXPECT_EQ(content("QelMpegDll.dll"), PackageFixture::kDecoderBytes);
    EXPECT_EQ(content("sun.jpg"), "red");
    EXPECT_EQ(content("sun1.jpg"), "blue");
    EXPECT_EQ(content("tune.mp3"), "la la la");
    EXPECT_EQ(package.Find("gone.jpg")->entry, nullptr);
    ASSERT_EQ(package.Problems().size(), 1u);
    EXPECT_FALSE(package.Problems()[0].fatal);
}

TEST(PackageBuild, SettingsNotReadWholeOrAMissingPreparedFileAreErrorsAndNoPackageIsWritten)
{
    PackageFixture f;
    settings::SaverSettings s;
    s.images = {f.Write("pics/a.jpg", "a")};
    f.WriteSettings(s);
    const std::string setup = f.Path("work/SaverSetup.dat");
    const std::string whole = ReadFile(setup);
    f.Write("work/SaverSetup.dat", whole + ";" + std::string(settings::IniFile::kMaxLineLength, 'x') + "\n");
    try {
        BuildPackage(f.Inputs("Garden", "out/setup.run"), {});
        ADD_FAILURE() << "built from a settings file not read whole";
    } catch (const BuildError& e) {
        EXPECT_NE(std::string(e.what()).find("could not be read whole (line"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(fs::exists(f.Path("out/setup.run")));

    f.Write("work/SaverSetup.dat", whole);
    fs::remove(f.Path("app/build/Saver.pak"));
    EXPECT_THROW(BuildPackage(f.Inputs("Garden", "out/setup.run"), {}), BuildError);
    EXPECT_FALSE(fs::exists(f.Path("out/setup.run")));
}

// A package put together from hand-made pieces, so that each can be wrong in its own way.
class HostilePackage : public ::testing::Test {
protected:
    std::string Make(const std::string& ini, const std::vector<std::string>& files)
    {
        f_.Write("piece/install.ini", ini);
        zip::TZipWriter w;
        w.ZipName = f_.Path("piece/install.dat");
        w.FilesList = files;
        w.Zip();
        WritePackage(f_.Path("out/bad.run"),
                     {f_.Path("app/build/setup.pak"), f_.Path("app/build/install.pak"), f_.Path("piece/install.ini"),
                      f_.Path("piece/install.dat")},
                     {});
        return f_.Path("out/bad.run");
    }
    std::string Problems(const std::string& path)
    {
        const zip::FileSource source(path);
        const PackageReader package(source);
        EXPECT_FALSE(package.Usable());
        return package.FatalProblems();
    }
    std::string Support()
    {
        return "[Files]\r\nS.scr=3\r\nSaverSetup.dat=0\r\nQelMpegDll.dll=0\r\nUninstall.exe=0\r\n";
    }
    std::vector<std::string> SupportFiles()
    {
        return {f_.Write("z/S.scr", "p"), f_.Write("z/SaverSetup.dat", ""), f_.Write("z/QelMpegDll.dll", "d"),
                f_.Write("z/Uninstall.exe", "u")};
    }
    PackageFixture f_;
};

TEST_F(HostilePackage, EveryWayOfBeingWrongIsFoundAndNamed)
{
    const std::string name = "[Settings]\r\nSaverName=S\r\n";
    std::vector<std::string> files = SupportFiles();

    EXPECT_TRUE(Make(name + Support(), files).size());
    {
        const zip::FileSource source(f_.Path("out/bad.run"));
        EXPECT_TRUE(PackageReader(source).Usable()) << "the base of the cases below is sound";
    }
    {
        // Keys are found in any letter case.
        Make(name + "[Files]\r\ns.SCR=3\r\nsaversetup.DAT=0\r\nqelmpegdll.dll=0\r\nUNINSTALL.EXE=0\r\n", files);
        const zip::FileSource source(f_.Path("out/bad.run"));
        const PackageReader package(source);
        EXPECT_TRUE(package.Usable()) << package.FatalProblems();
        ASSERT_NE(package.Find("SaverSetup.dat"), nullptr);
        EXPECT_EQ(package.Find("SaverSetup.dat")->key, "saversetup.DAT");
    }
    std::string bytes = ReadFile(f_.Path("out/bad.run"));
    f_.Write("out/short.run", bytes.substr(0, bytes.size() - 1));
    EXPECT_NE(Problems(f_.Path("out/short.run")).find("does not end in a package trailer"), std::string::npos);
    bytes[bytes.size() - 40 + 12] ^= 1;  // install.pak's size
    f_.Write("out/sizes.run", bytes);
    EXPECT_NE(Problems(f_.Path("out/sizes.run")).find("damaged or cut short"), std::string::npos);

    EXPECT_NE(Problems(Make(name + Support() + "../evil=1\r\n", files)).find("not allowed"), std::string::npos);
    EXPECT_NE(Problems(Make(name + Support() + "s.SCR=1\r\n", files)).find("more than once"), std::string::npos);
    EXPECT_NE(Problems(Make(name + Support() + "x.jpg=7\r\n", files)).find("unknown kind"), std::string::npos);
    EXPECT_NE(Problems(Make("[Files]\r\nS.scr=3\r\n", files)).find("names no screen saver"), std::string::npos);
    EXPECT_NE(Problems(Make(name + "[Files]\r\nSaverSetup.dat=0\r\n", files)).find("no screen-saver program"),
              std::string::npos);

    files.push_back(f_.Write("z/..x.jpg", "?"));
    EXPECT_NE(Problems(Make(name + Support(), files)).find("not allowed"), std::string::npos);
    files.pop_back();
    files.erase(files.begin());  // the program
    EXPECT_NE(Problems(Make(name + Support(), files)).find("lacks \"S.scr\""), std::string::npos);
}

TEST_F(HostilePackage, InspectingShowsControlCharactersInNamesInsteadOfSendingThem)
{
    const std::string tool = std::string(QEL_BIN_DIR) + "/qelsaver-tool";
    if (!fs::exists(tool))
        GTEST_SKIP() << "qelsaver-tool not built";
    const std::string package =
        Make("[Settings]\r\nSaverName=S\x1b]2;owned\x07\r\n" + Support() + "a\x1b[2Jb.jpg=1\r\n", SupportFiles());
    FILE* p = ::popen((tool + " package inspect '" + package + "' 2>&1").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
        output.append(buffer, n);
    ::pclose(p);
    EXPECT_EQ(output.find('\x1b'), std::string::npos) << output;
    EXPECT_EQ(output.find('\x07'), std::string::npos) << output;
    EXPECT_NE(output.find("S\\x1b]2;owned\\x07"), std::string::npos) << output;
}

TEST(PackageBuild, EveryFileLeftOutIsNamedWithItsReasonAndANameCannotAddLines)
{
    PackageFixture f;
    settings::SaverSettings s;
    fs::create_directories(f.Path("pics/folder.jpg"));
    ASSERT_EQ(::mkfifo(f.Path("pics/pipe.jpg").c_str(), 0600), 0);
    // A "=" cuts the path short where the settings hold it: the file the cut path names is not it.
    f.Write("pics/a", "another file");
    s.images = {f.Write("pics/a.jpg", "a"), f.Path("pics/gone.jpg"), f.Path("pics/folder.jpg"), f.Path("pics/pipe.jpg"),
                f.Write("pics/a=b.jpg", "b")};
    f.WriteSettings(s);
    const BuildResult r = BuildPackage(f.Inputs("Garden", "out/setup.run"), {});
    ASSERT_EQ(r.leftOut.size(), 4u);
    EXPECT_NE(r.leftOut[0].find("gone.jpg\" is left out: it does not exist"), std::string::npos);
    EXPECT_NE(r.leftOut[1].find("it is a folder"), std::string::npos);
    EXPECT_NE(r.leftOut[2].find("not a regular file"), std::string::npos);
    EXPECT_NE(r.leftOut[3].find("pics/a=b.jpg\" is left out: its path has a \"=\""), std::string::npos) << r.leftOut[3];
    const zip::FileSource source(f.Path("out/setup.run"));
    const PackageReader package(source);
    EXPECT_TRUE(package.Usable()) << "the package is still built";
    EXPECT_EQ(package.Archive()->Entries().size(), 5u) << "the four support files and a.jpg";

    EXPECT_THROW(BuildPackage(f.Inputs("Garden\r\n[Files]", "out/evil.run"), {}), BuildError);
    EXPECT_FALSE(fs::exists(f.Path("out/evil.run")));
}

TEST(PackageBuild, EachBuildWorksInAFolderOfItsOwn)
{
    // Another user's "QelSaver" in the shared temporary folder does not stand in the way.
    PackageFixture f;
    const std::string temp = f.Path("tmp");
    f.Write("tmp/QelSaver", "not a folder");
    const char* old = ::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", temp.c_str(), 1);
    const std::string a = MakeWorkFolder();
    const std::string b = MakeWorkFolder();
    old ? ::setenv("TMPDIR", saved.c_str(), 1) : ::unsetenv("TMPDIR");
    EXPECT_NE(a, b);
    EXPECT_EQ(a.compare(0, temp.size(), temp), 0);
    EXPECT_EQ(fs::status(a).permissions() & fs::perms::all, fs::perms::owner_all);

    // The editor's temporary folder is used only when it is the user's own.
    fs::create_directories(f.Path("own"));
    fs::permissions(f.Path("own"), fs::perms::owner_all);
    EXPECT_EQ(OwnTempPath(f.Path("own")), f.Path("own/"));
    fs::create_directory_symlink(f.Path("own"), f.Path("link"));
    fs::create_directories(f.Path("open"));
    fs::permissions(f.Path("open"), fs::perms::all);
    ::setenv("TMPDIR", temp.c_str(), 1);
    for (const char* refused : {"tmp/QelSaver", "link", "open"}) {
        const std::string used = OwnTempPath(f.Path(refused));
        EXPECT_EQ(used.compare(0, temp.size(), temp), 0) << refused << ": a private folder instead";
        EXPECT_NE(used, f.Path(refused) + "/");
    }
    old ? ::setenv("TMPDIR", saved.c_str(), 1) : ::unsetenv("TMPDIR");
}

TEST(PackageReader, ATrailerThatDisagreesSaysWhichNumbersDiffer)
{
    PackageFixture f;
    f.WriteSettings({});
    std::string bytes = ReadFile(f.Build("Garden"));
    bytes[bytes.size() - 40 + 12] ^= 1;  // install.pak's size: the file's size still adds up
    const zip::FileSource source(f.Write("out/odd.run", bytes));
    const std::string text = PackageReader(source).FatalProblems();
    EXPECT_NE(text.find("install.pak ends at"), std::string::npos) << text;
}

}  // namespace
}  // namespace qel::builder
