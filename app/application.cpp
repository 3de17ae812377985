#include "app/application.h"

#include "platform/programfolder.h"
#include "platform/shell.h"
#include "ui/look.h"
#include "ui/main/frmmain.h"
#include "ui/qtmodalboxes.h"

#include <QApplication>
#include <QDir>

namespace app {

QString databasePath()
{
    // The separator goes on without looking at how the folder ends.
    return platform::programFolder() + QDir::separator() + QStringLiteral("nym2.fdb");
}

int run(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvex"));
    QApplication::setApplicationVersion(QStringLiteral("0.05"));
    QApplication::setWindowIcon(ui::programIcon());

    ui::QtModalBoxes boxes;
    platform::SystemShell shell;
    ui::Services services{boxes, databasePath()};
    services.shell = &shell;
    ui::frmMain window(services);
    window.show();
    return QApplication::exec();
}

} // namespace app
