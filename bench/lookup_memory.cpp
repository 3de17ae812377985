// lookup_memory DICTIONARY COUNT
// Shows the main window on DICTIONARY, looks COUNT acronyms up through it as
// a user would (type, Find) and prints how many were found and the peak
// resident memory of the process in KiB.

#include "benchdictionary.h"

#include "ui/definitionbox.h"
#include "ui/main/frmmain.h"
#include "ui/qtmodalboxes.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include <sys/resource.h>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString path = QFileInfo(arguments.value(1)).absoluteFilePath();
    const int count = arguments.value(2).toInt();
    // A store error would open a message box and wait for somebody to answer.
    if (!QFileInfo::exists(path) || count <= 0) {
        std::fprintf(stderr, "usage: lookup_memory DICTIONARY COUNT\n");
        return 2;
    }

    ui::QtModalBoxes boxes;
    ui::frmMain window(ui::Services{boxes, store::Location::file(path)});
    window.show();
    QCoreApplication::processEvents();

    auto *acronym = window.findChild<QLineEdit *>(QStringLiteral("txtAcronym"));
    auto *find = window.findChild<QPushButton *>(QStringLiteral("cmdFind"));
    auto *definition = window.findChild<ui::DefinitionBox *>(QStringLiteral("lblDef"));
    if (!acronym || !find || !definition)
        return 1;

    int found = 0;
    for (int i = 0; i < count; ++i) {
        // Keys spread over a million records; typed in lower case, as users do.
        acronym->setText(bench::acronymFor(static_cast<quint32>(i * (1000000 / count))).toLower());
        find->click();
        QCoreApplication::processEvents();
        if (!definition->text().startsWith(QLatin1String("No defintion found for ")))
            ++found;
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%d %d %ld\n", count, found, usage.ru_maxrss);
    return 0;
}
