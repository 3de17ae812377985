// orvex-db on a server: create makes the table and prints the grants; copy
// moves a whole dictionary from a file to a server and back, every record in
// its order, fields without values included; import, export and stats give
// on a server what they give on a file.

#include "support/pgcluster.h"
#include "support/tempdictionary.h"
#include "tools/dbtool.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

using testing_support::PgCluster;
using testing_support::Row;
using testing_support::TempDictionary;

namespace {

struct ToolRun
{
    int status;
    QString out;
    QString err;
};

ToolRun orvexDb(const QStringList &arguments)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int status = tools::runDbTool(arguments, outStream, errStream);
    outStream.flush();
    errStream.flush();
    return {status, out, err};
}

TEST(DbToolOnAServer, CreateMakesTheTableOnceAndPrintsTheGrants)
{
    PgCluster &cluster = PgCluster::instance();
    const QString database = cluster.newDatabase();
    const QString uri = cluster.tcp(database) + QStringLiteral("?password=hunter2");

    const ToolRun created = orvexDb({QStringLiteral("create"), uri});
    EXPECT_EQ(created.status, 0) << qPrintable(created.err);
    EXPECT_TRUE(created.out.contains(QLatin1String("GRANT SELECT, INSERT, UPDATE ON acronyms TO \"orvex_writer\"")))
        << qPrintable(created.out);
    EXPECT_FALSE(created.out.contains(QLatin1String("hunter2")));
    EXPECT_EQ(cluster.query(database, QStringLiteral("SELECT count(*) FROM pg_indexes WHERE tablename = 'acronyms'"))
                  .at(0)
                  .at(0),
              QStringLiteral("2"));

    const ToolRun again = orvexDb({QStringLiteral("create"), uri});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains(QLatin1String("already exists"))) << qPrintable(again.err);
    EXPECT_FALSE(again.err.contains(QLatin1String("hunter2")));
}

TEST(DbToolOnAServer, CopyMovesEveryRecordInOrderToTheServerAndBack)
{
    const QList<Row> records = {
        {QStringLiteral("ABC"), QStringLiteral("first"), 1},
        {std::nullopt, QStringLiteral("no acronym"), 1},
        {QStringLiteral(" ABC "), std::nullopt, std::nullopt},
        {QString::fromUtf16(u"\u00c9T\u00c9"), QString::fromUtf16(u"\u00e9t\u00e9 \U0001F600"), 1},
        {QStringLiteral("abc"), QString(600, QLatin1Char('x')), 7},
    };
    TempDictionary file;
    for (const Row &record : records)
        file.insert(record);
    // Doubled to 640 records, more than one batch of the copy.
    for (int i = 0; i < 7; ++i)
        file.exec(QStringLiteral("INSERT INTO Acronyms SELECT * FROM Acronyms ORDER BY rowid"));
    PgCluster &cluster = PgCluster::instance();
    const QString database = cluster.newDatabase();
    ASSERT_EQ(orvexDb({QStringLiteral("create"), cluster.socket(database)}).status, 0);

    const ToolRun there = orvexDb({QStringLiteral("copy"), file.path(), cluster.socket(database)});
    EXPECT_EQ(there.status, 0) << qPrintable(there.err);
    EXPECT_TRUE(there.out.startsWith(QLatin1String("copied 640 records"))) << qPrintable(there.out);
    EXPECT_EQ(cluster.rows(database), file.rows());

    QTemporaryDir folder;
    const QString back = folder.filePath(QStringLiteral("nym2.fdb"));
    EXPECT_EQ(orvexDb({QStringLiteral("copy"), cluster.socket(database), back}).status, 0);
    TempDictionary reread;
    reread.exec(QStringLiteral("ATTACH '%1' AS back; DELETE FROM main.Acronyms; "
                               "INSERT INTO main.Acronyms SELECT Acronym, Definition, Active FROM back.Acronyms "
                               "ORDER BY rowid")
                    .arg(back));
    EXPECT_EQ(reread.rows(), file.rows());

    // A target that holds records already is left as it is.
    const ToolRun refused = orvexDb({QStringLiteral("copy"), file.path(), cluster.socket(database)});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(cluster.rows(database).size(), 640);
}

