#include "platform/registry_posix.h"

#include <QStandardPaths>

#include <cstring>
#include <map>

namespace platform {

namespace {

class DesktopRegistry final : public Registry
{
public:
    DesktopRegistry(const QStringList &programs, const QStringList &folders)
        : m_programs(programs)
        , m_folders(folders)
    {}

    Status openKey(Root root, const std::string &path, std::uint32_t, std::uint32_t access, Key &key) override
    {
        key = 0;
        if (root != kLocalMachine || QString::fromStdString(path).compare(kSystemInfoKey, Qt::CaseInsensitive) != 0)
            return kFileNotFound;
        if (access & (kSetValue | kCreateSubKey | kCreateLink))
            return kAccessDenied;
        const QString program = findProgram();
        if (program.isEmpty())
            return kFileNotFound;
        key = ++m_lastKey;
        m_open[key] = program.toLocal8Bit();
        return kSuccess;
    }

    Status queryValue(Key key, const std::string &name, std::uint32_t &type, std::vector<unsigned char> &buffer,
                      std::uint32_t &size) override
    {
        const auto open = m_open.find(key);
        if (open == m_open.end())
            return kInvalidHandle;
        if (QString::fromStdString(name).compare(kSystemInfoValue, Qt::CaseInsensitive) != 0)
            return kFileNotFound;
        // Stored as Windows stores a REG_SZ: the text and its terminating NUL.
        const QByteArray value = open->second + '\0';
        const auto needed = static_cast<std::uint32_t>(value.size());
        type = kString;
        const std::uint32_t room = qMin(size, static_cast<std::uint32_t>(buffer.size()));
        size = needed;
        if (needed > room)
            return kMoreData;
        std::memcpy(buffer.data(), value.constData(), needed);
        return kSuccess;
    }

    Status closeKey(Key key) override { return m_open.erase(key) == 1 ? kSuccess : kInvalidHandle; }

    std::string expandString(const std::string &value8) const override
    {
        const QString value = QString::fromStdString(value8);
        QString result;
        qsizetype from = 0;
        for (;;) {
            const qsizetype open = value.indexOf(QLatin1Char('%'), from);
            const qsizetype close = open < 0 ? -1 : value.indexOf(QLatin1Char('%'), open + 1);
            if (close < 0) {
                result += value.mid(from);
                return result.toStdString();
            }
            const QString name = value.mid(open + 1, close - open - 1);
            result += value.mid(from, open - from);
            if (!name.isEmpty() && qEnvironmentVariableIsSet(name.toLocal8Bit().constData())) {
                result += qEnvironmentVariable(name.toLocal8Bit().constData());
                from = close + 1;
            } else {
                // Unknown: the first % stays, the second may open the next name.
                result += QLatin1Char('%') + name;
                from = close;
            }
        }
    }

private:
    QString findProgram() const
    {
        for (const QString &program : m_programs) {
            const QString found = m_folders.isEmpty() ? QStandardPaths::findExecutable(program)
                                                      : QStandardPaths::findExecutable(program, m_folders);
            if (!found.isEmpty())
                return found;
        }
        return QString();
    }

    QStringList m_programs;
    QStringList m_folders;
    std::map<Key, QByteArray> m_open;
    Key m_lastKey = 0;
};

} // namespace

QStringList systemInfoPrograms()
{
    return {QStringLiteral("hardinfo2"),           QStringLiteral("hardinfo"),
            QStringLiteral("kinfocenter"),         QStringLiteral("gnome-system-monitor"),
            QStringLiteral("mate-system-monitor"), QStringLiteral("xfce4-taskmanager")};
}

std::unique_ptr<Registry> desktopRegistry(const QStringList &programs, const QStringList &folders)
{
    return std::make_unique<DesktopRegistry>(programs, folders);
}

std::unique_ptr<Registry> systemRegistry()
{
    return desktopRegistry(systemInfoPrograms());
}

} // namespace platform
