// A second process that writes through the store, for the crash and
// two-copies tests:
//   storewriter churn DB FIRST   Adds and Replaces from step FIRST on, for ever;
//                                prints "done N" after each finished write
//   storewriter add DB PREFIX N  adds PREFIX0 .. PREFIX<N-1>
//   storewriter race DB KEY      scans for KEY, prints "scanned", waits for a
//                                line on stdin, then adds KEY unless stored

#include "robustness/writerplan.h"
#include "store/acronymtable.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

void say(const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

int churn(const QString &db, qint64 first)
{
    say(QStringLiteral("ready"));
    for (qint64 step = first;; ++step) {
        store::AcronymTable table = store::OpenAcronymTable(db);
        const QString key = writer_plan::key(step);
        if (store::FindAcronym(table, key))
            store::ReplaceDefinition(table, writer_plan::definition(step));
        else
            store::AddAcronymUnlessStored(table, key, writer_plan::definition(step));
        store::CloseAcronymTable(table);
        say(QStringLiteral("done %1").arg(step));
    }
}

int addMany(const QString &db, const QString &prefix, int count)
{
    for (int i = 0; i < count; ++i) {
        store::AcronymTable table = store::OpenAcronymTable(db);
        const QString key = prefix + QString::number(i);
        if (!store::FindAcronym(table, key))
            store::AddAcronymUnlessStored(table, key, QStringLiteral("added by %1").arg(prefix));
        store::CloseAcronymTable(table);
    }
    return 0;
}

int race(const QString &db, const QString &key)
{
    store::AcronymTable table = store::OpenAcronymTable(db);
    const bool foundAtFirst = store::FindAcronym(table, key);
    say(foundAtFirst ? QStringLiteral("found") : QStringLiteral("scanned"));
    if (foundAtFirst)
        return 0;
    std::string line;
    std::getline(std::cin, line); // the user typing the definition
    const bool added = store::AddAcronymUnlessStored(table, key, QStringLiteral("racer"));
    store::CloseAcronymTable(table);
    say(added ? QStringLiteral("added") : QStringLiteral("found"));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    try {
        if (args.size() == 4 && args[1] == QLatin1String("churn"))
            return churn(args[2], args[3].toLongLong());
        if (args.size() == 5 && args[1] == QLatin1String("add"))
            return addMany(args[2], args[3], args[4].toInt());
        if (args.size() == 4 && args[1] == QLatin1String("race"))
            return race(args[2], args[3]);
    } catch (const store::Error &error) {
        std::cerr << "storewriter: " << error.what() << '\n';
        return 1;
    }
    std::cerr << "storewriter: bad arguments\n";
    return 2;
}
