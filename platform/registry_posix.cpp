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
    {
    }

    Status openKey(Root root, const QString &path, quint32, quint32 access, Key &key) override
    {
        key = 0;
        if (root != kLocalMachine || path.compare(kSystemInfoKey, Qt::CaseInsensitive) != 0)
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

    Status queryValue(Key key, const QString &name, quint32 &type, QByteArray &buffer,
                      quint32 &size) override
    {
        const auto open = m_open.find(key);
        if (open == m_open.end())
            return kInvalidHandle;
        if (name.compare(kSystemInfoValue, Qt::CaseInsensitive) != 0)
            return kFileNotFound;
        // Stored as Windows stores a REG_SZ: the text and its terminating NUL.
        const QByteArray value = open->second + '\0';
        const auto needed = static_cast<quint32>(value.size());
        type = kString;
        const quint32 room = qMin(size, static_cast<quint32>(buffer.size()));
        size = needed;
        if (needed > room)
            return kMoreData;
        std::memcpy(buffer.data(), value.constData(), needed);
        return kSuccess;
    }

    Status closeKey(Key key) override
    {
        return m_open.erase(key) == 1 ? kSuccess : kInvalidHandle;
    }

    QString expandString(const QString &value) const override
    {
        QString result;
        qsizetype from = 0;
        for (;;) {
            const qsizetype open = value.indexOf(QLatin1Char('%'), from);
            const qsizetype close =
                open < 0 ? -1 : value.indexOf(QLatin1Char('%'), open + 1);
            if (close < 0) {
                result += value.mid(from);
                return result;
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
            const QString found = m_folders.isEmpty()
                                      ? QStandardPaths::findExecutable(program)
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
    return {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"),
            QStringLiteral("kinfocenter"), QStringLiteral("gnome-system-monitor"),
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
