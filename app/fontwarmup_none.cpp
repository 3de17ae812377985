#include "app/fontwarmup.h"

namespace app {

// The system's own font service needs no loading by the program.
FontWarmUp::FontWarmUp() = default;

FontWarmUp::~FontWarmUp() = default;

void FontWarmUp::wait() noexcept {}

} // namespace app
