#include "platform/web.h"

#include "platform/shell.h"

namespace platform::Web {

void OpenWebPage(platform::Shell &shell, const std::string &address)
{
    shell.execute("Open", address, platform::ShowCommand::Show);
}

} // namespace platform::Web
