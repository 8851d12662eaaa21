#pragma once
// End-to-end test harness: a private X server (Xvfb) per test, the real QelSaver run from a folder
// of its own (it reads its settings beside the program file), screen grabs with exact pixels, and
// input through xdotool.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>
#include <xcb/xcb.h>

#include "raster/bitmap.h"
#include "settings/saversettings.h"

namespace qel::e2e {

// Generous upper bound for anything the tests wait for; reaching it is a failure, not a measure.
inline constexpr std::chrono::seconds kPatience{40};

// The server resets whenever its last client leaves, as a server started by hand or for a kiosk
// does; the screen's own connection keeps it from doing so while it is open.
class VirtualScreen {
public:
    enum class Connection {
        Now,    // the screen connects at once
        Later,  // only on Connect(): the program under test may be the server's first client
    };
    // `serverArgs` are added to the server's command line ("-ac": clients of other users may connect).
    VirtualScreen(int width, int height, const std::vector<std::string>& serverArgs = {},
                  Connection connection = Connection::Now);
    ~VirtualScreen();
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;

    // The server runs (and the screen is connected, unless that was left for later).
    [[nodiscard]] bool Ok() const { return ok_; }
    // Connects the screen, for grabs and windows; true when it is connected.
    bool Connect();
    // How many connections the process `pid` has made to the server so far (only with
    // Connection::Later, whose server reports them).
    [[nodiscard]] int ConnectionsFrom(pid_t pid) const;
    [[nodiscard]] const std::string& Display() const { return display_; }
    [[nodiscard]] int Width() const { return width_; }
    [[nodiscard]] int Height() const { return height_; }
    [[nodiscard]] pid_t ServerPid() const { return server_; }

    // The pixels of a rectangle of the screen (root window), 0x00BBGGRR like the raster layer.
    [[nodiscard]] raster::Bitmap Grab(int x, int y, int w, int h);
    [[nodiscard]] raster::Bitmap Grab() { return Grab(0, 0, width_, height_); }

    // A plain mapped top-level window standing in for another program's dialog.
    [[nodiscard]] xcb_window_t CreateWindow(int x, int y, int w, int h);
    void DestroyWindow(xcb_window_t w);
    void ResizeWindow(xcb_window_t w, int width, int height);

    // Runs xdotool with `args` on this screen; true when it succeeded.
    bool Xdotool(const std::string& args);

private:
    std::string display_;
    std::string auditLog_;
    bool ok_ = false;
    int width_;
    int height_;
    pid_t server_ = -1;
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
};

// A copy of the program (with its decoder library) in a temporary folder of its own, taken from
// the build's program folder or from `binDir` (benchmarks compare builds).
class SaverInstall {
public:
    SaverInstall() : SaverInstall(QEL_BIN_DIR) {}
    explicit SaverInstall(const std::string& binDir);
    ~SaverInstall();
    [[nodiscard]] const std::string& Folder() const { return folder_; }
    // Writes "QelSetup.dat" beside the program.
    void WriteSettings(const settings::SaverSettings& s) const;
    // A file in the install folder, for pictures and the system-folder copy of the settings.
    [[nodiscard]] std::string Path(const std::string& name) const { return folder_ + "/" + name; }

private:
    std::string folder_;
};

// One run of the program.
class SaverProcess {
public:
    SaverProcess(const SaverInstall& install, const VirtualScreen& screen, const std::vector<std::string>& args,
                 const std::vector<std::string>& extraEnv = {});
    // Another program file (an installed saver), with the install's folders for its files.
    SaverProcess(const std::string& program, const SaverInstall& install, const VirtualScreen& screen,
                 const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {});
    // A run with no X server, in the session `sessionEnv` describes (a Wayland compositor's).
    SaverProcess(const SaverInstall& install, const std::vector<std::string>& args,
                 const std::vector<std::string>& sessionEnv);
    ~SaverProcess();  // kills the program when it still runs
    SaverProcess(const SaverProcess&) = delete;
    SaverProcess& operator=(const SaverProcess&) = delete;

    [[nodiscard]] bool Running();
    // Waits until the program has ended, at most kPatience. True when it ended.
    bool WaitForExit();
    [[nodiscard]] int ExitCode() const { return exitCode_; }
    [[nodiscard]] pid_t Pid() const { return pid_; }
    [[nodiscard]] std::string Output() const;

private:
    pid_t pid_ = -1;
    int exitCode_ = -1;
    std::string logPath_;
};

// `env` with a session-bus address that leads nowhere unless it names one: the window toolkit's
// accessibility bridge asks for the session bus, and with none set the bus library would start a
// bus daemon of its own for the display, which writes into the home folder and outlives the test.
[[nodiscard]] std::vector<std::string> WithoutPrivateBus(std::vector<std::string> env);

// Starts argv with exactly the environment `env` (NAME=value); its output is appended to `log`
// (nothing kept when empty). Returns the process id, or -1.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log);

// Runs argv with `extraEnv` (NAME=value) added, to its end (at most kPatience); without a display
// unless `extraEnv` names one.
// Returns its exit code (-1 when it could not be started or did not end); its output goes to *output.
int RunToEnd(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
             std::string* output = nullptr);

// Calls `done` repeatedly until it returns true or kPatience has passed; returns its last answer.
bool WaitUntil(const std::function<bool()>& done);

// Number of pixels that differ between two bitmaps of the same size (all when the sizes differ).
[[nodiscard]] long DifferingPixels(const raster::Bitmap& a, const raster::Bitmap& b);

}  // namespace qel::e2e
