#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <thread>

#include "platform/environment.h"

extern char** environ;

namespace qel::platform {
namespace {

constexpr useconds_t kWaitStepUs = 2000;

class Pipe {
public:
    Pipe() { ok_ = ::pipe2(fds_, O_CLOEXEC) == 0; }
    ~Pipe()
    {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    [[nodiscard]] bool Ok() const { return ok_; }
    [[nodiscard]] int Read() const { return fds_[0]; }
    [[nodiscard]] int Write() const { return fds_[1]; }
    void CloseRead() { Close(fds_[0]); }
    void CloseWrite() { Close(fds_[1]); }

private:
    static void Close(int& fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    int fds_[2] = {-1, -1};
    bool ok_ = false;
};

// Starts `argv` (looked up on PATH) with the given descriptor set-up; 0 or the error number.
int Spawn(pid_t& pid, const std::vector<std::string>& argv, const posix_spawn_file_actions_t& actions)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    return ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
}

}  // namespace

bool InputIsTerminal()
{
    return ::isatty(0) == 1;
}

bool ErrorOutputIsTerminal()
{
    return ::isatty(2) == 1;
}

bool ShowMessageWithoutToolkit(const std::string& title, const std::string& text)
{
    constexpr int kReadingTimeMs = 30 * 60 * 1000;
    const std::vector<std::vector<std::string>> dialogs = {
        {"zenity", "--error", "--no-markup", "--title", title, "--text", text},
        {"kdialog", "--title", title, "--error", text},
        {"xmessage", "-center", title + "\n\n" + text},
    };
    for (const auto& dialog : dialogs) {
        if (FindOnPath(dialog.front()))
            return RunCommand(dialog, kReadingTimeMs).has_value();
    }
    return false;
}

std::optional<std::string> FindOnPath(const std::string& name)
{
    if (name.empty())
        return std::nullopt;
    if (name.find('/') != std::string::npos)
        return ::access(name.c_str(), X_OK) == 0 ? std::optional<std::string>(name) : std::nullopt;
    const std::string path = EnvironmentOr("PATH", "/usr/local/bin:/usr/bin:/bin");
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(':', start);
        if (end == std::string::npos)
            end = path.size();
        std::string dir = path.substr(start, end - start);
        if (dir.empty())
            dir = ".";
        const std::string candidate = dir + "/" + name;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<CommandResult> RunCommand(const std::vector<std::string>& argv, int timeoutMs)
{
    if (argv.empty())
        return std::nullopt;
    Pipe out;
    if (!out.Ok())
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.Write(), 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = Spawn(pid, argv, actions);
    posix_spawn_file_actions_destroy(&actions);
    out.CloseWrite();
    if (spawned != 0)
        return std::nullopt;

    CommandResult result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool timedOut = false;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{out.Read(), POLLIN, 0};
        const int n = ::poll(&p, 1, int(left.count()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            timedOut = n == 0;
            break;
        }
        char buffer[4096];
        const ssize_t got = ::read(out.Read(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;  // the program closed its output: it has ended or is about to
        result.output.append(buffer, std::size_t(got));
    }
    // A program may close its output and go on running: it still gets only the time that is left.
    int status = 0;
    while (!timedOut) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            break;
        if (std::chrono::steady_clock::now() >= deadline)
            timedOut = true;
        else
            ::usleep(kWaitStepUs);
    }
    if (timedOut) {
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
        return std::nullopt;
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::optional<int> StartCommand(const std::vector<std::string>& argv, int waitMs)
{
    if (argv.empty())
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = Spawn(pid, argv, actions);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (done < 0 && errno != EINTR)
            return -1;
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        ::usleep(kWaitStepUs);
    }
    // A program that opens a window may run until the user closes it: it goes on alone.
    std::thread([pid] {
        int ignored = 0;
        while (::waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {}
    }).detach();
    return kStillRunning;
}

std::string StartDetached(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // The grandchild writes the error number of a failed exec here; a successful exec closes it.
    Pipe report;
    if (!report.Ok())
        return std::strerror(errno);
    const pid_t child = ::fork();
    if (child < 0)
        return std::strerror(errno);
    if (child == 0) {
        // Only async-signal-safe calls from here on: this process may have other threads.
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0)
            ::_exit(grandchild < 0 ? 1 : 0);
        const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
        }
        // Our locks are open files: a service holding the editor's lock would keep the editor from
        // starting again.
        const auto keep = static_cast<unsigned>(report.Write());
        if (keep > 3)
            ::close_range(3, keep - 1, 0);
        ::close_range(keep + 1, ~0U, 0);
        ::execv(args[0], args.data());
        const int error = errno;
        [[maybe_unused]] const ssize_t n = ::write(report.Write(), &error, sizeof error);
        ::_exit(127);
    }
    report.CloseWrite();
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    int error = 0;
    ssize_t n = 0;
    while ((n = ::read(report.Read(), &error, sizeof error)) < 0 && errno == EINTR) {}
    if (n == static_cast<ssize_t>(sizeof error))
        return std::strerror(error);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "it could not be started in a session of its own";
    return {};
}

namespace {

// The arguments of process `pid`; empty when it cannot be read (gone, or another user's).
std::vector<std::string> ArgumentsOf(const std::string& pid)
{
    std::ifstream in("/proc/" + pid + "/cmdline", std::ios::binary);
    std::vector<std::string> args;
    for (std::string arg; std::getline(in, arg, '\0');)
        args.push_back(arg);
    return args;
}

bool RunsProgram(const std::string& pid, const std::string& program)
{
    std::error_code ec;
    std::string exe = std::filesystem::read_symlink("/proc/" + pid + "/exe", ec).string();
    if (ec)
        return false;
    // A program file removed while it runs keeps its path, marked.
    constexpr std::string_view kDeleted = " (deleted)";
    if (exe.size() > kDeleted.size() && exe.compare(exe.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0)
        exe.resize(exe.size() - kDeleted.size());
    if (exe == program)
        return true;
    std::error_code same;
    return std::filesystem::equivalent(exe, program, same);
}

}  // namespace

int EndProcessesRunning(const std::string& program, const std::string& argument, int waitMs)
{
    std::vector<pid_t> asked;
    std::error_code ec;
    const std::string self = std::to_string(::getpid());
    for (std::filesystem::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string pid = it->path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self)
            continue;
        struct stat st {};
        if (::stat(it->path().c_str(), &st) != 0 || st.st_uid != ::getuid())
            continue;
        const std::vector<std::string> args = ArgumentsOf(pid);
        if (args.size() < 2 || std::find(args.begin() + 1, args.end(), argument) == args.end() ||
            !RunsProgram(pid, program))
            continue;
        const auto id = static_cast<pid_t>(std::stol(pid));
        if (::kill(id, SIGTERM) == 0)
            asked.push_back(id);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (pid_t id : asked) {
        // An ended process that nobody has reaped yet runs nothing any more.
        while (RunsProgram(std::to_string(id), program) && std::chrono::steady_clock::now() < deadline)
            ::usleep(10 * kWaitStepUs);
    }
    return static_cast<int>(asked.size());
}

}  // namespace qel::platform
