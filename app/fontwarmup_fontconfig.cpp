#include "app/fontwarmup.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace app {

FontWarmUp::FontWarmUp()
{
    try {
        m_thread = std::thread([] { FcInit(); });
    } catch (const std::system_error &) {
        // No thread to spare: Qt reads the configuration itself, later.
    }
}

FontWarmUp::~FontWarmUp()
{
    wait();
}

void FontWarmUp::wait() noexcept
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace app
