// The BSD wtf acronym files as Debian ships them in bsdgames, through the
// real orvex-db: each imports whole into a new dictionary, and find answers
// what the file says.

#include "store/text.h"
#include "support/printers.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct ToolRun
{
    int code = -1;
    QString out;
    QString err;
};

ToolRun orvexDb(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(ORVEX_DB_PATH), arguments);
    ToolRun run;
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit) {
        tool.kill();
        tool.waitForFinished();
        run.err = QStringLiteral("orvex-db did not finish: ") + tool.errorString();
        return run;
    }
    run.code = tool.exitCode();
    run.out = QString::fromUtf8(tool.readAllStandardOutput());
    run.err = QString::fromUtf8(tool.readAllStandardError());
    return run;
}

struct Line
{
    int number;
    QString acronym;
    QString definition;
};

class BsdGamesFile : public testing::TestWithParam<const char *>
{};

TEST_P(BsdGamesFile, ImportsWholeAndFindFindsItsLines)
{
    const QString path = QStringLiteral("/usr/share/games/bsdgames/") + QLatin1String(GetParam());
    QFile file(path);
    if (!file.exists())
        GTEST_SKIP() << path.toStdString()
                     << " is missing: the package bsdgames is not installed (scripts/packages.sh installs it "
                        "with the test packages)";
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.errorString().toStdString();

    // The file as the wtf program reads it: comment and tag lines left
    // out, ACRONYM<TAB>meaning, a line without a tab is not one.
    QList<Line> records;
    QList<int> malformed;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines.at(i));
        if (store::trimSpaces(line).isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char('$')))
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() == 2)
            records << Line{i + 1, fields.at(0), fields.at(1)};
        else
            malformed << i + 1;
    }
    ASSERT_GT(records.size(), 100);

    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("wtf.fdb"));
    const ToolRun created = orvexDb({QStringLiteral("create"), db});
    ASSERT_EQ(created.code, 0) << created.err.toStdString();
    const ToolRun imported = orvexDb({QStringLiteral("import"), path, QStringLiteral("--into"), db});
    ASSERT_EQ(imported.code, 0) << imported.out.toStdString() << imported.err.toStdString();
    const QRegularExpressionMatch summary =
        QRegularExpression(QStringLiteral("^(\\d+) records read: (\\d+) added, (\\d+) appended, 0 already there, "
                                          "(\\d+) skipped"))
            .match(imported.out);
    ASSERT_TRUE(summary.hasMatch()) << imported.out.toStdString();
    EXPECT_EQ(summary.captured(1).toInt(), records.size() + malformed.size());
    EXPECT_EQ(summary.captured(2).toInt() + summary.captured(3).toInt(), records.size());
    EXPECT_EQ(summary.captured(4).toInt(), malformed.size());
    // Each malformed line listed, and nothing else said.
    EXPECT_EQ(imported.err.count(QLatin1Char('\n')), malformed.size()) << imported.err.toStdString();
    for (const int number : malformed)
        EXPECT_TRUE(imported.err.contains(QStringLiteral(": skipped line %1: ").arg(number)))
            << number << " in " << imported.err.toStdString();

    // Every 25th record and the last; an acronym on several lines has its
    // meanings joined by " - ".
    QList<Line> sample;
    for (qsizetype i = 0; i < records.size(); i += 25)
        sample << records.at(i);
    sample << records.back();
    QStringList arguments{QStringLiteral("find"), QStringLiteral("--db"), db, QStringLiteral("--")};
    for (const Line &line : sample)
        arguments << line.acronym;
    const ToolRun found = orvexDb(arguments);
    EXPECT_EQ(found.code, 0) << found.err.toStdString();
    const QStringList answers = found.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(answers.size(), sample.size()) << found.out.toStdString() << found.err.toStdString();
    for (qsizetype i = 0; i < sample.size(); ++i) {
        const Line &line = sample.at(i);
        EXPECT_TRUE(answers.at(i).startsWith(store::trimSpaces(line.acronym).toUpper() + QLatin1String(": ")))
            << answers.at(i).toStdString();
        EXPECT_TRUE(answers.at(i).contains(store::trimSpaces(line.definition)))
            << "line " << line.number << ": " << line.definition.toStdString() << " in " << answers.at(i).toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(RealFiles, BsdGamesFile, testing::Values("acronyms", "acronyms.comp"),
                         [](const testing::TestParamInfo<const char *> &param) {
                             return QString::fromLatin1(param.param).remove(QLatin1Char('.')).toStdString();
                         });

} // namespace
