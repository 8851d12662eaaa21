// The fuzzing target on a sound package and on every damaged form of it that a cut or one changed
// byte can give: it must never crash (run under the sanitizers with the engine tests).

#include <gtest/gtest.h>

#include <string>

#include "packagefixture.h"
#include "packagefuzztarget.h"

namespace qel::installer {
namespace {

TEST(PackageFuzzTarget, SurvivesEveryCutAndEveryChangedByteOfAPackage)
{
    test::PackageFixture f;
    settings::SaverSettings s;
    s.images = {f.Write("a/Sun.jpg", "red"), f.Write("b/sun.JPG", "blue")};
    f.WriteSettings(s);
    const std::string package = test::ReadFile(f.Build("Garden"));
    auto run = [](const std::string& bytes) {
        FuzzPackage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    };
    run(package);
    for (std::size_t cut = 0; cut < package.size(); ++cut)
        run(package.substr(0, cut));
    for (std::size_t i = 0; i < package.size(); ++i) {
        std::string changed = package;
        changed[i] = char(changed[i] ^ 0xFF);
        run(changed);
    }
}

}  // namespace
}  // namespace qel::installer
