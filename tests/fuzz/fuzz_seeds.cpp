// Writes the seed inputs of one fuzzing target into a folder: small, valid examples made by the
// program's own writers, and the pictures and sounds the tests ship.
//   fuzz_seeds TARGET FOLDER

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#if QEL_IMAGING_QT
#include <QImage>
#include <QImageWriter>
#endif

#include "imaging/picturewriter.h"
#include "raster/bitmap.h"
#include "samplepictures.h"
#include "settings/resumerecord.h"
#include "settings/saversettings.h"

namespace {

namespace fs = std::filesystem;

qel::raster::Bitmap Gradient(int w, int h)
{
    qel::raster::Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, static_cast<qel::raster::Color>((x * 255 / w) | ((y * 255 / h) << 8) | ((x ^ y) << 16)));
    return b;
}

void WriteText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

#if QEL_IMAGING_QT
// A picture written by Qt's writer of `format`, with transparency when `alpha`.
void WriteWithQt(const fs::path& path, const qel::raster::Bitmap& b, const char* format, bool alpha)
{
    QImage image(b.Width(), b.Height(), QImage::Format_ARGB32);
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const qel::raster::Color c = b.Pixel(x, y);
            image.setPixel(x, y,
                           qRgba(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, alpha ? (x * 255 / b.Width()) : 255));
        }
    QImageWriter(QString::fromStdString(path.string()), format).write(image);
}
#endif

void Copy(const char* shipped, const fs::path& folder)
{
    const fs::path from = fs::path(QEL_TEST_DATA_DIR) / shipped;
    fs::copy_file(from, folder / from.filename(), fs::copy_options::overwrite_existing);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_seeds TARGET FOLDER\n");
        return 2;
    }
    const std::string target = argv[1];
    const fs::path folder = argv[2];
    fs::create_directories(folder);
    const int sizes[][2] = {{1, 1}, {7, 5}, {33, 17}};
    if (target == "picture_bmp" || target == "picture_png") {
        const char* ext = target == "picture_bmp" ? ".bmp" : ".png";
        for (const auto& s : sizes)
            qel::imaging::WritePicture(
                (folder / ("seed_" + std::to_string(s[0]) + "x" + std::to_string(s[1]) + ext)).string(),
                Gradient(s[0], s[1]));
        // A photo's metadata for captions: EXIF date and description, XMP and text chunks.
        if (target == "picture_png")
            Copy("imaging/captioned.png", folder);
    } else if (target == "picture_heif" || target == "picture_avif") {
        // Small files, turned, with and without transparency.
        namespace samples = qel::imaging::samples;
        const bool heif = target == "picture_heif";
        samples::SampleOptions turned;
        turned.orientation = 6;
        turned.quarterTurns = 1;
        turned.mirror = 1;
        samples::SampleOptions clear;
        clear.alpha = samples::LeftHalfClear();
        const qel::raster::Bitmap q = samples::Quadrants();
        int n = 0;
        for (const samples::SampleOptions& o : {samples::SampleOptions{}, turned, clear}) {
            const auto bytes = heif ? samples::EncodeHeic(q, o) : samples::EncodeAvif(q, o);
            if (!bytes.empty())
                WriteBytes(folder / ("seed" + std::to_string(n++) + (heif ? ".heic" : ".avif")), bytes);
        }
    } else if (target == "picture_avif_grid") {
        // Grids of 2 x 2 and 3 x 1 tiles, one with transparency.
        namespace samples = qel::imaging::samples;
        samples::SampleOptions clear;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                clear.alpha.push_back(x < 64 ? 0 : 255);
        const auto grids = {samples::EncodeAvifGrid(samples::Quadrants(128, 128), 2, 2),
                            samples::EncodeAvifGrid(samples::Quadrants(192, 64), 3, 1),
                            samples::EncodeAvifGrid(samples::Quadrants(128, 128), 2, 2, clear)};
        int n = 0;
        for (const auto& bytes : grids) {
            if (!bytes.empty())
                WriteBytes(folder / ("grid" + std::to_string(n++) + ".avif"), bytes);
        }
#if QEL_IMAGING_QT
    } else if (target == "picture_webp" || target == "picture_tiff") {
        const char* format = target == "picture_webp" ? "webp" : "tiff";
        for (const auto& s : sizes)
            for (bool alpha : {false, true})
                WriteWithQt(folder / ("seed_" + std::to_string(s[0]) + "x" + std::to_string(s[1]) +
                                      (alpha ? "a." : ".") + format),
                            Gradient(s[0], s[1]), format, alpha);
#endif
    } else if (target == "picture_jpeg") {
        Copy("imaging/camera_orient6.jpg", folder);
        Copy("imaging/captioned.jpg", folder);
    } else if (target == "picture_gif") {
        Copy("imaging/transparent.gif", folder);
    } else if (target == "picture_ico") {
        Copy("imaging/multi.ico", folder);
    } else if (target == "mp3") {
        Copy("audio/tone.mp3", folder);
        Copy("audio/long.mp3", folder);
    } else if (target == "settings") {
        qel::settings::SaverSettings s;
        s.imageSize = 1;
        s.sequence = 1;
        s.bgColor = 0x00804020;
        s.randomSound = 0;
        s.transSetup = "0101101";
        s.sounds = {"/home/user/Music/song.mp3", "/home/user/Music/tune.mid"};
        s.images = {"/home/user/Pictures/a.jpg", "/home/user/Pictures/b c.png"};
        WriteText(folder / "saved.dat", qel::settings::FormatSettings(s));
        WriteText(folder / "hand.dat", "; a comment\n[options]\nInterval=0x0A\nimagesize=2\n[Images]\n/p.jpg\n"
                                       "[Images]\n/q.jpg=\n[Path]\nAppPath=/opt/qel/\n");
    } else if (target == "entry_name") {
        WriteText(folder / "plain", "/home/user/Pictures/Sun.jpg");
        WriteText(folder / "latin", "/tmp/caf\xC3\xA9 sm\xC3\xB8rbr\xC3\xB8"
                                    "d.txt");
        WriteText(folder / "relative", "../a/./b//c.txt");
        const char bytes[] = "/x/\xFF\xFE\x80name";
        WriteText(folder / "bytes", std::string(bytes, sizeof bytes - 1));
    } else if (target == "host_file") {
        WriteText(folder / "usual",
                  "# XScreenSaver Preferences File\n\nmode:\t\trandom\nselected:\t3\ntimeout:\t0:10:00\n"
                  "programs:\t\t\t\t\t\t\t\t      \\\n\t\t\t\tmaze -root\t\t\t\t    \\n\\\n"
                  "-\t\t\t\tGL: \"Cubes\"  cubes -root\t\t\t    \\n\\\n"
                  "\t\t\t\t\"Garden\"  /qel-fuzz/savers/Garden/Garden.scr --root\t    \\n\n");
        WriteText(folder / "crlf", "mode: one\r\nselected: 0\r\nprograms: a \\n\\\r\n b\r\n");
    } else if (target == "resume_file") {
        WriteText(folder / "written", qel::settings::FormatResumeRecord({0x0123456789abcdefull, 41}));
        WriteText(folder / "torn", "list=0123456789abcdef\nla");
    } else {
        std::fprintf(stderr, "fuzz_seeds: unknown target %s\n", target.c_str());
        return 2;
    }
    return 0;
}
