#include "platform/sysinfo.h"

#include "platform/codepage.h"
#include "platform/fileprobe.h"
#include "platform/programstarter.h"

#include <stdexcept>

namespace platform {

namespace {

using platform::Registry;

// Where Windows records the system-information program: its full path, or
// else the folder that holds MSINFO32.EXE.
const char kInfoPathKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char kInfoPathValue[] = "PATH";
const char kInfoFolderKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
const char kInfoFolderValue[] = "MSINFO";
const char kInfoProgram[] = "\\MSINFO32.EXE";

constexpr std::uint32_t kValueBufferSize = 1024;

template<typename Service>
Service &need(Service *service)
{
    if (!service)
        throw std::logic_error("platform service not set");
    return *service;
}

// Closes an opened key on every way out, exceptions included.
class OpenKey
{
public:
    OpenKey(Registry &registry, Registry::Key key)
        : m_registry(registry)
        , m_key(key)
    {}
    ~OpenKey()
    {
        try {
            m_registry.closeKey(m_key);
        } catch (...) {
            // Nothing more can be done about a key that will not close.
        }
    }
    OpenKey(const OpenKey &) = delete;
    OpenKey &operator=(const OpenKey &) = delete;

private:
    Registry &m_registry;
    Registry::Key m_key;
};

} // namespace

bool readRegistryValue(Registry &registry, Registry::Root root, const std::string &keyName,
                       const std::string &valueName, std::string &value)
{
    // Read rights only: machine-wide keys refuse more to ordinary users.
    Registry::Key key = 0;
    if (registry.openKey(root, keyName, 0, Registry::kRead, key) != Registry::kSuccess) {
        value.clear();
        return false;
    }
    const OpenKey opened(registry, key);

    std::vector<unsigned char> buffer(kValueBufferSize, 0);
    std::uint32_t type = 0;
    std::uint32_t size = kValueBufferSize;
    if (registry.queryValue(key, valueName, type, buffer, size) != Registry::kSuccess) {
        value.clear();
        return false;
    }

    // A string stored with its terminating NUL loses it; one stored without
    // keeps every character; an empty value gives "".
    size_t length = size < buffer.size() ? size : buffer.size();
    if (length > 0 && buffer[length - 1] == 0)
        --length;
    const std::string text =
        platform::fromSystemCodePage(std::string_view(reinterpret_cast<const char *>(buffer.data()), length));

    switch (type) {
    case Registry::kString:
        value = text;
        break;
    case Registry::kExpandString:
        value = registry.expandString(text);
        break;
    case Registry::kDword: {
        // Little-endian; the buffer starts all NUL, so a short value reads
        // as its bytes.
        const std::uint32_t number = std::uint32_t(buffer[0]) | std::uint32_t(buffer[1]) << 8
                                     | std::uint32_t(buffer[2]) << 16 | std::uint32_t(buffer[3]) << 24;
        value = std::to_string(number);
        break;
    }
    default:
        // Not text: left as it was.
        break;
    }
    return true;
}

bool startSystemInfo(const SystemInfoServices &services)
{
    std::string path;
    // The full path is trusted as it stands; the folder is checked for the
    // program before it is used.
    if (!readRegistryValue(need(services.registry), Registry::kLocalMachine, kInfoPathKey, kInfoPathValue, path)) {
        if (!readRegistryValue(need(services.registry), Registry::kLocalMachine, kInfoFolderKey, kInfoFolderValue,
                               path))
            return false;
        const std::string candidate = path + kInfoProgram;
        if (!need(services.files).fileExists(candidate))
            return false;
        path = candidate;
    }
    return need(services.programs).start(path, platform::ProgramStarter::kShowNormal);
}

} // namespace platform
