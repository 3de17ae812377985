// A second yardstick: a Qt program that shows a window with the main
// window's kinds of widgets (menu bar, labels, line edit, buttons, text box,
// window font and icon) and none of the program's code. Beside it the
// program's start-up shows what its own code costs, apart from Qt's cost
// for widgets that an empty window does not have.

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTextEdit>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QIcon icon;
    for (const int size : {16, 20, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(ORVEX_ICON_FOLDER "/orvex-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Widgets"));
    window.setWindowIcon(icon);
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8);
    window.setFont(font);

    QMenu *help = window.menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("&Contact Us"));
    help->addAction(QStringLiteral("&About"));

    auto *client = new QWidget(&window);
    client->setFixedSize(331, 115);
    window.setCentralWidget(client);
    (new QLineEdit(client))->setGeometry(72, 8, 145, 19);
    (new QPushButton(QStringLiteral("&Find"), client))->setGeometry(232, 8, 81, 25);
    (new QPushButton(QStringLiteral("&Add"), client))->setGeometry(232, 40, 81, 25);
    (new QPushButton(QStringLiteral("E&xit"), client))->setGeometry(232, 72, 81, 25);
    (new QLabel(QStringLiteral("Acronym: "), client))->setGeometry(16, 8, 49, 17);
    (new QLabel(QStringLiteral("Definition: "), client))->setGeometry(16, 32, 49, 17);
    auto *definition = new QTextEdit(client);
    definition->setReadOnly(true);
    definition->setGeometry(72, 32, 145, 73);

    window.show();
    return QApplication::exec();
}
