#include "support/fakeshell.h"

namespace testing_support {

bool FakeShell::execute(const QString &verb, const QString &text, platform::ShowCommand show)
{
    m_calls.append(Call{verb, text, show});
    return !m_failing;
}

} // namespace testing_support
