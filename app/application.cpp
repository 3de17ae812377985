#include "app/application.h"

#include "platform/fileprobe.h"
#include "platform/programfolder.h"
#include "platform/programstarter.h"
#include "platform/registry.h"
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
    return QString::fromStdString(platform::programFolder()) + QDir::separator()
           + QStringLiteral("nym2.fdb");
}

int run(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvex"));
    QApplication::setApplicationVersion(QStringLiteral("0.05"));
    QApplication::setWindowIcon(ui::programIcon());

    ui::QtModalBoxes boxes;
    platform::SystemShell shell;
    const std::unique_ptr<platform::Registry> registry = platform::systemRegistry();
    const std::unique_ptr<platform::ProgramStarter> programs = platform::systemProgramStarter();
    const std::unique_ptr<platform::FileProbe> files = platform::systemFileProbe();
    ui::Services services{boxes, databasePath()};
    services.shell = &shell;
    services.registry = registry.get();
    services.programs = programs.get();
    services.files = files.get();
    ui::frmMain window(services);
    window.show();
    return QApplication::exec();
}

} // namespace app
