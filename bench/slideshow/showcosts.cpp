// What a running show costs, measured from outside on a private Xvfb of the given size:
//
// slideshow_costs cpu SECONDS WIDTH HEIGHT INTERVAL DURATION PICTURE... [--bin DIR] [--settle S] [--motion]
//     Runs a show of the pictures (fitted, all styles) and reports, over SECONDS after the first
//     picture is on screen, the program's CPU time as a share of one core, the X server's, and how
//     often the program's threads woke up (context switches per second).
// slideshow_costs pace WIDTH HEIGHT STYLE... [--bin DIR]
//     For each style, a show of two screen-sized pictures at Duration 0 (10 ms per frame) with only
//     that style: watches rows of the screen and reports, over several transitions, how long one
//     takes from its first visible frame to its last against its nominal time (frames x 10 ms).
//
// --bin DIR takes QelSaver and its decoder library from DIR (another build) instead of this one;
// --settle S waits S seconds more after the first picture before measuring (an idle show);
// --motion makes the pictures pan and zoom (setting Motion 1), and reports the times between the
// frames of the moving pictures over the measured time, and what drawing each cost (the show
// writes them to the file named by QELSAVER_FRAME_LOG).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <unistd.h>

#include "imaging/picturewriter.h"
#include "pictureshow/frame.h"
#include "pictureshow/pictureshowengine.h"
#include "pictureshow/styles.h"
#include "x11harness.h"

using namespace qel;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kDuration0DelayMs = 10;
constexpr int kTransitionsPerStyle = 6;

std::string binDir = QEL_BIN_DIR;
int settleSeconds = 0;
bool motion = false;

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// User plus system time of a process and all its threads, in seconds.
double CpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string f;
    long long utime = 0, stime = 0;
    // Fields after the name start at 3 (state); utime and stime are fields 14 and 15.
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14)
            utime = std::stoll(f);
        if (i == 15)
            stime = std::stoll(f);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// Context switches of every thread of a process: each one is a wake-up.
long Wakeups(pid_t pid)
{
    long total = 0;
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream in(task.path() / "status");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                total += std::stol(line.substr(line.find(':') + 1));
    }
    return total;
}

bool AllBlack(const raster::Bitmap& b)
{
    for (int x = 0; x < b.Width(); ++x)
        if (b.Pixel(x, 0) != 0)
            return false;
    return true;
}

long long NowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size())))];
}

// The frame log of a show between `from` and `to` (steady-clock microseconds, which every process
// shares): "frame TIME COST" for each frame of a moving picture, "transition TIME" when one
// starts, "motion TIME" when a moving picture starts after it.
void ReportFrames(const std::string& log, long long from, long long to, double seconds)
{
    std::ifstream in(log);
    std::string kind;
    std::vector<double> gaps, costs;
    long long last = -1;
    int frames = 0;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        long long t = 0, cost = 0;
        if (!(fields >> kind >> t) || t < from || t > to) {
            last = -1;
            continue;
        }
        if (kind != "frame" || !(fields >> cost)) {
            last = -1;  // the frames of a transition are paced by the transition
            continue;
        }
        ++frames;
        costs.push_back(double(cost) / 1000);
        if (last >= 0)
            gaps.push_back(double(t - last) / 1000);
        last = t;
    }
    std::printf("  motion frames: %d (%.1f/s over the whole time); ms between frames: median %.1f, p10 %.1f, p90 "
                "%.1f, p99 %.1f, max %.1f; ms drawing and painting one: median %.1f, p90 %.1f, p99 %.1f\n",
                frames, frames / seconds, Percentile(gaps, 0.5), Percentile(gaps, 0.1), Percentile(gaps, 0.9),
                Percentile(gaps, 0.99), gaps.empty() ? 0 : *std::max_element(gaps.begin(), gaps.end()),
                Percentile(costs, 0.5), Percentile(costs, 0.9), Percentile(costs, 0.99));
}

