// Other processes at work on the same dictionary: a writer killed at random
// moments (the table and its history of changes always agreeing), and two
// copies writing at once.

#include "robustness/writerplan.h"
#include "store/dictionary.h"
#include "store/engine.h"
#include "support/figures.h"
#include "support/history.h"
#include "support/printers.h"
#include "support/tempdictionary.h"

#include <QHash>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>
#include <random>

using testing_support::Row;
using testing_support::TempDictionary;

namespace {

const QString kWriter = QStringLiteral(STOREWRITER_PATH);

QHash<QString, QList<QString>> byAcronym(const QList<Row> &rows)
{
    QHash<QString, QList<QString>> result;
    for (const Row &row : rows)
        result[row.acronym.value_or(QString())].append(row.definition.value_or(QString()));
    return result;
}

TEST(CrashSafety, AWriterKilledAtRandomMomentsLosesNoFinishedWriteAndTearsNone)
{
    constexpr int kTrials = 200;
    TempDictionary dictionary;
    // Keeping a history, which must always agree with the table.
    store::engineFor(store::Location::file(dictionary.path()))->startHistory();
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> pause(0, 40);

    // What each acronym must hold, from the writes the writer reported done.
    QHash<QString, QString> confirmed;
    qint64 next = 0;
    qint64 reported = 0;
    int lost = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        QProcess writer;
        writer.start(kWriter, {QStringLiteral("churn"), dictionary.path(), QString::number(next)});
        ASSERT_TRUE(writer.waitForReadyRead(10000)) << "the writer did not start";
        QThread::msleep(static_cast<unsigned long>(pause(random)));
        writer.kill();
        writer.waitForFinished();

        qint64 lastDone = next - 1;
        for (const QByteArray &line : writer.readAllStandardOutput().split('\n')) {
            if (line.startsWith("done "))
                lastDone = line.mid(5).toLongLong();
        }
        for (qint64 step = next; step <= lastDone; ++step) {
            confirmed[writer_plan::key(step)] = writer_plan::definition(step);
            ++reported;
        }
        // The write in flight when the kill came may or may not be there.
        const qint64 inFlight = lastDone + 1;

        // Reopening through the store rolls back whatever the kill left.
        store::Dictionary(store::Location::file(dictionary.path())).find(QStringLiteral("K0"));
        ASSERT_EQ(dictionary.integrityCheck(), QStringLiteral("ok")) << "trial " << trial;
        EXPECT_EQ(testing_support::replayed(testing_support::fileHistory(dictionary.path())),
                  testing_support::fileRecords(dictionary.path()))
            << "trial " << trial;

        const auto stored = byAcronym(dictionary.rows());
        for (auto it = stored.cbegin(); it != stored.cend(); ++it)
            EXPECT_EQ(it.value().size(), 1) << "acronym stored twice: " << it.key().toStdString();
        for (int k = 0; k < writer_plan::kKeys; ++k) {
            const QString key = writer_plan::key(k);
            const std::optional<QString> have =
                stored.contains(key) ? std::optional<QString>(stored[key].first()) : std::nullopt;
            const std::optional<QString> want =
                confirmed.contains(key) ? std::optional<QString>(confirmed[key]) : std::nullopt;
            const bool mayBeNewer = writer_plan::key(inFlight) == key && have == writer_plan::definition(inFlight);
            if (have != want && !mayBeNewer) {
                ++lost;
                ADD_FAILURE() << "trial " << trial << ": " << key.toStdString() << " lost or torn";
            }
            if (have)
                confirmed[key] = *have;
        }
        next = inFlight + 1;
    }
    testing_support::recordFigures(
        QStringLiteral("crash"),
        QStringLiteral("crash trials %1, writes finished %2, writes lost %3").arg(kTrials).arg(reported).arg(lost));
    EXPECT_GT(reported, 0) << "the writer never finished a write: the kills came too early to test anything";
}

TEST(TwoCopies, WritingAtTheSameTimeStoreEveryAcronym)
{
    TempDictionary dictionary;
    QProcess first;
    QProcess second;
    first.start(kWriter, {QStringLiteral("add"), dictionary.path(), QStringLiteral("FIRST"), QStringLiteral("500")});
    second.start(kWriter, {QStringLiteral("add"), dictionary.path(), QStringLiteral("SECOND"), QStringLiteral("500")});
    for (QProcess *copy : {&first, &second}) {
        ASSERT_TRUE(copy->waitForFinished(120000));
        EXPECT_EQ(copy->exitCode(), 0) << copy->readAllStandardError().toStdString();
        EXPECT_TRUE(copy->readAllStandardError().isEmpty());
    }
    const QList<Row> rows = dictionary.rows();
    const auto stored = byAcronym(rows);
    int count = 0;
    for (const char *prefix : {"FIRST", "SECOND"}) {
        for (int i = 0; i < 500; ++i)
            count += stored.value(QString::fromLatin1(prefix) + QString::number(i)).size() == 1 ? 1 : 0;
    }
    EXPECT_EQ(count, 1000);
    EXPECT_EQ(rows.size(), 1000);
    EXPECT_EQ(dictionary.integrityCheck(), QStringLiteral("ok"));
    testing_support::recordFigures(QStringLiteral("concurrency"),
                                   QStringLiteral("concurrent writes stored %1 of 1000").arg(count));
}

TEST(TwoCopies, AddingTheSameNewAcronymAtOnceStoresItOnceAndTellsTheSecond)
{
    constexpr int kRounds = 10;
    TempDictionary dictionary;
    int duplicates = 0;
    for (int round = 0; round < kRounds; ++round) {
        const QString key = QStringLiteral("RACE%1").arg(round);
        QProcess first;
        QProcess second;
        for (QProcess *copy : {&first, &second}) {
            copy->start(kWriter, {QStringLiteral("race"), dictionary.path(), key});
            ASSERT_TRUE(copy->waitForReadyRead(10000));
            ASSERT_EQ(copy->readLine().trimmed(), QByteArray("scanned"));
        }
        // Both scanned and found nothing; now both users press OK.
        for (QProcess *copy : {&first, &second})
            copy->write("go\n");
        QList<QByteArray> outcomes;
        for (QProcess *copy : {&first, &second}) {
            ASSERT_TRUE(copy->waitForFinished(20000));
            EXPECT_EQ(copy->exitCode(), 0) << copy->readAllStandardError().toStdString();
            outcomes.append(copy->readAllStandardOutput().trimmed());
        }
        std::sort(outcomes.begin(), outcomes.end());
        EXPECT_EQ(outcomes, (QList<QByteArray>{"added", "found"}));
        const int copies = static_cast<int>(byAcronym(dictionary.rows()).value(key).size());
        EXPECT_EQ(copies, 1);
        duplicates += copies > 1 ? 1 : 0;
    }
    testing_support::recordFigures(QStringLiteral("concurrency"),
                                   QStringLiteral("same-acronym races %1, duplicates %2").arg(kRounds).arg(duplicates));
}

} // namespace
