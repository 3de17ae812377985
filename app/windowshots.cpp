// Pictures of the four windows for the documentation, drawn as the program
// draws them: in a dark theme and in the light one, at 200 %.
//   orvex-windowshots FOLDER
// Writes FOLDER/<window>-<theme>-200.png. Needs no display.
#include "app/application.h"
#include "platform/shell.h"
#include "store/entry.h"
#include "ui/definitionbox.h"
#include "ui/edit/frmedit.h"
#include "ui/info/frmabout.h"
#include "ui/info/frmcontact.h"
#include "ui/main/frmmain.h"
#include "ui/qtmodalboxes.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QStyle>
#include <QStyleFactory>

#include <cstdio>
#include <memory>

namespace {

QPalette darkPalette()
{
    QPalette p;
    const QColor window(0x2d, 0x2d, 0x2d), text(0xee, 0xee, 0xee);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3a));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Light, QColor(0x55, 0x55, 0x55));
    p.setColor(QPalette::Link, QColor(0x8a, 0xb4, 0xf8));
    p.setColor(QPalette::Highlight, QColor(0x3d, 0x7a, 0xd6));
    p.setColor(QPalette::HighlightedText, Qt::white);
    return p;
}

// A shell that hands nothing over: the pictures need the window, not mail.
class NoShell : public platform::Shell
{
public:
    bool execute(const std::string &, const std::string &, platform::ShowCommand) override { return true; }
};

bool save(QWidget *window, const QString &path)
{
    window->show();
    QApplication::processEvents();
    const bool saved = window->grab().save(path, "png");
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

void pressTab(QWidget *window)
{
    QWidget *focused = window->focusWidget() ? window->focusWidget() : window;
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(focused, &tab);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_SCALE_FACTOR", "2");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvex-windowshots FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    app::setUpApplication();
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));

    ui::QtModalBoxes boxes;
    NoShell shell;
    ui::Services services{boxes, store::Location::file(QString())};
    services.shell = &shell;

    bool ok = true;
    for (const auto &[theme, palette] :
         {std::pair{"dark", darkPalette()}, std::pair{"light", fusion->standardPalette()}}) {
        QApplication::setPalette(palette);

        ui::frmMain main(services);
        main.findChild<QLineEdit *>(QStringLiteral("txtAcronym"))->setText(QStringLiteral("cpu"));
        main.findChild<ui::DefinitionBox *>(QStringLiteral("lblDef"))
            ->setText(QStringLiteral("Central Processing Unit"));
        ok = save(&main, folder.filePath(QStringLiteral("frmMain-%1-200.png").arg(theme))) && ok;

        // An acronym too long for its place: cut, with the whole in the tooltip.
        store::Entry stored;
        stored.acronym = QStringLiteral("NATIONAL AERONAUTICS AND SPACE ADMINISTRATION");
        stored.definition = QStringLiteral("An acronym of its own, stored whole");
        ui::frmEdit edit(services, stored.acronym, stored);
        ok = save(&edit, folder.filePath(QStringLiteral("frmEdit-%1-200.png").arg(theme))) && ok;

        ui::frmAbout about(services);
        ok = save(&about, folder.filePath(QStringLiteral("frmAbout-%1-200.png").arg(theme))) && ok;

        // With the e-mail address reached by Tab, to show its focus frame.
        auto *contact = new ui::frmContact(shell);
        contact->show();
        QApplication::setActiveWindow(contact);
        pressTab(contact);
        ok = save(contact, folder.filePath(QStringLiteral("frmContact-%1-200.png").arg(theme))) && ok;
        delete contact;
    }
    return ok ? 0 : 1;
}
