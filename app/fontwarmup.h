#pragma once

#include <thread>

namespace app {

// Reads the system's font configuration on a thread of its own while the
// application connects to the display, so that the first text the main
// window lays out finds it loaded: on Linux that reading is half of what the
// first text costs. Where fonts need no such reading it does nothing.
class FontWarmUp
{
public:
    FontWarmUp();
    ~FontWarmUp();

    FontWarmUp(const FontWarmUp &) = delete;
    FontWarmUp &operator=(const FontWarmUp &) = delete;

    // Returns once the configuration is read. Call it before any text is
    // laid out, so that the two threads never read it at the same time.
    void wait() noexcept;

private:
    std::thread m_thread;
};

} // namespace app
