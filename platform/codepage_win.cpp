#include "platform/codepage.h"
#include "platform/text_win.h"

#include "platform/windows_win.h"

namespace platform {

namespace {

std::wstring toWide(UINT codePage, std::string_view text)
{
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (needed <= 0)
        return std::wstring();
    std::wstring result(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, result.data(), needed);
    return result;
}

std::string fromWide(UINT codePage, std::wstring_view text)
{
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return std::string();
    std::string result(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, result.data(), needed, nullptr, nullptr);
    return result;
}

} // namespace

namespace win {

std::wstring widen(std::string_view utf8)
{
    return toWide(CP_UTF8, utf8);
}

std::string narrow(std::wstring_view wide)
{
    return fromWide(CP_UTF8, wide);
}

} // namespace win

std::string fromSystemCodePage(std::string_view text)
{
    return win::narrow(toWide(CP_ACP, text));
}

std::string toSystemCodePage(std::string_view text)
{
    // A character the code page lacks becomes the system's default one, as
    // the ANSI calls would make it themselves.
    return fromWide(CP_ACP, win::widen(text));
}

} // namespace platform
