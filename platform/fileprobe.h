#pragma once

#include <QString>

#include <memory>

namespace platform {

// Tells whether a file is there.
class FileProbe
{
public:
    virtual ~FileProbe() = default;

    // True when path names an existing file (not a folder).
    virtual bool fileExists(const QString &path) const = 0;
};

std::unique_ptr<FileProbe> systemFileProbe();

} // namespace platform
