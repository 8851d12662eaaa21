#include "x11harness.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qel::e2e {
namespace fs = std::filesystem;

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log)
{
    std::vector<char*> a;
    for (const auto& s : argv)
        a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    std::vector<char*> e;
    for (const auto& s : env)
        e.push_back(const_cast<char*>(s.c_str()));
    e.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string out = log.empty() ? "/dev/null" : log;
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    pid_t pid = -1;
    if (posix_spawnp(&pid, a[0], &actions, nullptr, a.data(), e.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

std::vector<std::string> WithoutPrivateBus(std::vector<std::string> env)
{
    const auto named = [](const std::string& e) { return e.rfind("DBUS_SESSION_BUS_ADDRESS=", 0) == 0; };
    if (std::none_of(env.begin(), env.end(), named))
        env.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/qel-test-no-session-bus");
    return env;
}

namespace {

// The environment of this process with `overrides` (NAME=value) put in place.
std::vector<std::string> Environment(const std::vector<std::string>& overrides)
{
    std::vector<std::string> env;
    for (char** p = environ; *p; ++p) {
        const std::string entry = *p;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto& o : overrides)
            replaced = replaced || o.substr(0, o.find('=')) == name;
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), overrides.begin(), overrides.end());
    return WithoutPrivateBus(std::move(env));
}

std::string TempFolder(const std::string& prefix)
{
    std::string tmpl = (fs::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (!mkdtemp(tmpl.data()))
        return {};
    return tmpl;
}

}  // namespace

int RunToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv, std::string* output)
{
    const std::string log = TempFolder("qel-run-") + "/output";
    std::vector<std::string> env = extraEnv;
    if (std::none_of(env.begin(), env.end(), [](const std::string& e) { return e.rfind("DISPLAY=", 0) == 0; }))
        env.push_back("DISPLAY=");
    const pid_t pid = Spawn(argv, Environment(env), log);
    int code = -1;
    if (pid > 0) {
        int status = 0;
        const bool ended = WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; });
        if (ended)
            code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        else {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    if (output) {
        std::ifstream in(log);
        std::stringstream ss;
        ss << in.rdbuf();
        *output = ss.str();
    }
    std::error_code ec;
    fs::remove_all(fs::path(log).parent_path(), ec);
    return code;
}

bool WaitUntil(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < deadline) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

// --- VirtualScreen ----------------------------------------------------------------------------

VirtualScreen::VirtualScreen(int width, int height, const std::vector<std::string>& serverArgs, Connection connection)
    : width_(width), height_(height)
{
    // Xvfb picks a free display number itself and writes it to the pipe: tests that run side by
    // side never share a server.
    int fds[2];
    if (pipe(fds) != 0)
        return;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::vector<std::string> argv{"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp"};
    argv.insert(argv.end(), serverArgs.begin(), serverArgs.end());
    // The server reports its clients coming and going on its error output.
    if (connection == Connection::Later) {
        auditLog_ = TempFolder("qel-xvfb-") + "/audit";
        argv.insert(argv.end(), {"-audit", "2"});
    }
    std::vector<char*> a;
    for (auto& s : argv)
        a.push_back(s.data());
    a.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);  // first: it may itself be descriptor 3
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, auditLog_.empty() ? "/dev/null" : auditLog_.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (posix_spawnp(&server_, "Xvfb", &actions, nullptr, a.data(), environ) != 0)
        server_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string number;
    char c = 0;
    while (server_ > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (server_ <= 0 || number.empty())
        return;
    display_ = ":" + number;
    ok_ = connection == Connection::Later || Connect();
}

VirtualScreen::~VirtualScreen()
{
    if (connection_)
        xcb_disconnect(connection_);
    if (server_ > 0) {
        kill(server_, SIGTERM);
        waitpid(server_, nullptr, 0);
    }
    std::error_code ec;
    if (!auditLog_.empty())
        fs::remove_all(fs::path(auditLog_).parent_path(), ec);
}

bool VirtualScreen::Connect()
{
    if (connection_ || display_.empty())
        return connection_ != nullptr;
    xcb_connection_t* conn = xcb_connect(display_.c_str(), nullptr);
    if (xcb_connection_has_error(conn)) {
        xcb_disconnect(conn);
        return false;
    }
    connection_ = conn;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    return true;
}

int VirtualScreen::ConnectionsFrom(pid_t pid) const
{
    // "AUDIT: <date>: <server pid>: client 3 connected from local host ( uid=0 gid=0 pid=1234 )"
    std::ifstream in(auditLog_);
    const std::string from = " pid=" + std::to_string(pid) + " ";
    int n = 0;
    for (std::string line; std::getline(in, line);)
        n += line.find(" connected from ") != std::string::npos && line.find(from) != std::string::npos;
    return n;
}

raster::Bitmap VirtualScreen::Grab(int x, int y, int w, int h)
{
    raster::Bitmap out(w, h);
    xcb_get_image_reply_t* reply =
        xcb_get_image_reply(connection_,
                            xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, root_, std::int16_t(x),
                                          std::int16_t(y), std::uint16_t(w), std::uint16_t(h), ~0u),
                            nullptr);
    if (!reply)
        return out;
    const auto* data = xcb_get_image_data(reply);
    const int length = xcb_get_image_data_length(reply);
    if (length >= w * h * 4) {
        for (int row = 0; row < h; ++row) {
            std::uint8_t* dst = out.Scanline(row);
            const std::uint8_t* src = data + std::size_t(row) * std::size_t(w) * 4;
            for (int col = 0; col < w; ++col) {
                // X gives blue, green, red, pad; the raster layer keeps blue, green, red.
                dst[col * 3 + 0] = src[col * 4 + 0];
                dst[col * 3 + 1] = src[col * 4 + 1];
                dst[col * 3 + 2] = src[col * 4 + 2];
            }
        }
    }
    std::free(reply);
    return out;
}

