// One of many clients of a server dictionary, for the load tests:
//   serverclient CONNECTION CLIENT OPERATIONS SEED
// Finds, Adds and Appends on a small set of acronyms and prints what the
// server acknowledged, one line each:
//   added ID KEY PIECE    appended ID PIECE    reported KIND
// A piece is "<cCLIENT.oOPERATION>", unique across all clients.

#include "store/server/serverengine.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

namespace {

void say(const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 5)
        return 2;
    const QString connection = QString::fromLocal8Bit(argv[1]);
    const int client = std::atoi(argv[2]);
    const int operations = std::atoi(argv[3]);
    std::mt19937 random(static_cast<unsigned>(std::atoi(argv[4]) * 1000 + client));
    std::uniform_int_distribution<int> keyOf(0, 39);
    std::uniform_int_distribution<int> kindOf(0, 2);

    for (int operation = 0; operation < operations; ++operation) {
        const QString key = QStringLiteral("K%1").arg(keyOf(random));
        const QString piece = QStringLiteral("<c%1.o%2>").arg(client).arg(operation);
        try {
            // A Dictionary per operation, as each window's handler opens one.
            const auto backend = store::openServerBackend(connection);
            switch (kindOf(random)) {
            case 0:
                backend->find(key);
                break;
            case 1: {
                const auto added = backend->addUnlessStored(key, piece);
                if (added.added)
                    say(QStringLiteral("added %1 %2 %3").arg(added.entry.id).arg(key, piece));
                break;
            }
            default:
                if (const auto entry = backend->find(key)) {
                    const auto appended = backend->append(*entry, piece);
                    say(QStringLiteral("appended %1 %2").arg(appended.id).arg(piece));
                }
                break;
            }
        } catch (const store::Error &error) {
            say(QStringLiteral("reported %1 %2").arg(static_cast<int>(error.kind())).arg(piece));
            // As long as a user takes to read the box and try again.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    return 0;
}
