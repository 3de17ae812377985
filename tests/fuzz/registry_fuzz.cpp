// Reading a registry value against a registry that answers anything: any
// type, any bytes, any reported size, even sizes beyond what was offered.
// The reader must stay inside its buffer, close what it opened, and keep
// its promises about the result.

#include "platform/registry.h"
#include "platform/sysinfo.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

class AnsweringRegistry : public platform::Registry
{
public:
    AnsweringRegistry(const uint8_t *data, size_t size)
        : m_data(data, data + size)
    {}

    Status openKey(Root, const std::string &, std::uint32_t, std::uint32_t, Key &key) override
    {
        if (byte(0) == 0xFF)
            return kAccessDenied;
        key = 42;
        ++m_open;
        return kSuccess;
    }

    Status queryValue(Key key, const std::string &, std::uint32_t &type, std::vector<unsigned char> &buffer,
                      std::uint32_t &size) override
    {
        require(key == 42 && m_open == 1);
        require(size <= buffer.size());
        if (byte(1) == 0xFF)
            return kFileNotFound;
        type = byte(2) % 8;
        const size_t payload = m_data.size() > 4 ? m_data.size() - 4 : 0;
        const size_t copied = payload < size ? payload : size;
        if (copied)
            std::memcpy(buffer.data(), m_data.data() + 4, copied);
        // Mostly the truth; sometimes a size larger than the bytes given.
        size = byte(3) == 0xEE ? size + 100 : static_cast<std::uint32_t>(payload);
        return payload > buffer.size() ? kMoreData : kSuccess;
    }

    Status closeKey(Key key) override
    {
        require(key == 42 && m_open == 1);
        --m_open;
        return kSuccess;
    }

    std::string expandString(const std::string &value) const override { return value; }

    int openKeys() const { return m_open; }

private:
    unsigned char byte(size_t i) const { return i < m_data.size() ? m_data[i] : 0; }

    std::vector<unsigned char> m_data;
    int m_open = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    AnsweringRegistry registry(data, size);
    std::string value = "as on entry";
    const bool read =
        platform::readRegistryValue(registry, platform::Registry::kLocalMachine, "SOFTWARE\\Key", "Value", value);
    require(registry.openKeys() == 0);
    if (!read)
        require(value.empty());
    else if (size > 2 && data[2] % 8 == platform::Registry::kDword)
        require(!value.empty() && value.find_first_not_of("0123456789") == std::string::npos);
    else if (size > 2 && data[2] % 8 != platform::Registry::kString && data[2] % 8 != platform::Registry::kExpandString)
        require(value == "as on entry");
    else
        require(value.size() <= 1024 * 3); // at most the buffer, in UTF-8
    return 0;
}
