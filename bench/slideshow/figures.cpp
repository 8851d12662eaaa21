// slideshow_figures firstframe JPEG [RUNS] [--base DIR] [--bin DIR]
//     Times `QelSaver /s` on a 1920x1080 Xvfb showing one large JPEG (fitted): from the start of the
//     process to the window on screen, to the first transition frame with picture pixels, and to
//     the whole picture; in the same run, the first frame of the program in DIR (--base, another
//     build) and the time djpeg takes to decode the JPEG at half scale. Prints each run, then the
//     minimum and median of the runs after the first and the first frame against the decode.
// slideshow_figures memory SECONDS JPEG...
//     Runs a show of the given pictures (Interval 1, Duration 0, all styles) for SECONDS and
//     samples the program's resident memory every 5 seconds; prints the samples, the peak and an
//     estimate of the transitions run.
// --bin DIR takes QelSaver and its decoder library from DIR (another build) instead of this one.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "imaging/fitpicture.h"
#include "x11harness.h"

using namespace qel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kW = 1920;
constexpr int kH = 1080;
constexpr raster::Color kBg = 0x00202020;

std::string binDir = QEL_BIN_DIR;

long StatusKb(pid_t pid, const char* key)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::string(key).size()));
    return -1;
}

// Three rows across the screen, enough to see the window, a frame and the whole picture.
std::vector<raster::Bitmap> Rows(e2e::VirtualScreen& s)
{
    return {s.Grab(0, 100, kW, 1), s.Grab(0, 540, kW, 1), s.Grab(0, 980, kW, 1)};
}

bool RowsAll(const std::vector<raster::Bitmap>& rows, raster::Color c)
{
    for (const auto& r : rows)
        for (int x = 0; x < r.Width(); ++x)
            if (r.Pixel(x, 0) != c)
                return false;
    return true;
}

struct FirstFrameTimes {
    double window = -1, frame = -1, whole = -1;
    long peakKb = -1;
};

// One start of `QelSaver /s` from `dir` on `screen`, timed from the outside.
FirstFrameTimes MeasureFirstFrame(e2e::VirtualScreen& screen, const std::string& dir, const std::string& jpeg,
                                  const std::vector<raster::Bitmap>& expectedRows)
{
    e2e::SaverInstall install(dir);
    settings::SaverSettings s;
    s.imageSize = 1;
    s.bgColor = std::int32_t(kBg);
    s.interval = 60;
    s.duration = 0;
    s.transSetup = "1";
    s.images = {jpeg};
    install.WriteSettings(s);
    e2e::WaitUntil([&] { return RowsAll(Rows(screen), 0); });
    const auto start = Clock::now();
    e2e::SaverProcess saver(install, screen, {"/s"});
    FirstFrameTimes r;
    while (r.whole < 0 && Clock::now() - start < e2e::kPatience) {
        // A short pause between looks leaves the processors to the program being measured.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const auto rows = Rows(screen);
        const double t = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        bool any = false, complete = true, picture = false;
        for (std::size_t i = 0; i < rows.size(); ++i)
            for (int x = 0; x < kW; ++x) {
                const raster::Color c = rows[i].Pixel(x, 0), want = expectedRows[i].Pixel(x, 0);
                any = any || c != 0;
                complete = complete && c == want;
                picture = picture || (c != kBg && c != 0 && c == want && want != kBg);
            }
        if (r.window < 0 && any)
            r.window = t;
        if (r.frame < 0 && picture)
            r.frame = t;
        if (complete)
            r.whole = t;
    }
    r.peakKb = StatusKb(saver.Pid(), "VmHWM:");
    return r;
}

// The whole-process time of decoding `jpeg` at half scale with libjpeg-turbo's own tool.
double HalfScaleDecodeMs(const std::string& jpeg)
{
    const std::string command = "djpeg -scale 1/2 -outfile /dev/null '" + jpeg + "'";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        return -1;
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1.0 : v[v.size() / 2];
}

double Min(const std::vector<double>& v)
{
    return v.empty() ? -1.0 : *std::min_element(v.begin(), v.end());
}

