#include "ui/info/web.h"

#include "platform/shell.h"

namespace ui::Web {

void OpenWebPage(platform::Shell &shell, QString address)
{
    shell.execute(QStringLiteral("Open"), address, platform::ShowCommand::Show);
}

} // namespace ui::Web
