// HEIC and AVIF through the picture loader: each is turned as its file says (and only once),
// transparent pixels take the caller's colour, and the size rule and damaged files are handled
// before or instead of decoding. Samples are made here by the libraries' own encoders.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/pictureloader.h"
#include "samplepictures.h"

namespace qel::imaging {
namespace {

using namespace samples;

constexpr raster::Color kBackground = 0x00336699;

#define SKIP_WITHOUT(bytes, what)                                                                                      \
    if ((bytes).empty())                                                                                               \
    GTEST_SKIP() << "this system has no " what " encoder to make a sample"

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

}  // namespace
}  // namespace qel::imaging
