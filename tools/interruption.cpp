#include "tools/interruption.h"

#include "store/commits.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace tools {

namespace {

volatile std::sig_atomic_t g_signal = 0;

extern "C" void onInterruption(int signal)
{
    g_signal = signal;
}

void stopWhenStuck()
{
    using namespace std::chrono_literals;
    while (g_signal == 0)
        std::this_thread::sleep_for(50ms);
    std::this_thread::sleep_for(500ms);
    while (store::CommitUnderWay::any())
        std::this_thread::sleep_for(10ms);
    std::fputs("orvex-db: stopped; nothing that was not saved yet was written\n", stderr);
    std::fflush(stderr);
    std::_Exit(interruptionExitCode());
}

} // namespace

void catchInterruption()
{
    std::signal(SIGINT, onInterruption);
    std::signal(SIGTERM, onInterruption);
    std::thread(stopWhenStuck).detach();
}

bool interrupted()
{
    return g_signal != 0;
}

int interruptionExitCode()
{
    return 128 + (g_signal != 0 ? int(g_signal) : SIGINT);
}

} // namespace tools
