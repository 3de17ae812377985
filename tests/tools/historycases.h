#pragma once

// What both engines' history must hold, run on a file (history_test.cpp)
// and on a server (history_server_test.cpp): every way of writing leaves
// exactly one change for each record it changed, with the record before
// and after, and nothing for a lookup; undo puts each kind of change back
// exactly; and replaying the whole history gives the table.

#include "store/dictionary.h"
#include "support/history.h"
#include "support/printers.h"
#include "tools/dbtool.h"

#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace history_cases {

using testing_support::kNoRecord;
using testing_support::Recorded;
using testing_support::Records;
using testing_support::Row;

// A dictionary keeping a history from its start, for one test, and what
// another program sees of it and does to it.
class Place
{
public:
    virtual ~Place() = default;
    virtual QString location() const = 0;
    // Another program writing the table directly.
    virtual void insert(const Row &row) = 0;
    virtual void exec(const QString &sql) = 0;
    virtual QList<Recorded> history() = 0;
    virtual Records records() = 0;
    // Who the program's own changes name, and another program's.
    virtual std::optional<QString> me() const = 0;
    virtual std::optional<QString> someoneElse() const = 0;
    // The word the engine stores for an operation.
    virtual QString stored(const char *operation) const { return QString::fromUtf8(operation); }
};

struct ToolRun
{
    int status = 0;
    QString out;
    QString err;
};

inline ToolRun orvexDb(const QStringList &arguments)
{
    ToolRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.status = tools::runDbTool(arguments, out, err);
    out.flush();
    err.flush();
    return run;
}

inline Row record(const char *acronym, const char *definition)
{
    return Row{QString::fromUtf8(acronym), QString::fromUtf8(definition), 1};
}

struct Expected
{
    qint64 record;
    const char *operation;
    Row before;
    Row after;
    bool byTheProgram = true;
};

struct WritePath
{
    std::string name;
    QList<Row> records; // written first, by another program
    std::function<void(Place &)> write;
    QList<Expected> changes;
};

inline void PrintTo(const WritePath &path, std::ostream *out)
{
    *out << path.name;
}

inline store::Dictionary opened(Place &place)
{
    return store::Dictionary(store::Location::parse(place.location()));
}

inline void tool(Place &place, QStringList arguments)
{
    arguments << QStringLiteral("--db") << place.location();
    const ToolRun run = orvexDb(arguments);
    EXPECT_EQ(run.status, 0) << arguments.join(QLatin1Char(' ')).toStdString() << ": " << run.err.toStdString();
}