int Cpu(int seconds, int w, int h, int interval, int duration, const std::vector<std::string>& pictures)
{
    e2e::VirtualScreen screen(w, h);
    if (!screen.Ok()) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        return 1;
    }
    e2e::SaverInstall install(binDir);
    settings::SaverSettings s;
    s.imageSize = 1;
    s.interval = interval;
    s.duration = duration;
    s.transSetup = std::string(pictureshow::kStyleCount, '1');
    s.images = pictures;
    s.motion = motion ? 1 : 0;
    install.WriteSettings(s);
    const std::string log = install.Path("frames.log");
    e2e::SaverProcess saver(install, screen, {"/s"}, {"QELSAVER_FRAME_LOG=" + log});
    const auto started = Clock::now();
    while (AllBlack(screen.Grab(0, h / 2, w, 1)) && Clock::now() - started < e2e::kPatience)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::seconds(settleSeconds));
    const double cpu0 = CpuSeconds(saver.Pid()), server0 = CpuSeconds(screen.ServerPid());
    const long wake0 = Wakeups(saver.Pid());
    const auto t0 = Clock::now();
    const long long from = NowUs();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long long to = NowUs();
    const double elapsed = Seconds(Clock::now() - t0);
    const double cpu = CpuSeconds(saver.Pid()) - cpu0, server = CpuSeconds(screen.ServerPid()) - server0;
    const long wakes = Wakeups(saver.Pid()) - wake0;
    std::printf("%dx%d Interval %d Duration %d%s, %.0f s: QelSaver %.1f %% of one core, Xvfb %.1f %%, "
                "QelSaver wake-ups %.1f/s%s\n",
                w, h, interval, duration, motion ? " Motion 1" : "", elapsed, 100 * cpu / elapsed,
                100 * server / elapsed, wakes / elapsed, saver.Running() ? "" : " (the program ended early)");
    if (motion)
        ReportFrames(log, from, to, elapsed);
    return 0;
}

raster::Bitmap PacePicture(int w, int h, std::uint8_t blue)
{
    raster::Bitmap b(w, h);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = b.Scanline(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = blue;
            row[3 * x + 1] = std::uint8_t(x * 255 / w);
            row[3 * x + 2] = std::uint8_t(y * 255 / h);
        }
    }
    return b;
}

// Rows across the screen, near the edges too, where the first frame of most styles shows.
std::vector<int> PaceRows(int h)
{
    std::vector<int> rows;
    for (int permille : {5, 30, 100, 300, 500, 700, 900, 970, 995})
        rows.push_back(std::min(h - 1, h * permille / 1000));
    return rows;
}

struct Rows {
    std::vector<raster::Bitmap> rows;
    friend bool operator==(const Rows&, const Rows&) = default;
};

Rows Sample(e2e::VirtualScreen& screen, const std::vector<int>& ys)
{
    Rows r;
    for (int y : ys)
        r.rows.push_back(screen.Grab(0, y, screen.Width(), 1));
    return r;
}

Rows Expected(const raster::Bitmap& picture, const std::vector<int>& ys)
{
    Rows r;
    for (int y : ys) {
        raster::Bitmap row(picture.Width(), 1);
        for (int x = 0; x < picture.Width(); ++x)
            row.SetPixel(x, 0, picture.Pixel(x, y));
        r.rows.push_back(row);
    }
    return r;
}

// The number of frames after the start frame of one transition of `style` on a w x h picture.
int Ticks(int style, int w, int h)
{
    int step = pictureshow::PictureShowEngine::kDefaultStep;
    int end = pictureshow::PictureShowEngine::kDefaultProgressMax;
    pictureshow::PrepareStyle(style, w, h, step, end);
    return (end + step - 1) / step;
}

