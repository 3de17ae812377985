#include "ui/info/web.h"

#include "platform/shell.h"

namespace ui::Web {

void OpenWebPage(platform::Shell &shell, const std::string &address)
{
    shell.execute("Open", address, platform::ShowCommand::Show);
}

} // namespace ui::Web
