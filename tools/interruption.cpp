#include "tools/interruption.h"

#include <csignal>

namespace tools {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterruption(int)
{
    g_interrupted = 1;
}

} // namespace

void catchInterruption()
{
    std::signal(SIGINT, onInterruption);
    std::signal(SIGTERM, onInterruption);
}

bool interrupted()
{
    return g_interrupted != 0;
}

} // namespace tools
