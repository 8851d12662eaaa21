// HEIC and AVIF through the picture loader: each is turned as its file says (and only once),
// transparent pixels take the caller's colour, and the size rule and damaged files are handled
// before or instead of decoding. Samples are made here by the libraries' own encoders.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "imaging/pictureloader.h"
#include "samplepictures.h"

namespace qel::imaging {
namespace {

using namespace samples;

constexpr raster::Color kBackground = 0x00336699;

#define SKIP_WITHOUT(bytes, what)                                                                                      \
    if ((bytes).empty())                                                                                               \
    GTEST_SKIP() << "this system has no " what " encoder to make a sample"

// Every occurrence of `from` in `bytes` becomes `to` (of the same length).
void ReplaceAll(Bytes& bytes, const Bytes& from, const Bytes& to)
{
    for (auto at = bytes.begin(); (at = std::search(at, bytes.end(), from.begin(), from.end())) != bytes.end();)
        at = std::copy(to.begin(), to.end(), at);
}

// Decodes an AVIF file in a process that cannot take gigabytes (where the address sanitizer, which
// reserves far more, allows the limit), and ends it with 0 when the size rule refused the file.
[[noreturn]] void DecodeRefusedAsTooLarge(const Bytes& bytes)
{
#if !defined(__SANITIZE_ADDRESS__)
    constexpr rlim_t kAddressSpace = 2ull << 30;
    const rlimit limit{kAddressSpace, kAddressSpace};
    setrlimit(RLIMIT_AS, &limit);
#endif
    try {
        (void)DecodePicture(bytes, "avif", {});
    } catch (const PictureError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        std::_Exit(std::string(e.what()).find(", larger than the") == std::string::npos ? 1 : 0);
    }
    std::_Exit(2);
}

class Formats : public testing::Test {
protected:
    std::filesystem::path dir;
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("qel_formats_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    LoadedPicture Load(const std::string& name, const Bytes& bytes, raster::Color background = 0)
    {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return LoadPicture(path, background);
    }
};

TEST_F(Formats, HeifAndAvifAreTurnedAsTheirFilesSayAndOnlyOnce)
{
    const raster::Bitmap q = Quadrants();
    // A phone photo: stored as the sensor saw it, marked to be turned clockwise both by the file's
    // own rotation and by its EXIF tag.
    SampleOptions phone;
    phone.orientation = 6;
    phone.exifOrientation = 6;
    const Bytes heic = EncodeHeic(q, phone);
    SKIP_WITHOUT(heic, "HEVC");
    ExpectQuadrants(Load("phone.heic", heic), kH, kW, {kBlue, kRed, kWhite, kGreen}, "HEIC turned clockwise");

    // libavif's encoder stores a camera's EXIF orientation as the file's own rotation as well.
    SampleOptions camera;
    camera.exifOrientation = 6;
    const Bytes avif = EncodeAvif(q, camera);
    SKIP_WITHOUT(avif, "AV1");
    ExpectQuadrants(Load("camera.avif", avif), kH, kW, {kBlue, kRed, kWhite, kGreen}, "AVIF turned clockwise");
    SampleOptions turn;
    turn.quarterTurns = 1;
    ExpectQuadrants(Load("turned.avif", EncodeAvif(q, turn)), kH, kW, {kGreen, kWhite, kRed, kBlue},
                    "AVIF turned anticlockwise");
    SampleOptions mirror;
    mirror.mirror = 1;
    ExpectQuadrants(Load("mirrored.avif", EncodeAvif(q, mirror)), kW, kH, {kGreen, kRed, kWhite, kBlue},
                    "AVIF mirrored left-right");
    // The turn comes before the mirror.
    SampleOptions both;
    both.quarterTurns = 1;
    both.mirror = 0;
    ExpectQuadrants(Load("both.avif", EncodeAvif(q, both)), kH, kW, {kRed, kBlue, kGreen, kWhite},
                    "AVIF turned, then mirrored top-bottom");
    // The clean aperture cuts before turning: the left half, then upside down.
    SampleOptions upsideDown;
    upsideDown.quarterTurns = 2;
    ExpectQuadrants(Load("cut.avif", EncodeAvif(q, upsideDown, {0, 0, kW / 2, kH})), kW / 2, kH,
                    {kBlue, kBlue, kRed, kRed}, "AVIF cut and turned");
}

TEST_F(Formats, HeifAndAvifTransparentPixelsTakeTheBackgroundColour)
{
    const raster::Bitmap q = Quadrants();
    const std::array<raster::Color, 4> want = {kBackground, kGreen, kBackground, kWhite};
    SampleOptions clear;
    clear.alpha = LeftHalfClear();
    const Bytes heic = EncodeHeic(q, clear);
    SKIP_WITHOUT(heic, "HEVC");
    ExpectQuadrants(Load("a.heic", heic, kBackground), kW, kH, want, "HEIC");
    const Bytes avif = EncodeAvif(q, clear);
    SKIP_WITHOUT(avif, "AV1");
    ExpectQuadrants(Load("a.avif", avif, kBackground), kW, kH, want, "AVIF");
}

TEST_F(Formats, HeifAndAvifSizeRuleAndDamagedFiles)
{
    const raster::Bitmap q = Quadrants();
    const Bytes heic = EncodeHeic(q), avif = EncodeAvif(q);
    SKIP_WITHOUT(heic, "HEVC");
    SKIP_WITHOUT(avif, "AV1");
    for (const auto& [ext, good] : {std::pair{"heic", heic}, std::pair{"avif", avif}}) {
        SCOPED_TRACE(ext);
        LoadOptions small;
        small.maxPixels = kW * kH - 1;
        try {
            DecodePicture(good, ext, small);
            ADD_FAILURE() << "a picture over the limit loaded";
        } catch (const PictureError& e) {
            EXPECT_NE(std::string(e.what()).find("64\u00D748, larger than"), std::string::npos) << e.what();
        }
        // A file cut short is an error; one with bytes changed loads or fails cleanly.
        for (std::size_t n : {std::size_t{1}, std::size_t{11}, good.size() / 3, good.size() / 2})
            EXPECT_THROW(DecodePicture({good.data(), n}, ext, {}), PictureError) << n << " bytes";
        for (std::size_t at = 0; at < good.size(); at += 13) {
            Bytes bad = good;
            bad[at] ^= 0x5A;
            try {
                (void)DecodePicture(bad, ext, {});
            } catch (const PictureError&) {
            }
        }
    }
}

TEST_F(Formats, AvifGridsAreDecodedTileByTileAndEverySizeTheyStateIsBounded)
{
    constexpr int kSide = 128;
    const raster::Bitmap q = Quadrants(kSide, kSide);
    const Bytes grid = EncodeAvifGrid(q, 2, 2);
    SKIP_WITHOUT(grid, "AV1");
    ExpectQuadrants(Load("grid.avif", grid), kSide, kSide, {kRed, kGreen, kBlue, kWhite}, "2x2 grid");
    // A grid narrower than its tiles: the right-hand tiles are cut.
    Bytes narrower = grid;
    ReplaceAll(narrower, {0, 0, 1, 1, 0, kSide, 0, kSide}, {0, 0, 1, 1, 0, kSide - 8, 0, kSide});
    ExpectQuadrants(Load("narrower.avif", narrower), kSide - 8, kSide, {kRed, kGreen, kBlue, kWhite}, "narrower");

    SampleOptions clear;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            clear.alpha.push_back(x < kSide / 2 ? 0 : 255);
    ExpectQuadrants(Load("clear.avif", EncodeAvifGrid(q, 2, 2, clear), kBackground), kSide, kSide,
                    {kBackground, kGreen, kBackground, kWhite}, "grid with transparency");

    // 64 tiles coded at 64 x 64 that claim 8000 x 8000 each: refused from the stated sizes alone.
    constexpr std::uint8_t kIspe64[] = {'i', 's', 'p', 'e', 0, 0, 0, 0, 0, 0, 0, 64, 0, 0, 0, 64};
    constexpr std::uint8_t kIspe8000[] = {'i', 's', 'p', 'e', 0, 0, 0, 0, 0, 0, 0x1F, 0x40, 0, 0, 0x1F, 0x40};
    Bytes claims = EncodeAvifGrid(Quadrants(512, 512), 8, 8);
    ReplaceAll(claims, Bytes(std::begin(kIspe64), std::end(kIspe64)),
               Bytes(std::begin(kIspe8000), std::end(kIspe8000)));
    ASSERT_NE(claims, EncodeAvifGrid(Quadrants(512, 512), 8, 8));
    EXPECT_EXIT(DecodeRefusedAsTooLarge(claims), testing::ExitedWithCode(0),
                "64000×64000, larger than the 200 megapixels");
}

}  // namespace
}  // namespace qel::imaging