xcb_window_t VirtualScreen::CreateWindow(int x, int y, int w, int h)
{
    const xcb_window_t id = xcb_generate_id(connection_);
    const std::uint32_t values[] = {0x404040};
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, id, root_, std::int16_t(x), std::int16_t(y), std::uint16_t(w),
                      std::uint16_t(h), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL,
                      values);
    xcb_map_window(connection_, id);
    free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    return id;
}

void VirtualScreen::DestroyWindow(xcb_window_t w)
{
    xcb_destroy_window(connection_, w);
    free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

void VirtualScreen::ResizeWindow(xcb_window_t w, int width, int height)
{
    const std::uint32_t values[] = {std::uint32_t(width), std::uint32_t(height)};
    xcb_configure_window(connection_, w, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
    free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

bool VirtualScreen::Xdotool(const std::string& args)
{
    const std::string command = "DISPLAY=" + display_ + " xdotool " + args + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// --- SaverInstall -----------------------------------------------------------------------------

SaverInstall::SaverInstall(const std::string& binDir) : folder_(TempFolder("qel-e2e-"))
{
    for (const char* name : {"QelSaver", "QelMpegDll.dll"}) {
        const fs::path from = fs::path(binDir) / name;
        const fs::path to = fs::path(folder_) / name;
        std::error_code ec;
        fs::create_hard_link(from, to, ec);
        if (ec)
            fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    }
    fs::create_directories(fs::path(folder_) / "run");
    fs::permissions(fs::path(folder_) / "run", fs::perms::owner_all);
    fs::create_directories(fs::path(folder_) / "system");
}

SaverInstall::~SaverInstall()
{
    std::error_code ec;
    if (!folder_.empty() && !std::getenv("QEL_E2E_KEEP"))
        fs::remove_all(folder_, ec);
}

void SaverInstall::WriteSettings(const settings::SaverSettings& s) const
{
    settings::SaveSettings(Path(settings::kSettingsFileName), s);
}

// --- SaverProcess -----------------------------------------------------------------------------

SaverProcess::SaverProcess(const SaverInstall& install, const VirtualScreen& screen,
                           const std::vector<std::string>& args, const std::vector<std::string>& extraEnv)
    : SaverProcess(install.Path("QelSaver"), install, screen, args, extraEnv)
{
}

SaverProcess::SaverProcess(const std::string& program, const SaverInstall& install, const VirtualScreen& screen,
                           const std::vector<std::string>& args, const std::vector<std::string>& extraEnv)
    : logPath_(install.Path("saver-" + std::to_string(std::rand()) + ".log"))
{
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env{"DISPLAY=" + screen.Display(), "XDG_RUNTIME_DIR=" + install.Path("run"),
                                 "QELSAVER_SYSTEM_DIR=" + install.Path("system"), "QELSAVER_AUDIO_SINK=null",
                                 "QT_QPA_PLATFORM=xcb"};
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    pid_ = Spawn(argv, Environment(env), logPath_);
}

SaverProcess::SaverProcess(const SaverInstall& install, const std::vector<std::string>& args,
                           const std::vector<std::string>& sessionEnv)
    : logPath_(install.Path("saver-" + std::to_string(std::rand()) + ".log"))
{
    std::vector<std::string> argv{install.Path("QelSaver")};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env{"DISPLAY=", "XDG_RUNTIME_DIR=" + install.Path("run"),
                                 "QELSAVER_SYSTEM_DIR=" + install.Path("system"), "QELSAVER_AUDIO_SINK=null"};
    env.insert(env.end(), sessionEnv.begin(), sessionEnv.end());
    pid_ = Spawn(argv, Environment(env), logPath_);
}

SaverProcess::~SaverProcess()
{
    if (Running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool SaverProcess::Running()
{
    if (pid_ <= 0 || exitCode_ != -1)
        return false;
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == 0)
        return true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
}

bool SaverProcess::WaitForExit()
{
    return WaitUntil([&] { return !Running(); });
}

std::string SaverProcess::Output() const
{
    std::ifstream in(logPath_);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

long DifferingPixels(const raster::Bitmap& a, const raster::Bitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return long(std::max(a.Width() * a.Height(), b.Width() * b.Height()));
    long n = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            n += a.Pixel(x, y) != b.Pixel(x, y);
    return n;
}

}  // namespace qel::e2e
