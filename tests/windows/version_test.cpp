// The program's resource script, compiled into this test program: its
// version record and its icon, read back as Explorer reads them.
#include "platform/text_win.h"

#include <gtest/gtest.h>

#include "platform/windows_win.h"

#include <vector>

namespace {

class VersionRecord : public ::testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t path[MAX_PATH];
        ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
        ASSERT_GT(size, 0u) << "no version record";
        data.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, data.data()));
    }

    std::string text(const std::wstring &name)
    {
        wchar_t *value = nullptr;
        UINT length = 0;
        const std::wstring query = L"\\StringFileInfo\\040904b0\\" + name;
        if (!VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void **>(&value), &length) || !value)
            return "(missing)";
        // The length may or may not count the terminating NUL.
        return platform::win::narrow(std::wstring(value));
    }

    std::vector<unsigned char> data;
};

TEST_F(VersionRecord, NumbersAre0_5_0_0)
{
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void **>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00000005u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00000005u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000000u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST_F(VersionRecord, TextsInUsEnglishUnicode)
{
    struct Expected
    {
        const wchar_t *name;
        const char *text;
    };
    const Expected expected[] = {
        {L"FileVersion", "0.05"},
        {L"ProductVersion", "0.05"},
        {L"ProductName", "Orvex"},
        {L"CompanyName", "Kelbrite productions"},
        {L"FileDescription", "Orvex acronym dictionary"},
        {L"InternalName", "orvex"},
        {L"OriginalFilename", "orvex.exe"},
    };
    for (const Expected &e : expected)
        EXPECT_EQ(text(e.name), e.text) << platform::win::narrow(e.name);
    EXPECT_NE(text(L"LegalCopyright"), "(missing)");

    WORD *translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(
        VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void **>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);
}

TEST(ProgramIcon, IsIconOneWithEveryImageOfTheIconFile)
{
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));
    ASSERT_NE(found, nullptr) << "no icon group 1";
    const auto *group = static_cast<const WORD *>(LockResource(LoadResource(nullptr, found)));
    ASSERT_NE(group, nullptr);
    // The group header: reserved, type 1 (icon), image count.
    EXPECT_EQ(group[1], 1);
    EXPECT_EQ(group[2], ORVEX_ICON_IMAGES);

    const HICON icon =
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
    EXPECT_NE(icon, nullptr);
    if (icon)
        DestroyIcon(icon);
}

} // namespace
