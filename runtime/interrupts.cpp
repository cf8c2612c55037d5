#include "runtime/interrupts.h"

#include <unistd.h>

#include <array>
#include <atomic>
#include <csignal>
#include <cstring>

namespace zt {

namespace {

constexpr std::array<int, 4> endingsignals{SIGHUP, SIGINT, SIGQUIT, SIGTERM};

// The handler may touch nothing that the run changes as it goes: each name is copied into
// fixed storage before its slot is marked live, and a slot is dead before it is reused.
constexpr int maxguarded = 8;
constexpr size_t maxguardedname = 256;
char guardednames[maxguarded][maxguardedname];
volatile std::sig_atomic_t live[maxguarded] = {};

std::array<struct sigaction, endingsignals.size()> previous{};
std::array<bool, endingsignals.size()> installed{};

void onendingsignal(int signal)
{
    for (int i = 0; i < maxguarded; ++i)
        if (live[i] != 0) unlink(guardednames[i]);
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

void uninstallguard()
{
    for (size_t k = 0; k < endingsignals.size(); ++k) {
        if (installed[k]) sigaction(endingsignals[k], &previous[k], nullptr);
        installed[k] = false;
    }
}

bool anylive()
{
    for (int i = 0; i < maxguarded; ++i)
        if (live[i] != 0) return true;
    return false;
}

}  // namespace

void guardheldname(const std::string& name)
{
    if (name.size() >= maxguardedname) return;
    int free = -1;
    for (int i = 0; i < maxguarded; ++i) {
        if (live[i] != 0 && name == guardednames[i]) return;
        if (live[i] == 0 && free < 0) free = i;
    }
    if (free < 0) return;
    std::memcpy(guardednames[free], name.c_str(), name.size() + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    live[free] = 1;
    installguard();
}

void unguardname(const std::string& name)
{
    for (int i = 0; i < maxguarded; ++i)
        if (live[i] != 0 && name == guardednames[i]) live[i] = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (!anylive()) uninstallguard();
}

void unguardheld()
{
    for (int i = 0; i < maxguarded; ++i) live[i] = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    uninstallguard();
}

}  // namespace zt
