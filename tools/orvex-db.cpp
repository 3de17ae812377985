#include "platform/programfolder.h"
#include "platform/terminal.h"
#include "store/location.h"
#include "tools/dbtool.h"
#include "tools/interruption.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    tools::catchInterruption();
    QTextStream out(stdout);
    QTextStream err(stderr);
    tools::DbToolSetup setup;
    // The tool lies beside the program, so the program's path rule finds
    // the program's dictionary.
    setup.defaultDatabase = store::dictionaryBeside(QString::fromStdString(platform::programFolder()));
    setup.progressBar = platform::standardErrorIsTerminal();
    setup.version = QStringLiteral(ORVEX_VERSION);
    const int code = tools::runDbTool(QCoreApplication::arguments().mid(1), out, err, setup);
    return tools::interrupted() ? tools::interruptionExitCode() : code;
}
