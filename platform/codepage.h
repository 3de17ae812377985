#pragma once

#include <string>
#include <string_view>

namespace platform {

// Texts cross the platform layer in UTF-8. The ANSI calls of Windows take
// and give the system's 8-bit code page instead; these convert between the
// two. Elsewhere the 8-bit encoding is UTF-8 and both give the text as it is.
std::string fromSystemCodePage(std::string_view text);
std::string toSystemCodePage(std::string_view text);

} // namespace platform
