#pragma once

#include "platform/shell.h"

#include <QList>
#include <QString>

#include <ostream>

namespace platform {
// Lets GoogleTest print show commands as the numbers the shell knows.
inline void PrintTo(ShowCommand show, std::ostream *out)
{
    *out << "show command " << static_cast<int>(show);
}
} // namespace platform

namespace testing_support {

// A shell for tests: records every hand-off and starts nothing. Told to
// fail, it answers as a shell does when nothing is registered for a text.
class FakeShell : public platform::Shell
{
public:
    struct Call
    {
        QString verb;
        QString text;
        platform::ShowCommand show = platform::ShowCommand::Hide;
    };

    bool execute(const QString &verb, const QString &text, platform::ShowCommand show) override;

    void setFailing(bool failing) { m_failing = failing; }
    const QList<Call> &calls() const { return m_calls; }

private:
    QList<Call> m_calls;
    bool m_failing = false;
};

} // namespace testing_support
