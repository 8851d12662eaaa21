// Writes small, sound packages into a folder, as the fuzzing program's first inputs: a package with
// pictures and a sound, one without, and one whose archive stores everything.
//   package_fuzz_seeds FOLDER

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "packagefixture.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: package_fuzz_seeds FOLDER\n");
        return 2;
    }
    try {
        namespace fs = std::filesystem;
        fs::create_directories(argv[1]);
        qel::test::PackageFixture f;
        qel::settings::SaverSettings s;
        f.WriteSettings(s);
        fs::copy_file(f.Build("Empty"), fs::path(argv[1]) / "empty.run", fs::copy_options::overwrite_existing);
        s.images = {f.Write("a/Sun.jpg", "red red red"), f.Write("b/sun.JPG", "blue"), f.Path("gone.gif")};
        s.sounds = {f.Write("m/tune.mp3", "la la la la la")};
        s.transSetup = "0110";
        f.WriteSettings(s);
        fs::copy_file(f.Build("Garden"), fs::path(argv[1]) / "garden.run", fs::copy_options::overwrite_existing);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "package_fuzz_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
