// The third yardstick: the least a Qt window with text and a menu can be, one
// label and a menu bar with Qt's own font and style. What it costs over the
// empty window is what Qt asks of any program that shows words and a menu,
// whatever the program itself does.

#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Text"));
    window.resize(331, 136);
    auto *menus = new QMenuBar(&window);
    menus->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("&About"));
    (new QLabel(QStringLiteral("Acronym: "), &window))->setGeometry(16, 32, 49, 17);
    window.show();
    return QApplication::exec();
}
