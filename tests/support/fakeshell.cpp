#include "support/fakeshell.h"

namespace testing_support {

bool FakeShell::execute(const std::string &verb, const std::string &text, platform::ShowCommand show)
{
    m_calls.push_back(Call{verb, text, show});
    return !m_failing;
}

} // namespace testing_support
