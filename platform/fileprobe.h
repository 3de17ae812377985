#pragma once

#include <memory>
#include <string>

namespace platform {

// Tells whether a file is there.
class FileProbe
{
public:
    virtual ~FileProbe() = default;

    // True when path (UTF-8) names an existing file (not a folder).
    virtual bool fileExists(const std::string &path) const = 0;
};

std::unique_ptr<FileProbe> systemFileProbe();

} // namespace platform
