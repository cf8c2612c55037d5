#include "runtime/interrupts.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>

namespace zt {

namespace {

constexpr std::array<int, 4> endingsignals{SIGHUP, SIGINT, SIGQUIT, SIGTERM};

// The handler may touch nothing that the run changes as it goes: the names are copied
// into fixed storage before the count that makes them visible.
constexpr int maxguarded = 8;
constexpr size_t maxguardedname = 256;
char guardednames[maxguarded][maxguardedname];
volatile std::sig_atomic_t nguarded = 0;

std::array<struct sigaction, endingsignals.size()> previous{};
std::array<bool, endingsignals.size()> installed{};

void onendingsignal(int signal)
{
    for (int i = 0; i < nguarded; ++i) unlink(guardednames[i]);
    std::signal(signal, SIG_DFL);
    // delivered once the handler returns, with the default action
    std::raise(signal);
}

void installguard()
{
    for (size_t k = 0; k < endingsignals.size(); ++k) {
        if (installed[k]) continue;
        struct sigaction action {};
        action.sa_handler = onendingsignal;
        sigemptyset(&action.sa_mask);
        if (sigaction(endingsignals[k], nullptr, &previous[k]) != 0 || previous[k].sa_handler == SIG_IGN) continue;
        installed[k] = sigaction(endingsignals[k], &action, nullptr) == 0;
    }
}

}  // namespace

void guardheldname(const std::string& name)
{
    if (nguarded >= maxguarded || name.size() >= maxguardedname) return;
    std::memcpy(guardednames[nguarded], name.c_str(), name.size() + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    nguarded = nguarded + 1;
    installguard();
}

void unguardheld()
{
    nguarded = 0;
    for (size_t k = 0; k < endingsignals.size(); ++k) {
        if (installed[k]) sigaction(endingsignals[k], &previous[k], nullptr);
        installed[k] = false;
    }
}

}  // namespace zt
