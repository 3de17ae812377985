#include "app/application.h"

#include "app/fontwarmup.h"
#include "platform/fileprobe.h"
#include "platform/programfolder.h"
#include "platform/programstarter.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "store/location.h"
#include "ui/deferrediconstyle.h"
#include "ui/look.h"
#include "ui/main/frmmain.h"
#include "ui/qtmodalboxes.h"

#include <QApplication>
#include <QStyle>

namespace app {

void setUpApplication()
{
    QApplication::setApplicationName(QStringLiteral("orvex"));
    QApplication::setApplicationVersion(QStringLiteral("0.05"));
    // Over the style Qt chose, which honours -style and QT_STYLE_OVERRIDE.
    QApplication::setStyle(new ui::DeferredIconStyle(QApplication::style()->name()));
    // The windows' font as everybody's default: a control lays out its
    // text once in the default font before its window's font reaches it, and
    // a second face costs start-up time and memory for nothing. The message
    // and input boxes share the windows' look by it too.
    QApplication::setFont(ui::windowFont());
    QApplication::setWindowIcon(ui::programIcon());
}

int run(int argc, char *argv[])
{
    FontWarmUp fonts;
    QApplication application(argc, argv);
    fonts.wait();
    setUpApplication();

    ui::QtModalBoxes boxes;
    platform::SystemShell shell;
    const std::unique_ptr<platform::Registry> registry = platform::systemRegistry();
    const std::unique_ptr<platform::ProgramStarter> programs = platform::systemProgramStarter();
    const std::unique_ptr<platform::FileProbe> files = platform::systemFileProbe();
    ui::Services services{boxes, store::dictionaryBeside(QString::fromStdString(platform::programFolder()))};
    services.shell = &shell;
    services.registry = registry.get();
    services.programs = programs.get();
    services.files = files.get();
    ui::frmMain window(services);
    window.show();
    return QApplication::exec();
}

} // namespace app
