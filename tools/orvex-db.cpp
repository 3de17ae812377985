#include "tools/dbtool.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return tools::runDbTool(QCoreApplication::arguments().mid(1), out, err);
}
