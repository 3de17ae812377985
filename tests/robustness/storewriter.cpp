// A second process that writes through the store, for the crash and
// two-copies tests:
//   storewriter churn DB FIRST   Adds and Replaces from step FIRST on, for ever;
//                                prints "done N" after each finished write
//   storewriter add DB PREFIX N  adds PREFIX0 .. PREFIX<N-1>
//   storewriter race DB KEY      scans for KEY, prints "scanned", waits for a
//                                line on stdin, then adds KEY unless stored

#include "robustness/writerplan.h"
#include "store/dictionary.h"
#include "store/file/files.h"

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

int churn(const store::Location &db, qint64 first)
{
    say(QStringLiteral("ready"));
    for (qint64 step = first;; ++step) {
        store::Dictionary dictionary(db);
        const QString key = writer_plan::key(step);
        if (const std::optional<store::Entry> entry = dictionary.find(key))
            dictionary.replace(*entry, writer_plan::definition(step));
        else
            dictionary.add(key, writer_plan::definition(step));
        dictionary.close();
        say(QStringLiteral("done %1").arg(step));
    }
}

int addMany(const store::Location &db, const QString &prefix, int count)
{
    // Two copies adding in tight loops may keep each other waiting past the
    // window's five seconds on a loaded machine (a sanitizer build beside
    // other work): what is tested is that no write is lost, not that bound.
    store::Files::instance().setBusyTimeoutMs(60000);
    for (int i = 0; i < count; ++i) {
        store::Dictionary dictionary(db);
        const QString key = prefix + QString::number(i);
        if (!dictionary.find(key))
            dictionary.add(key, QStringLiteral("added by %1").arg(prefix));
    }
    return 0;
}

int race(const store::Location &db, const QString &key)
{
    store::Dictionary dictionary(db);
    const bool foundAtFirst = dictionary.find(key).has_value();
    say(foundAtFirst ? QStringLiteral("found") : QStringLiteral("scanned"));
    if (foundAtFirst)
        return 0;
    std::string line;
    std::getline(std::cin, line); // the user typing the definition
    const bool added = dictionary.add(key, QStringLiteral("racer")).added;
    dictionary.close();
    say(added ? QStringLiteral("added") : QStringLiteral("found"));
    return 0;
}

int append(const store::Location &db, const QString &key, const QString &more)
{
    store::Dictionary dictionary(db);
    const std::optional<store::Entry> entry = dictionary.find(key);
    if (!entry)
        return 1;
    dictionary.append(*entry, more);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    try {
        if (args.size() == 4 && args[1] == QLatin1String("churn"))
            return churn(store::Location::parse(args[2]), args[3].toLongLong());
        if (args.size() == 5 && args[1] == QLatin1String("add"))
            return addMany(store::Location::parse(args[2]), args[3], args[4].toInt());
        if (args.size() == 5 && args[1] == QLatin1String("append"))
            return append(store::Location::parse(args[2]), args[3], args[4]);
        if (args.size() == 4 && args[1] == QLatin1String("race"))
            return race(store::Location::parse(args[2]), args[3]);
    } catch (const store::Error &error) {
        std::cerr << "storewriter: " << error.what() << " code " << error.extendedCode() << "\n";
        return 1;
    }
    std::cerr << "storewriter: bad arguments\n";
    return 2;
}
