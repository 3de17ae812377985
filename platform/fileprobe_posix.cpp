#include "platform/fileprobe.h"

#include <QFileInfo>

namespace platform {

namespace {

class PosixFileProbe final : public FileProbe
{
public:
    bool fileExists(const QString &path) const override
    {
        return !path.isEmpty() && QFileInfo(path).isFile();
    }
};

} // namespace

std::unique_ptr<FileProbe> systemFileProbe()
{
    return std::make_unique<PosixFileProbe>();
}

} // namespace platform