int Pace(int w, int h, const std::vector<int>& styles)
{
    e2e::VirtualScreen screen(w, h);
    if (!screen.Ok()) {
        std::fprintf(stderr, "cannot start Xvfb\n");
        return 1;
    }
    const std::vector<int> ys = PaceRows(h);
    const raster::Bitmap a = PacePicture(w, h, 0x20), b = PacePicture(w, h, 0xD0);
    const Rows rowsA = Expected(a, ys), rowsB = Expected(b, ys);
    std::printf("%dx%d, Duration 0 (%d ms per frame): transition time from first to last frame, scaled to all "
                "frames\n",
                w, h, kDuration0DelayMs);
    for (int style : styles) {
        e2e::SaverInstall install(binDir);
        imaging::WritePicture(install.Path("a.bmp"), a);
        imaging::WritePicture(install.Path("b.bmp"), b);
        settings::SaverSettings s;
        s.imageSize = 0;
        s.interval = 1;
        s.duration = 0;
        s.transSetup = std::string(std::size_t(style), '0') + "1";
        s.images = {install.Path("a.bmp"), install.Path("b.bmp")};
        install.WriteSettings(s);
        e2e::SaverProcess saver(install, screen, {"/s"});
        const int ticks = Ticks(style, w, h);
        std::vector<double> times;
        // The first transition comes in over the background; measure the ones between pictures.
        if (!e2e::WaitUntil([&] { return Sample(screen, ys) == rowsA; })) {
            std::printf("style %d: the first picture never showed\n", style);
            continue;
        }
        const Rows* settled = &rowsA;
        const Rows* target = &rowsB;
        for (int n = 0; n < kTransitionsPerStyle && saver.Running(); ++n) {
            Clock::time_point first{}, last{};
            const auto deadline = Clock::now() + e2e::kPatience;
            while (Clock::now() < deadline) {
                const Rows now = Sample(screen, ys);
                const auto t = Clock::now();
                if (first == Clock::time_point{} && !(now == *settled))
                    first = t;
                if (now == *target) {
                    last = t;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            if (first == Clock::time_point{} || last == Clock::time_point{})
                break;
            // From the first frame to the last there are ticks - 1 frame periods.
            times.push_back(Seconds(last - first) * 1000 * ticks / std::max(ticks - 1, 1));
            std::swap(settled, target);
        }
        if (times.empty()) {
            std::printf("style %d: no transition seen\n", style);
            continue;
        }
        std::sort(times.begin(), times.end());
        const double nominal = double(ticks) * kDuration0DelayMs;
        const double median = times[times.size() / 2];
        std::printf("style %2d %-22s nominal %5.0f ms, measured median %5.0f ms (%+.0f %%), range %.0f-%.0f ms, %zu "
                    "transitions\n",
                    style, std::string(pictureshow::StyleDisplayName(style)).c_str(), nominal, median,
                    100 * (median - nominal) / nominal, times.front(), times.back(), times.size());
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size();) {
        if (args[i] == "--motion") {
            motion = true;
            args.erase(args.begin() + long(i));
        } else if (i + 1 < args.size() && (args[i] == "--bin" || args[i] == "--settle")) {
            if (args[i] == "--bin")
                binDir = args[i + 1];
            else
                settleSeconds = std::stoi(args[i + 1]);
            args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
        } else {
            ++i;
        }
    }
    if (args.size() >= 7 && args[0] == "cpu")
        return Cpu(std::stoi(args[1]), std::stoi(args[2]), std::stoi(args[3]), std::stoi(args[4]), std::stoi(args[5]),
                   std::vector<std::string>(args.begin() + 6, args.end()));
    if (args.size() >= 4 && args[0] == "pace") {
        std::vector<int> styles;
        for (std::size_t i = 3; i < args.size(); ++i)
            styles.push_back(std::stoi(args[i]));
        return Pace(std::stoi(args[1]), std::stoi(args[2]), styles);
    }
    std::fprintf(stderr, "usage: slideshow_costs cpu SECONDS WIDTH HEIGHT INTERVAL DURATION PICTURE... [--bin DIR] "
                         "[--settle S] [--motion]\n"
                         "       slideshow_costs pace WIDTH HEIGHT STYLE... [--bin DIR]\n");
    return 2;
}