// What a server cannot store as a file holds it: bytes that are no UTF-8
// are copied as the program shows them and each such record is named; a
// NUL refuses the copy, naming its record.
TEST(DbToolOnAServer, CopyNamesTheRecordsTheServerCannotTakeAsStored)
{
    PgCluster &cluster = PgCluster::instance();
    for (const bool withNul : {false, true}) {
        TempDictionary file{Row{QStringLiteral("ABC"), QStringLiteral("first"), 1}};
        file.exec(QStringLiteral("INSERT INTO Acronyms VALUES ('CAF', CAST(X'436166E9' AS TEXT), 1)"));
        if (withNul)
            file.exec(QStringLiteral("INSERT INTO Acronyms VALUES ('NUL', CAST(X'610062' AS TEXT), 1)"));
        const QString database = cluster.newDatabase();
        ASSERT_EQ(orvexDb({QStringLiteral("create"), cluster.socket(database)}).status, 0);
        const ToolRun copied = orvexDb({QStringLiteral("copy"), file.path(), cluster.socket(database)});
        if (withNul) {
            EXPECT_EQ(copied.status, 1);
            EXPECT_TRUE(copied.err.contains(QLatin1String("record 3 (NUL)"))) << qPrintable(copied.err);
            EXPECT_TRUE(cluster.rows(database).isEmpty());
        } else {
            EXPECT_EQ(copied.status, 0) << qPrintable(copied.err);
            EXPECT_TRUE(copied.err.contains(QLatin1String("changed record 2 (CAF)"))) << qPrintable(copied.err);
            EXPECT_FALSE(copied.err.contains(QLatin1String("record 1"))) << qPrintable(copied.err);
            EXPECT_EQ(cluster.rows(database).size(), 2);
        }
    }
}

TEST(DbToolOnAServer, ImportExportAndStatsAnswerAsOnAFile)
{
    QTemporaryDir folder;
    const QString list = folder.filePath(QStringLiteral("list.csv"));
    {
        QFile file(list);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Title,Meaning,Context\n"
                   "ABC,first,a\n"
                   "abc,second,b\n"
                   " ABC ,first,c\n"
                   "\"SLA\",\"service level, agreed\",d\n"
                   "\xc3\xa9t\xc3\xa9,summer,e\n"
                   ",no acronym,f\n"
                   "API,first - second,g\n");
    }
    // Definitions of spaces alone, which export leaves out and stats counts,
    // told on a server from their beginning when it holds more.
    const QString spaces(300, QLatin1Char(' '));
    const std::vector<Row> written{{QStringLiteral("BLANK"), spaces, 1},
                                   {QStringLiteral("SPACED"), spaces + QStringLiteral("x"), 1},
                                   {QStringLiteral("EMPTY"), QString(), 1}};
    TempDictionary file{{QStringLiteral("API"), QStringLiteral("first"), 1}};
    PgCluster &cluster = PgCluster::instance();
    const QString database = cluster.newDatabase();
    const QString server = cluster.socket(database);
    ASSERT_EQ(orvexDb({QStringLiteral("create"), server}).status, 0);
    ASSERT_EQ(
        orvexDb({QStringLiteral("add"), QStringLiteral("API"), QStringLiteral("first"), QStringLiteral("--db"), server})
            .status,
        0);

    QStringList exported;
    QStringList counted;
    for (const QString &db : {file.path(), server}) {
        // Twice: the second import finds every meaning there already.
        for (int round = 0; round < 2; ++round) {
            const ToolRun imported = orvexDb({QStringLiteral("import"), list, QStringLiteral("--into"), db});
            EXPECT_EQ(imported.status, 0) << qPrintable(imported.err);
            EXPECT_TRUE(imported.out.startsWith(
                round == 0 ? QLatin1String("7 records read: 3 added, 2 appended, 1 already there, 1 skipped")
                           : QLatin1String("7 records read: 0 added, 0 appended, 6 already there, 1 skipped")))
                << qPrintable(imported.out);
        }
        const ToolRun out = orvexDb({QStringLiteral("export"), QStringLiteral("--from"), db});
        EXPECT_EQ(out.status, 0) << qPrintable(out.err);
        exported << out.out;
        for (const Row &row : written)
            db == server ? cluster.insert(database, row) : file.insert(row);
        const ToolRun stats = orvexDb({QStringLiteral("stats"), QStringLiteral("--from"), db});
        EXPECT_EQ(stats.status, 0) << qPrintable(stats.err);
        counted << stats.out.section(QLatin1String("records:"), 1);
    }
    EXPECT_EQ(exported.at(0), exported.at(1));
    EXPECT_TRUE(exported.at(0).contains(QStringLiteral("ABC\tfirst - second\n"))) << qPrintable(exported.at(0));
    EXPECT_EQ(counted.at(0), counted.at(1));
    EXPECT_TRUE(counted.at(1).contains(QLatin1String("incomplete:  2 records"))) << qPrintable(counted.at(1));
    EXPECT_EQ(cluster.rows(database), file.rows());
}

} // namespace
