#include "platform/codepage.h"

namespace platform {

std::string fromSystemCodePage(std::string_view text)
{
    return std::string(text);
}

std::string toSystemCodePage(std::string_view text)
{
    return std::string(text);
}

} // namespace platform
