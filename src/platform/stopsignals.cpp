#include "platform/stopsignals.h"

#include <fcntl.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

namespace qel::platform {
namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_received = 0;

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

void OnStopSignal(int)
{
    // Only async-signal-safe calls here. The pipe never fills: one byte is enough to wake the
    // reader, and the handler resets itself after the first signal.
    const int saved = errno;
    g_received = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

bool CatchStopSignals()
{
    static const bool installed = [] {
        if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return false;
        struct sigaction action = {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        // SA_RESETHAND: a second signal takes the default action and ends the process.
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        for (int signal : kStopSignals) {
            if (::sigaction(signal, &action, nullptr) != 0)
                return false;
        }
        return true;
    }();
    return installed;
}

bool StopWithParent()
{
#ifdef __linux__
    const pid_t parent = ::getppid();
    if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0)
        return false;
    // The parent may have gone before the request was made.
    if (::getppid() != parent)
        ::raise(SIGTERM);
    return true;
#else
    return false;
#endif
}

int StopSignalDescriptor()
{
    return g_pipe[0];
}

bool StopSignalReceived()
{
    return g_received != 0;
}

}  // namespace qel::platform
