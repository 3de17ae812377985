#pragma once

#include "platform/registry.h"

#include <string>

namespace platform {
class FileProbe;
class ProgramStarter;
} // namespace platform

namespace platform {

// Reads the value valueName of the key keyName below root into value (all
// texts UTF-8). True when the value was read: a string gives its text, an
// expandable string its expanded text, a number its decimal digits, and a
// value of any other kind leaves value as it was. False, with value set to
// "", when the key or the value cannot be read or the value is larger than
// 1024 bytes. What the registry throws passes through, the key closed.
bool readRegistryValue(platform::Registry &registry, platform::Registry::Root root, const std::string &keyName,
                       const std::string &valueName, std::string &value);

// The services finding and starting System Info needs; each is looked for
// only when it is needed.
struct SystemInfoServices
{
    platform::Registry *registry = nullptr;
    platform::FileProbe *files = nullptr;
    platform::ProgramStarter *programs = nullptr;
};

// Finds the system-information program through the registry (its full path,
// or else the folder that holds MSINFO32.EXE) and starts it. False when it
// cannot be found or started. Throws std::logic_error when a service it
// needs is not set, and passes on whatever the services throw.
bool startSystemInfo(const SystemInfoServices &services);

} // namespace platform