inline std::vector<WritePath> writePaths()
{
    const Row cpu = record("CPU", "Central");
    const Row ram = record("RAM", "Random");
    return {
        {"TheWindowsAdd",
         {ram},
         [](Place &place) {
             store::Dictionary dictionary = opened(place);
             ASSERT_FALSE(dictionary.find(QStringLiteral("cpu")));
             dictionary.add(QStringLiteral("cpu"), QStringLiteral("Central"));
         },
         {{2, "added", kNoRecord, cpu}}},
        {"TheDialogsAdd",
         {cpu},
         [](Place &place) {
             store::Dictionary dictionary = opened(place);
             dictionary.append(*dictionary.find(QStringLiteral("cpu")), QStringLiteral("Unit"));
         },
         {{1, "appended", cpu, record("CPU", "Central - Unit")}}},
        {"TheDialogsReplace",
         {cpu},
         [](Place &place) {
             store::Dictionary dictionary = opened(place);
             dictionary.replace(*dictionary.find(QStringLiteral("cpu")), QStringLiteral("Processor"));
         },
         {{1, "replaced", cpu, record("CPU", "Processor")}}},
        {"ToolAddsNew",
         {cpu},
         [](Place &place) {
             tool(place, {QStringLiteral("add"), QStringLiteral("ram"), QStringLiteral("Random")});
         },
         {{2, "added", kNoRecord, ram}}},
        {"ToolAddsToAStoredOne",
         {cpu},
         [](Place &place) {
             tool(place, {QStringLiteral("add"), QStringLiteral("cpu"), QStringLiteral("Unit")});
         },
         {{1, "appended", cpu, record("CPU", "Central - Unit")}}},
        {"ToolReplaces",
         {cpu},
         [](Place &place) {
             tool(place, {QStringLiteral("replace"), QStringLiteral("cpu"), QStringLiteral("Processor")});
         },
         {{1, "replaced", cpu, record("CPU", "Processor")}}},
        {"ToolDeletes",
         {cpu, ram},
         [](Place &place) {
             tool(place, {QStringLiteral("delete"), QStringLiteral("cpu")});
         },
         {{1, "deleted", cpu, kNoRecord}}},
        // One change for each record, whatever the import met: an acronym
        // stored already gets one append, a new one is added once with all
        // of its meanings.
        {"ToolImports",
         {cpu},
         [](Place &place) {
             QTemporaryDir folder;
             const QString list = folder.filePath(QStringLiteral("list.tsv"));
             QFile file(list);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write("CPU\tUnit\nram\tRandom\nRAM\tMemory\nCPU\tCentral\nCPU\tChip\n");
             file.close();
             tool(place, {QStringLiteral("import"), list});
         },
         {{1, "appended", cpu, record("CPU", "Central - Unit - Chip")},
          {2, "added", kNoRecord, record("RAM", "Random - Memory")}}},
        {"LookupsRecordNothing",
         {cpu},
         [](Place &place) {
             store::Dictionary dictionary = opened(place);
             dictionary.find(QStringLiteral("cpu"));
             dictionary.acronyms();
             dictionary.search({QStringLiteral("central")});
             tool(place, {QStringLiteral("export")});
         },
         {}},
        {"TheSameTextAgainRecordsNothing",
         {cpu},
         [](Place &place) {
             store::Dictionary dictionary = opened(place);
             dictionary.replace(*dictionary.find(QStringLiteral("cpu")), QStringLiteral("Central"));
         },
         {}},
        {"AnotherProgramReplaces",
         {cpu},
         [](Place &place) { place.exec(QStringLiteral("UPDATE Acronyms SET Definition = 'Processor'")); },
         {{1, "replaced", cpu, record("CPU", "Processor"), false}}},
        {"AnotherProgramAppends",
         {cpu},
         [](Place &place) { place.exec(QStringLiteral("UPDATE Acronyms SET Definition = Definition || ' - Unit'")); },
         {{1, "appended", cpu, record("CPU", "Central - Unit"), false}}},
        {"AnotherProgramChangesEveryField",
         {cpu},
         [](Place &place) {
             place.exec(QStringLiteral("UPDATE Acronyms SET Acronym = ' cpu', Definition = NULL, Active = NULL"));
         },
         {{1, "replaced", cpu, Row{QStringLiteral(" cpu"), std::nullopt, std::nullopt}, false}}},
        {"AnotherProgramChangesManyRecordsAtOnce",
         {cpu, ram},
         [](Place &place) { place.exec(QStringLiteral("UPDATE Acronyms SET Active = 0")); },
         {{1, "replaced", cpu, Row{QStringLiteral("CPU"), QStringLiteral("Central"), 0}, false},
          {2, "replaced", ram, Row{QStringLiteral("RAM"), QStringLiteral("Random"), 0}, false}}},
        {"AnotherProgramAddsAndDeletes",
         {cpu},
         [](Place &place) {
             place.exec(
                 QStringLiteral("INSERT INTO Acronyms (Acronym, Definition, Active) VALUES ('RAM', 'Random', 1)"));
             place.exec(QStringLiteral("DELETE FROM Acronyms WHERE Acronym = 'CPU'"));
         },
         {{2, "added", kNoRecord, ram, false}, {1, "deleted", cpu, kNoRecord, false}}},
    };
}

