#include "waylandharness.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

#include "x11harness.h"

namespace qel::e2e {
namespace fs = std::filesystem;

namespace {

// The user the compositor runs as when the tests run as root: nobody, who owns nothing.
constexpr uid_t kUnprivileged = 65534;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The bytes of a binary PPM (P6, maxval 255) as a bitmap; an empty one when they are not such.
raster::Bitmap ReadPpm(const std::string& bytes)
{
    // "P6", width, height, maxval, each after white space, then one white space and the pixels.
    std::istringstream in(bytes);
    std::string magic;
    int w = 0;
    int h = 0;
    int maxval = 0;
    if (!(in >> magic >> w >> h >> maxval) || magic != "P6" || maxval != 255 || w <= 0 || h <= 0 || w > 16384 ||
        h > 16384)
        return {};
    const std::size_t start = std::size_t(in.tellg()) + 1;
    if (bytes.size() < start + std::size_t(w) * std::size_t(h) * 3)
        return {};
    raster::Bitmap out(w, h);
    const auto* src = reinterpret_cast<const std::uint8_t*>(bytes.data() + start);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* dst = out.Scanline(y);
        for (int x = 0; x < w; ++x, src += 3) {
            dst[x * 3 + 0] = src[2];  // red, green, blue → blue, green, red
            dst[x * 3 + 1] = src[1];
            dst[x * 3 + 2] = src[0];
        }
    }
    return out;
}

}  // namespace

HeadlessSway::HeadlessSway(int outputs, int width, int height) : outputs_(outputs), width_(width), height_(height)
{
    // The compositor's user must reach its folder, and the tests' own temporary folder is closed to
    // others.
    std::string tmpl = "/tmp/qel-sway-XXXXXX";
    if (!mkdtemp(tmpl.data())) {
        problem_ = "no temporary folder";
        return;
    }
    folder_ = tmpl;
    const fs::path run = fs::path(folder_) / "run";
    fs::create_directory(run);
    fs::permissions(run, fs::perms::owner_all);
    std::ofstream config(fs::path(folder_) / "config");
    // No X server for older programs; the outputs side by side at the given size.
    config << "xwayland disable\n";
    for (int i = 0; i < outputs; ++i)
        config << "output HEADLESS-" << i + 1 << " mode " << width << "x" << height << " position " << i * width
               << " 0\n";
    config.close();
    fs::permissions(fs::path(folder_), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                           fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(fs::path(folder_) / "config",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);

    std::vector<std::string> argv;
    if (geteuid() == 0) {
        if (chown(run.c_str(), kUnprivileged, kUnprivileged) != 0) {
            problem_ = "cannot hand the runtime folder to the unprivileged user";
            return;
        }
        argv = {"setpriv", "--reuid=" + std::to_string(kUnprivileged), "--regid=" + std::to_string(kUnprivileged),
                "--clear-groups"};
    }
    argv.insert(argv.end(), {"sway", "-c", folder_ + "/config"});
    // Software drawing keeps the pixels exact and needs no graphics device.
    const char* path = std::getenv("PATH");
    const std::vector<std::string> env{"PATH=" + std::string(path ? path : "/usr/bin:/bin"),
                                       "HOME=" + run.string(),
                                       "XDG_RUNTIME_DIR=" + run.string(),
                                       "WLR_BACKENDS=headless",
                                       "WLR_LIBINPUT_NO_DEVICES=1",
                                       "WLR_RENDERER=pixman",
                                       "WLR_HEADLESS_OUTPUTS=" + std::to_string(outputs)};
    pid_ = Spawn(argv, env, folder_ + "/sway.log");
    if (pid_ <= 0) {
        problem_ = "sway could not be started";
        return;
    }
    // The compositor names its socket itself, in its private runtime folder.
    bool ended = false;
    WaitUntil([&] {
        ended = waitpid(pid_, nullptr, WNOHANG) == pid_;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(run, ec)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos && entry.is_socket())
                socket_ = entry.path().string();
        }
        return ended || !socket_.empty();
    });
    if (ended) {
        pid_ = -1;
        socket_.clear();
        problem_ = "sway ended at start: " + ReadAll(folder_ + "/sway.log");
    } else if (socket_.empty()) {
        problem_ = "sway made no socket: " + ReadAll(folder_ + "/sway.log");
    }
}

HeadlessSway::~HeadlessSway()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        if (!WaitUntil([&] { return waitpid(pid_, nullptr, WNOHANG) == pid_; })) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    std::error_code ec;
    if (!folder_.empty() && !std::getenv("QEL_E2E_KEEP"))
        fs::remove_all(folder_, ec);
}

std::string HeadlessSway::Problem() const
{
    return problem_;
}

std::vector<std::string> HeadlessSway::Outputs() const
{
    std::vector<std::string> names;
    for (int i = 0; i < outputs_; ++i)
        names.push_back("HEADLESS-" + std::to_string(i + 1));
    return names;
}

std::vector<std::string> HeadlessSway::SessionEnv() const
{
    // The socket by its full path: the runtime folder is the compositor's user's, not ours.
    return {"WAYLAND_DISPLAY=" + socket_, "XDG_SESSION_TYPE=wayland"};
}

raster::Bitmap HeadlessSway::Grab(const std::string& output) const
{
    const std::string file = folder_ + "/grab-" + output + ".ppm";
    std::vector<std::string> env = SessionEnv();
    if (RunToEnd({"grim", "-t", "ppm", "-o", output, file}, env) != 0)
        return {};
    raster::Bitmap grab = ReadPpm(ReadAll(file));
    std::error_code ec;
    fs::remove(file, ec);
    if (grab.Width() != width_ || grab.Height() != height_)
        return {};
    return grab;
}

bool HeadlessSway::Type(const std::string& text) const
{
    return RunToEnd({"wtype", text}, SessionEnv()) == 0;
}

}  // namespace qel::e2e
