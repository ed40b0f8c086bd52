#include "framework/EndSignals.h"

#include <atomic>
#include <csignal>

#include <unistd.h>

namespace EndSignals {

namespace {

// Set by the first signal and never cleared: the end is under way from then on.
volatile std::sig_atomic_t ending = 0;
// Set with ending, cleared when an event loop takes the request.
std::atomic<bool> pending{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the handler may only touch lock-free atomics");

extern "C" void OnEndSignal(int signal)
{
    if (ending != 0)
        _exit(128 + signal); // asked twice: no more waiting for the orderly end
    ending = signal;
    pending.store(true);
}

} // namespace

void Install()
{
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

// Read first: the event passes ask twice a frame, and nearly always nothing is pending.
bool TakeRequest() { return pending.load(std::memory_order_relaxed) && pending.exchange(false); }

bool Requested() { return pending.load(); }

} // namespace EndSignals