inline void checkWritePath(Place &place, const WritePath &path)
{
    for (const Row &row : path.records)
        place.insert(row);
    const qsizetype before = place.history().size();
    path.write(place);
    const QList<Recorded> changes = place.history();
    QList<Recorded> expected;
    for (const Expected &change : path.changes)
        expected << Recorded{0,
                             change.record,
                             place.stored(change.operation),
                             change.before,
                             change.after,
                             change.byTheProgram ? place.me() : place.someoneElse(),
                             0};
    EXPECT_EQ(changes.mid(before), expected);
    EXPECT_EQ(testing_support::replayed(changes), place.records());

    // orvex-db history names each, newest first.
    const ToolRun listed = orvexDb({QStringLiteral("history"), QStringLiteral("--db"), place.location()});
    QStringList shown;
    for (const QString &line : listed.out.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('#')) && shown.size() < path.changes.size())
            shown.prepend(line.section(QLatin1String("  "), 3).section(QLatin1Char(' '), 0, 0));
    }
    QStringList operations;
    for (const Expected &change : path.changes)
        operations << QString::fromUtf8(change.operation);
    EXPECT_EQ(shown, operations) << listed.out.toStdString();
}

struct UndoCase
{
    std::string name;
    QList<Row> records; // written first, by another program
    std::function<void(Place &)> change; // the change undone
    const char *undoneBy; // the undo's own change
};

inline void PrintTo(const UndoCase &test, std::ostream *out)
{
    *out << test.name;
}

inline std::vector<UndoCase> undoCases()
{
    return {
        {"Added",
         {record("CPU", "Central")},
         [](Place &place) {
             tool(place, {QStringLiteral("add"), QStringLiteral("ram"), QStringLiteral("Random")});
         },
         "deleted"},
        {"Appended",
         {record("CPU", "Central")},
         [](Place &place) {
             tool(place, {QStringLiteral("add"), QStringLiteral("cpu"), QStringLiteral("Unit")});
         },
         "replaced"},
        // Every field back as it was, values that are none included.
        {"Replaced",
         {Row{QStringLiteral(" cpu "), std::nullopt, std::nullopt}},
         [](Place &place) {
             place.exec(QStringLiteral("UPDATE Acronyms SET Acronym = 'CPU', Definition = 'x', Active = 1"));
         },
         "replaced"},
        // Back in its place in the natural order, between the two others.
        {"Deleted",
         {record("ABC", "first"), record("CPU", "Central"), record("XYZ", "last")},
         [](Place &place) {
             tool(place, {QStringLiteral("delete"), QStringLiteral("cpu")});
         },
         "added"},
        {"DeletedWithoutValues",
         {record("ABC", "first"), Row{QStringLiteral("CPU"), std::nullopt, std::nullopt}, record("XYZ", "last")},
         [](Place &place) { place.exec(QStringLiteral("DELETE FROM Acronyms WHERE Acronym = 'CPU'")); },
         "added"},
    };
}

inline void checkUndo(Place &place, const UndoCase &test)
{
    for (const Row &row : test.records)
        place.insert(row);
    const Records before = place.records();
    test.change(place);
    const Recorded undone = place.history().constLast();
    const ToolRun run =
        orvexDb({QStringLiteral("undo"), QString::number(undone.number), QStringLiteral("--db"), place.location()});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(place.records(), before);
    const QList<Recorded> changes = place.history();
    EXPECT_EQ(changes.constLast(), (Recorded{0, undone.record, place.stored(test.undoneBy), undone.after, undone.before,
                                             place.me(), undone.number}));
    EXPECT_EQ(testing_support::replayed(changes), place.records());
}

// A change that later ones built on is undone only when forced.
inline void checkUndoAskedToForce(Place &place)
{
    place.insert(record("CPU", "Central"));
    tool(place, {QStringLiteral("add"), QStringLiteral("cpu"), QStringLiteral("Unit")});
    const qint64 appended = place.history().constLast().number;
    tool(place, {QStringLiteral("replace"), QStringLiteral("cpu"), QStringLiteral("Processor")});
    const qint64 replaced = place.history().constLast().number;
    const QStringList undo{QStringLiteral("undo"), QString::number(appended), QStringLiteral("--db"), place.location()};

    const ToolRun refused = orvexDb(undo);
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("later changes (%1)").arg(replaced))) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(QLatin1String("--force"))) << refused.err.toStdString();
    EXPECT_EQ(place.records().value(1), record("CPU", "Processor"));

    const ToolRun forced = orvexDb(undo + QStringList{QStringLiteral("--force")});
    EXPECT_EQ(forced.status, 0) << forced.err.toStdString();
    EXPECT_EQ(place.records().value(1), record("CPU", "Central"));
}

} // namespace history_cases
