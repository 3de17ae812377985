// The yardstick for the program's start-up: a Qt program that shows one
// empty window of the main window's size and does nothing else.

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Empty"));
    window.resize(331, 136);
    window.show();
    return QApplication::exec();
}
