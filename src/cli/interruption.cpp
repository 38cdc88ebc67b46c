#include "cli/interruption.h"

#include <csignal>

#include <atomic>

namespace xsrl {

namespace {

// Lock-free, so that the handler may store into it.
std::atomic<int> caughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void noteSignal(int signal) { caughtSignal.store(signal); }

constexpr int caughtSignals[] = {SIGINT, SIGTERM};
struct sigaction previousActions[2];

}  // namespace

void catchInterruptions()
{
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // reads and writes go on; the run asks the flag itself
    for (int k = 0; k < 2; ++k) {
        sigaction(caughtSignals[k], nullptr, &previousActions[k]);
        // A signal the caller chose to ignore (nohup, a background job) stays ignored.
        if (previousActions[k].sa_handler != SIG_IGN) sigaction(caughtSignals[k], &action, nullptr);
    }
}

void stopCatchingInterruptions()
{
    for (int k = 0; k < 2; ++k) sigaction(caughtSignals[k], &previousActions[k], nullptr);
}

bool interruptionCaught() { return caughtSignal.load() != 0; }

Interrupted interruption(const std::string& what) { return Interrupted{what, 128 + caughtSignal.load()}; }

}  // namespace xsrl
