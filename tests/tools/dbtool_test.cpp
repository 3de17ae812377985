#include "tools/dbtool.h"

#include "store/acronymindex.h"
#include "store/engine.h"

#include "support/printers.h"
#include "support/tempdictionary.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

using testing_support::Row;
using testing_support::TempDictionary;

namespace {

struct ToolRun
{
    int code;
    QString out;
    QString err;
};

ToolRun dbTool(const QStringList &arguments)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int code = tools::runDbTool(arguments, outStream, errStream);
    outStream.flush();
    errStream.flush();
    return {code, out, err};
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

TEST(DbTool, CreateMakesAnEmptyDictionaryAndNeverOverwrites)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nym2.fdb"));
    EXPECT_EQ(dbTool({QStringLiteral("create"), path}).code, 0);
    EXPECT_TRUE(QFileInfo::exists(path));

    const ToolRun again = dbTool({QStringLiteral("create"), path});
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(again.err.contains(QLatin1String("already exists"))) << again.err.toStdString();
}

TEST(DbTool, ImportUpperCasesKeysAppendsToStoredOnesAndReportsBadLines)
{
    TempDictionary dictionary{Row{QStringLiteral(" CPU"), QStringLiteral("Central Processing Unit"), 1}};
    QTemporaryDir dir;
    const QString tsv = writeFile(dir, QStringLiteral("in.tsv"),
                                  "# comment\n"
                                  "$tag\n"
                                  "cpu\tCentral Processor\n"
                                  "ram\tRandom Access Memory\n"
                                  "no tab here\n"
                                  "RAM\tRandom-access memory\n"
                                  "\t\n");
    const ToolRun run = dbTool({QStringLiteral("import"), tsv, QStringLiteral("--into"), dictionary.path()});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("line 5"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QLatin1String("line 7"))) << run.err.toStdString();
    EXPECT_EQ(dictionary.rows(),
              (QList<Row>{Row{QStringLiteral(" CPU"), QStringLiteral("Central Processing Unit - Central Processor"), 1},
                          Row{QStringLiteral("RAM"), QStringLiteral("Random Access Memory - Random-access memory"), 1}}));
}

TEST(DbTool, ImportGivesADictionaryMadeElsewhereTheLookupIndex)
{
    TempDictionary dictionary{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}};
    QTemporaryDir dir;
    const QString tsv = writeFile(dir, QStringLiteral("in.tsv"), "RAM\tRandom Access Memory\n");
    const auto state = [&] {
        store::Database db = store::Engine::instance().open(dictionary.path());
        return store::acronymIndexState(db);
    };
    ASSERT_EQ(state(), store::AcronymIndex::Missing);
    EXPECT_EQ(dbTool({QStringLiteral("import"), tsv, QStringLiteral("--into"), dictionary.path()}).code, 0);
    EXPECT_EQ(state(), store::AcronymIndex::Usable);
}

TEST(DbTool, AFailedImportWritesNothing)
{
    TempDictionary dictionary{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}};
    dictionary.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Acronyms "
                                   "WHEN NEW.Acronym = 'BAD' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    QTemporaryDir dir;
    const QString tsv = writeFile(dir, QStringLiteral("in.tsv"), "GOOD\tfine\nCPU\tmore\nBAD\tfails\n");
    const ToolRun run = dbTool({QStringLiteral("import"), tsv, QStringLiteral("--into"), dictionary.path()});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(dictionary.rows(),
              (QList<Row>{Row{QStringLiteral("CPU"), QStringLiteral("Central Processing Unit"), 1}}));
}

TEST(DbTool, AWrongCommandLineShowsUsage)
{
    for (const QStringList &arguments : {QStringList{}, QStringList{QStringLiteral("create")},
                                         QStringList{QStringLiteral("frobnicate"), QStringLiteral("x")}}) {
        const ToolRun run = dbTool(arguments);
        EXPECT_EQ(run.code, 2);
        EXPECT_TRUE(run.err.contains(QLatin1String("usage:")));
    }
}

} // namespace
