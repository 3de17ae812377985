#pragma once

// Conversions for the Windows implementations only: UTF-8, the UTF-16 of
// the wide calls and the code page of the ANSI calls.

#include <string>
#include <string_view>

namespace platform::win {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

} // namespace platform::win
