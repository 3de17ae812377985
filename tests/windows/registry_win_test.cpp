// The registry reader against the system's own advapi32: values written
// with reg.exe (and the native call for what reg.exe cannot write), read
// back through RegOpenKeyExA / RegQueryValueExA.
#include "platform/registry.h"
#include "platform/text_win.h"
#include "platform/sysinfo.h"
#include "wintest.h"

#include "support/casename.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/windows_win.h"
#include <winternl.h>

using platform::Registry;

namespace {

// Each test its own key, so that tests may run side by side.
std::string testKey()
{
    const auto *test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    for (char &c : name) {
        if (c == '/')
            c = '.';
    }
    return "SOFTWARE\\OrvexTest\\" + name;
}

class RealRegistry : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!wintest::underWine())
            GTEST_SKIP() << "writes machine-wide keys: runs only in a throw-away Wine prefix";
        key = testKey();
        ASSERT_TRUE(wintest::reg("add \"HKLM\\" + key + "\" /f"));
    }

    void TearDown() override
    {
        if (!key.empty())
            wintest::reg("delete \"HKLM\\" + key + "\" /f");
    }

    // reg.exe always stores a REG_SZ with its terminating NUL.
    void add(const std::string &type, const std::string &data, const std::string &name = "Value")
    {
        ASSERT_TRUE(
            wintest::reg("add \"HKLM\\" + key + "\" /v \"" + name + "\" /t " + type + " /d \"" + data + "\" /f"))
            << type << " " << data;
    }

    // A REG_SZ of these characters without a terminating NUL. reg.exe, a
    // .reg file and RegSetValueExW all add the NUL under Wine, so the value
    // is written through the native call beneath them, which stores the
    // bytes as given, as RegSetValueExW does on Windows.
    void addWithoutNul(const std::string &text)
    {
        using SetValue = LONG(NTAPI *)(HANDLE, PUNICODE_STRING, ULONG, ULONG, PVOID, ULONG);
        const auto setValue = reinterpret_cast<SetValue>(
            reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey")));
        ASSERT_NE(setValue, nullptr);
        HKEY handle = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, platform::win::widen(key).c_str(), 0, KEY_SET_VALUE, &handle),
                  ERROR_SUCCESS);
        std::wstring name = L"Value";
        UNICODE_STRING unicodeName;
        unicodeName.Buffer = name.data();
        unicodeName.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
        unicodeName.MaximumLength = unicodeName.Length;
        std::wstring data = platform::win::widen(text);
        const LONG status =
            setValue(handle, &unicodeName, 0, REG_SZ, data.data(), static_cast<ULONG>(data.size() * sizeof(wchar_t)));
        RegCloseKey(handle);
        ASSERT_EQ(status, 0);
    }

    std::unique_ptr<Registry> registry = platform::systemRegistry();
    std::string key;
};

// ------------------------------------------------- the reader of the About window

struct ValueCase
{
    std::string name;
    std::function<void(RealRegistry &)> store;
    bool read;
    std::string expected; // the value after the call; it starts as "before"
};

class ReadValue : public RealRegistry, public ::testing::WithParamInterface<ValueCase>
{
public:
    using RealRegistry::add;
    using RealRegistry::addWithoutNul;
};

TEST_P(ReadValue, GivesWhatTheSystemStored)
{
    GetParam().store(*this);
    if (HasFatalFailure())
        return;
    // Expandable values name this variable.
    SetEnvironmentVariableW(L"ORVEX_TOOLS", L"C:\\Orvex Tools");

    std::string value = "before";
    const bool read = platform::readRegistryValue(*registry, Registry::kLocalMachine, key, "Value", value);
    EXPECT_EQ(read, GetParam().read);
    EXPECT_EQ(value, GetParam().expected);
}

std::function<void(RealRegistry &)> added(const char *type, std::string data)
{
    return [type, data](RealRegistry &r) { static_cast<ReadValue &>(r).add(type, data); };
}

std::function<void(RealRegistry &)> withoutNul(std::string text)
{
    return [text](RealRegistry &r) { static_cast<ReadValue &>(r).addWithoutNul(text); };
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadValue,
    ::testing::Values(
        ValueCase{"StringWithItsNul", added("REG_SZ", "C:\\Info Tool\\msinfo32.exe"), true,
                  "C:\\Info Tool\\msinfo32.exe"},
        ValueCase{"StringWithoutNul", withoutNul("abc"), true, "abc"},
        ValueCase{"EmptyString", added("REG_SZ", ""), true, ""},
        // Stored as UTF-16, read in the ANSI code page, given back as UTF-8.
        ValueCase{"NonAsciiText", added("REG_SZ", "Caf\xc3\xa9 cr\xc3\xa8me"), true, "Caf\xc3\xa9 cr\xc3\xa8me"},
        ValueCase{"Exactly1024BytesWithNul", added("REG_SZ", std::string(1023, 'a')), true, std::string(1023, 'a')},
        ValueCase{"Exactly1024BytesWithoutNul", withoutNul(std::string(1024, 'b')), true, std::string(1024, 'b')},
        ValueCase{"Over1024BytesIsAbsent", added("REG_SZ", std::string(1024, 'a')), false, ""},
        ValueCase{"FarOver1024BytesIsAbsent", added("REG_SZ", std::string(5000, 'a')), false, ""},
        ValueCase{"ExpandString", added("REG_EXPAND_SZ", "%ORVEX_TOOLS%\\msinfo32.exe"), true,
                  "C:\\Orvex Tools\\msinfo32.exe"},
        ValueCase{"ExpandStringWithAnUnknownName", added("REG_EXPAND_SZ", "%ORVEX_NOT_SET_ANYWHERE%\\x;%ORVEX_TOOLS%"),
                  true, "%ORVEX_NOT_SET_ANYWHERE%\\x;C:\\Orvex Tools"},
        ValueCase{"DwordSmall", added("REG_DWORD", "31"), true, "31"},
        ValueCase{"DwordLarge", added("REG_DWORD", "305419896"), true, "305419896"},
        ValueCase{"DwordHighBitUnsigned", added("REG_DWORD", "0xffffffff"), true, "4294967295"},
        ValueCase{"BinaryLeavesTheTextAsItWas", added("REG_BINARY", "0102"), true, "before"},
        ValueCase{"ValueMissing", [](RealRegistry &) {}, false, ""}),
    testing_support::CaseName());

