#pragma once

#include "platform/fileprobe.h"
#include "platform/programstarter.h"

#include <QList>
#include <QSet>
#include <QString>

#include <stdexcept>

namespace testing_support {

// Starts nothing: records each start and succeeds only for the programs
// listed as installed.
class FakeProgramStarter : public platform::ProgramStarter
{
public:
    struct Start
    {
        QString path;
        int showState;
    };

    bool start(const std::string &path8, int showState) override
    {
        const QString path = QString::fromStdString(path8);
        m_starts.append({path, showState});
        if (throws)
            throw std::runtime_error("cannot start");
        return installed.contains(path);
    }

    const QList<Start> &starts() const { return m_starts; }
    QStringList startedPaths() const
    {
        QStringList paths;
        for (const Start &start : m_starts)
            paths.append(start.path);
        return paths;
    }

    QSet<QString> installed;
    bool throws = false;

private:
    QList<Start> m_starts;
};

// Files that exist only in its list; records each question.
class FakeFileProbe : public platform::FileProbe
{
public:
    bool fileExists(const std::string &path8) const override
    {
        const QString path = QString::fromStdString(path8);
        m_asked.append(path);
        if (throws)
            throw std::runtime_error("cannot look");
        return files.contains(path);
    }

    const QStringList &asked() const { return m_asked; }

    QSet<QString> files;
    bool throws = false;

private:
    mutable QStringList m_asked;
};

} // namespace testing_support
