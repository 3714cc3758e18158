#include "device/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <mutex>

namespace korvex {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<bool> g_stop{false};
std::atomic<int> g_signal{0};
int g_pipe[2] = {-1, -1};

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "set from a signal handler");

extern "C" void onStopSignal(int sig) {
    const int saved = errno;
    int expected = 0;
    g_signal.compare_exchange_strong(expected, sig);
    g_stop.store(true);
    if (g_pipe[1] >= 0) {
        const char byte = 1;
        // Non-blocking: a full pipe already says enough.
        [[maybe_unused]] const auto n = ::write(g_pipe[1], &byte, 1);
    }
    errno = saved;
}

}  // namespace

bool StopSignals::install() {
    static std::once_flag once;
    static bool installed = false;
    std::call_once(once, [] {
        if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) g_pipe[0] = g_pipe[1] = -1;
        struct sigaction sa {};
        sa.sa_handler = onStopSignal;
        sigemptyset(&sa.sa_mask);
        // A transfer in flight is not cut by the signal; it ends on its own.
        sa.sa_flags = SA_RESTART;
        installed = true;
        for (int sig : kSignals) installed = ::sigaction(sig, &sa, nullptr) == 0 && installed;
    });
    return installed;
}

const std::atomic<bool>& StopSignals::flag() {
    return g_stop;
}

int StopSignals::received() {
    return g_signal.load();
}

int StopSignals::fd() {
    return g_pipe[0];
}

void StopSignals::endBySignal() {
    const int sig = g_signal.load();
    if (sig == 0) return;
    // The default action ends the process without flushing: lines still in
    // a buffer (standard output to a pipe is fully buffered) would be lost.
    std::fflush(nullptr);
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    ::sigaction(sig, &sa, nullptr);
    std::raise(sig);
}

void StopSignals::clear() {
    g_stop.store(false);
    g_signal.store(0);
    char buf[16];
    if (g_pipe[0] >= 0)
        while (::read(g_pipe[0], buf, sizeof buf) > 0) {
        }
}

}  // namespace korvex