TEST_F(RealRegistry, AMissingKeyReadsAsAbsent)
{
    std::string value = "before";
    EXPECT_FALSE(platform::readRegistryValue(*registry, Registry::kLocalMachine, key + "\\Missing", "Value", value));
    EXPECT_EQ(value, "");
}

TEST_F(RealRegistry, KeyPathsAndValueNamesMayHoldNonAsciiLetters)
{
    const std::string name = "Caf\xc3\xa9";
    add("REG_SZ", "found", name);
    std::string value;
    EXPECT_TRUE(platform::readRegistryValue(*registry, Registry::kLocalMachine, key, name, value));
    EXPECT_EQ(value, "found");
    // Names are found regardless of case, the system's way.
    EXPECT_TRUE(platform::readRegistryValue(*registry, Registry::kLocalMachine, key, "CAF\xc3\x89", value));
}

// ---------------------------------------------------------- the calls themselves

TEST_F(RealRegistry, AValueWithoutItsNulComesWithoutOne)
{
    addWithoutNul("abc");
    Registry::Key handle = 0;
    ASSERT_EQ(registry->openKey(Registry::kLocalMachine, key, 0, Registry::kRead, handle), Registry::kSuccess);
    std::vector<unsigned char> buffer(16, 0xee);
    std::uint32_t type = 0;
    std::uint32_t size = 16;
    EXPECT_EQ(registry->queryValue(handle, "Value", type, buffer, size), Registry::kSuccess);
    EXPECT_EQ(type, Registry::kString);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 3), "abc");
    // Offered exactly its length, it still fits.
    size = 3;
    EXPECT_EQ(registry->queryValue(handle, "Value", type, buffer, size), Registry::kSuccess);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(registry->closeKey(handle), Registry::kSuccess);
}

TEST_F(RealRegistry, AValueLargerThanTheOfferGivesMoreDataAndItsSize)
{
    add("REG_SZ", "0123456789");
    Registry::Key handle = 0;
    ASSERT_EQ(registry->openKey(Registry::kLocalMachine, key, 0, Registry::kRead, handle), Registry::kSuccess);
    std::vector<unsigned char> buffer(64, 0xee);
    std::uint32_t type = 0;
    std::uint32_t size = 4;
    EXPECT_EQ(registry->queryValue(handle, "Value", type, buffer, size), Registry::kMoreData);
    EXPECT_EQ(size, 11u);
    for (size_t i = 4; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], 0xee) << "wrote past the offer at " << i;

    // An offer larger than the buffer is held to the buffer.
    std::vector<unsigned char> small(4, 0xee);
    size = 1024;
    EXPECT_EQ(registry->queryValue(handle, "Value", type, small, size), Registry::kMoreData);
    EXPECT_EQ(registry->closeKey(handle), Registry::kSuccess);
}

TEST_F(RealRegistry, OpenAndCloseReportTheSystemsCodes)
{
    Registry::Key handle = 0;
    EXPECT_EQ(registry->openKey(Registry::kLocalMachine, key + "\\Missing", 0, Registry::kRead, handle),
              Registry::kFileNotFound);
    EXPECT_EQ(handle, 0u);
    ASSERT_EQ(registry->openKey(Registry::kLocalMachine, key, 0, Registry::kRead, handle), Registry::kSuccess);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(registry->closeKey(handle), Registry::kSuccess);
}

TEST(WindowsRegistry, ExpandsFromTheProcessEnvironment)
{
    const auto registry = platform::systemRegistry();
    SetEnvironmentVariableW(L"ORVEX_EXPAND_TEST", L"C:\\Caf\u00e9");
    struct Case
    {
        const char *in;
        const char *out;
    };
    const Case cases[] = {
        {"%ORVEX_EXPAND_TEST%\\info", "C:\\Caf\xc3\xa9\\info"},
        {"a%ORVEX_EXPAND_TEST%b%orvex_expand_test%", "aC:\\Caf\xc3\xa9"
                                                     "bC:\\Caf\xc3\xa9"},
        {"%ORVEX_NOT_SET_ANYWHERE%\\info", "%ORVEX_NOT_SET_ANYWHERE%\\info"},
        {"100%", "100%"},
        {"", ""},
        {"no references", "no references"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(registry->expandString(c.in), c.out) << c.in;
    // Longer than the first guess at the room it needs.
    SetEnvironmentVariableW(L"ORVEX_EXPAND_TEST", std::wstring(3000, L'x').c_str());
    EXPECT_EQ(registry->expandString("%ORVEX_EXPAND_TEST%"), std::string(3000, 'x'));
}

} // namespace
