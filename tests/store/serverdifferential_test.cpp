// The same random sequences of Find, Add, Append (the dialog's Add),
// Replace, listing and searching, and of records written by another tool, on a file dictionary and
// on a server dictionary: the same answers, the same faults and the same
// final table.

#include "store/dictionary.h"
#include "store/server/serverengine.h"
#include "support/pgcluster.h"
#include "support/printers.h"
#include "support/tempdictionary.h"

#include <gtest/gtest.h>

#include <random>

using testing_support::PgCluster;
using testing_support::Row;
using testing_support::TempDictionary;

namespace {

// Texts a user or another tool may give, the NUL character aside: the
// server cannot store it and refuses it.
QList<QString> texts()
{
    return {
        QStringLiteral("ABC"),
        QStringLiteral("abc"),
        QStringLiteral("  ABC "),
        QStringLiteral("\tABC"),
        QStringLiteral("A B"),
        QStringLiteral("AB"),
        QStringLiteral("   "),
        QString::fromUtf16(u"stra\u00dfe"),
        QString::fromUtf16(u"\u00c9T\u00c9"),
        QString::fromUtf16(u"E\u0301T\u00c9"),
        QStringLiteral("x'); DROP TABLE acronyms; --"),
        QStringLiteral("%_ \\ $1 ?1 :name"),
        QString::fromUtf16(u"\U0001F600 \u202eevil\u202c \u05e9\u05dc\u05d5\u05dd"),
        QChar(0xFEFF) + QStringLiteral("BOM"),
        QString(1 << 20, QLatin1Char('M')),
        QString(),
    };
}

// An answer, written out so that two engines' answers compare as text.
QString said(const std::optional<store::Entry> &entry)
{
    return entry ? QStringLiteral("%1 [%2] [%3]").arg(entry->id).arg(entry->acronym, entry->definition)
                 : QStringLiteral("none");
}

QString said(const store::Error &error)
{
    return QStringLiteral("fault %1").arg(static_cast<int>(error.kind()));
}

// One step on one engine, its answer as text.
QString step(store::Dictionary &dictionary, int op, const QString &a, const QString &b)
{
    try {
        switch (op) {
        case 0:
            return said(dictionary.find(a));
        case 1: {
            const auto added = dictionary.add(a, b);
            return (added.added ? QStringLiteral("added ") : QStringLiteral("stored ")) + said(added.entry);
        }
        case 2:
        case 3: {
            const auto entry = dictionary.find(a);
            if (!entry)
                return QStringLiteral("none");
            return said(op == 2 ? dictionary.append(*entry, b) : dictionary.replace(*entry, b));
        }
        case 4:
            return dictionary.acronyms(a.left(2)).join(QLatin1Char('|'));
        case 5: {
            QStringList found;
            for (const store::Entry &entry : dictionary.search(a.split(QLatin1Char(' '), Qt::SkipEmptyParts)))
                found << said(entry);
            return found.join(QLatin1Char('|'));
        }
        }
    } catch (const store::Error &error) {
        return said(error);
    }
    return {};
}

// Only a short prefix of a long text in a failure message.
std::string shown(const QString &text)
{
    return text.left(80).toStdString();
}

class ServerDifferential : public ::testing::TestWithParam<unsigned>
{};

TEST_P(ServerDifferential, GivesTheFileEnginesAnswersAndLeavesItsTable)
{
    PgCluster &cluster = PgCluster::instance();
    const QString database = cluster.newDatabase();
    store::createServerDictionary(cluster.socket(database));
    TempDictionary file;
    store::Dictionary onFile(store::Location::file(file.path()));
    store::Dictionary onServer(store::Location::server(cluster.client(database)));

    const QList<QString> pool = texts();
    std::mt19937 random(GetParam());
    std::uniform_int_distribution<int> pick(0, static_cast<int>(pool.size()) - 1);
    std::uniform_int_distribution<int> operation(0, 11);
    auto text = [&] {
        // The megabyte text now and then, not every other step.
        QString chosen = pool.at(pick(random));
        if (chosen.size() > 1000 && pick(random) % 4 != 0)
            chosen = QStringLiteral("LONG");
        return chosen;
    };

    for (int i = 0; i < 120; ++i) {
        const int op = operation(random);
        const QString a = text();
        const QString b = text();
        if (op >= 10) {
            // Another tool's record: any field may lack a value.
            const Row row{op == 10 ? std::optional<QString>() : std::optional<QString>(a),
                          pick(random) % 3 ? std::optional<QString>(b) : std::nullopt,
                          pick(random) % 2 ? std::optional<qint64>(1) : std::nullopt};
            file.insert(row);
            cluster.insert(database, row);
            continue;
        }
        const int kind = op < 3 ? 0 : op < 6 ? 1 : op - 4; // find, add, append, replace, acronyms, search
        ASSERT_EQ(step(onServer, kind, a, b), step(onFile, kind, a, b))
            << "step " << i << " op " << kind << " [" << shown(a) << "] [" << shown(b) << "]";
    }
    const QList<Row> onServerRows = cluster.rows(database);
    const QList<Row> onFileRows = file.rows();
    ASSERT_EQ(onServerRows.size(), onFileRows.size());
    for (qsizetype i = 0; i < onFileRows.size(); ++i) {
        const Row &a = onServerRows.at(i);
        const Row &b = onFileRows.at(i);
        EXPECT_TRUE(a == b) << "record " << i + 1 << ": server [" << shown(a.acronym.value_or(QStringLiteral("NULL")))
                            << "] [" << shown(a.definition.value_or(QStringLiteral("NULL"))) << "] "
                            << a.active.value_or(-1) << ", file [" << shown(b.acronym.value_or(QStringLiteral("NULL")))
                            << "] [" << shown(b.definition.value_or(QStringLiteral("NULL"))) << "] "
                            << b.active.value_or(-1);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ServerDifferential, ::testing::Values(1u, 2u, 3u, 20261207u));

} // namespace