// Each run measures this build, then the base build when there is one, then the half-scale decode,
// so that the machine's other load falls on all of them alike.
int FirstFrame(const std::string& jpeg, int runs, const std::string& baseDir)
{
    e2e::VirtualScreen screen(kW, kH);
    if (!screen.Ok()) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        return 1;
    }
    const raster::Bitmap expected = imaging::LoadFittedPicture(jpeg, kW, kH, true, kBg);
    std::vector<raster::Bitmap> expectedRows;
    for (int y : {100, 540, 980}) {
        raster::Bitmap r(kW, 1);
        for (int x = 0; x < kW; ++x)
            r.SetPixel(x, 0, expected.Pixel(x, y));
        expectedRows.push_back(r);
    }
    std::vector<double> window, frame, whole, baseFrame, half;
    for (int run = 0; run < runs; ++run) {
        const FirstFrameTimes t = MeasureFirstFrame(screen, binDir, jpeg, expectedRows);
        std::printf("run %d: window %.0f ms, first frame %.0f ms, whole picture %.0f ms, peak RSS %ld kB", run + 1,
                    t.window, t.frame, t.whole, t.peakKb);
        FirstFrameTimes b;
        if (!baseDir.empty()) {
            b = MeasureFirstFrame(screen, baseDir, jpeg, expectedRows);
            std::printf("; base: first frame %.0f ms", b.frame);
        }
        const double h = HalfScaleDecodeMs(jpeg);
        std::printf("; half-scale decode %.0f ms\n", h);
        std::fflush(stdout);
        if (run > 0 || runs == 1) {  // the first run warms the caches
            window.push_back(t.window);
            frame.push_back(t.frame);
            whole.push_back(t.whole);
            if (!baseDir.empty())
                baseFrame.push_back(b.frame);
            if (h > 0)
                half.push_back(h);
        }
    }
    std::printf("median (warm runs): window %.0f ms, first frame %.0f ms, whole picture %.0f ms\n", Median(window),
                Median(frame), Median(whole));
    std::printf("first frame: min %.0f, median %.0f ms", Min(frame), Median(frame));
    if (!baseDir.empty())
        std::printf("; base: min %.0f, median %.0f ms", Min(baseFrame), Median(baseFrame));
    if (!half.empty())
        std::printf("; half-scale decode: min %.0f, median %.0f ms; first frame / decode: %.2f (medians), %.2f (mins)",
                    Min(half), Median(half), Median(frame) / Median(half), Min(frame) / Min(half));
    std::printf("\n");
    return 0;
}

int Memory(int seconds, const std::vector<std::string>& pictures)
{
    e2e::VirtualScreen screen(kW, kH);
    if (!screen.Ok()) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        return 1;
    }
    e2e::SaverInstall install(binDir);
    settings::SaverSettings s;
    s.imageSize = 1;
    s.interval = 1;
    s.duration = 0;
    s.transSetup = std::string(92, '1');
    s.images = pictures;
    install.WriteSettings(s);
    e2e::SaverProcess saver(install, screen, {"/s"});
    const auto start = Clock::now();
    auto nextSample = start;
    raster::Bitmap lastRow;
    auto lastChange = start;
    bool settled = false;
    long transitions = 0;
    while (Clock::now() - start < std::chrono::seconds(seconds) && saver.Running()) {
        // A transition starts when the middle row changes after having been still for a while.
        raster::Bitmap row = screen.Grab(0, 540, kW, 1);
        const auto now = Clock::now();
        if (!(row == lastRow)) {
            if (settled)
                ++transitions;
            settled = false;
            lastChange = now;
            lastRow = row;
        } else if (now - lastChange > std::chrono::milliseconds(600)) {
            settled = true;
        }
        if (now >= nextSample) {
            const double t = std::chrono::duration<double>(now - start).count();
            std::printf("%6.0f s  RSS %7ld kB  peak %7ld kB  transitions ~%ld\n", t, StatusKb(saver.Pid(), "VmRSS:"),
                        StatusKb(saver.Pid(), "VmHWM:"), transitions);
            std::fflush(stdout);
            nextSample += std::chrono::seconds(5);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::printf("end: RSS %ld kB, peak %ld kB, transitions ~%ld, still running: %s\n", StatusKb(saver.Pid(), "VmRSS:"),
                StatusKb(saver.Pid(), "VmHWM:"), transitions, saver.Running() ? "yes" : "no");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string baseDir;
    for (std::size_t i = 0; i + 1 < args.size();) {
        if (args[i] == "--bin" || args[i] == "--base") {
            (args[i] == "--bin" ? binDir : baseDir) = args[i + 1];
            args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
        } else {
            ++i;
        }
    }
    if (args.size() >= 2 && args[0] == "firstframe")
        return FirstFrame(args[1], args.size() >= 3 ? std::stoi(args[2]) : 6, baseDir);
    if (args.size() >= 3 && args[0] == "memory")
        return Memory(std::stoi(args[1]), std::vector<std::string>(args.begin() + 2, args.end()));
    std::fprintf(stderr, "usage: slideshow_figures firstframe JPEG [RUNS] [--base DIR] | memory SECONDS JPEG...\n"
                         "       (--bin DIR: the program from DIR instead of this build)\n");
    return 2;
}
