#pragma once

#include "platform/shell.h"

#include <ostream>
#include <string>
#include <vector>

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
        std::string verb;
        std::string text;
        platform::ShowCommand show = platform::ShowCommand::Hide;
    };

    bool execute(const std::string &verb, const std::string &text, platform::ShowCommand show) override;

    void setFailing(bool failing) { m_failing = failing; }
    const std::vector<Call> &calls() const { return m_calls; }

private:
    std::vector<Call> m_calls;
    bool m_failing = false;
};

} // namespace testing_support
