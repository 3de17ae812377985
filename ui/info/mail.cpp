#include "ui/info/mail.h"

#include "platform/shell.h"

namespace ui::Mail {

void ComposeMail(platform::Shell &shell, QString address, const QString &subject,
                 const QString &body)
{
    const QString scheme = QStringLiteral("mailto:");
    // An address that already carries the scheme, in any letter case, keeps
    // it as written and gets no second one.
    if (address.left(scheme.size()).toLower() != scheme)
        address.prepend(scheme);
    if (!subject.isEmpty())
        address += QStringLiteral("?subject=") + subject;
    if (!body.isEmpty())
        address += (subject.isEmpty() ? QStringLiteral("?") : QStringLiteral("&"))
                + QStringLiteral("body=") + body;
    shell.execute(QStringLiteral("open"), address, platform::ShowCommand::Show);
}

} // namespace ui::Mail
