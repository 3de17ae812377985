#include "store/file/acronymindex.h"

#include "store/dictionary.h"
#include "store/file/files.h"
#include "store/file/recordscan.h"
#include "store/file/schema.h"
#include "store/text.h"
#include "support/printers.h"
#include "support/storehelpers.h"
#include "support/tempdictionary.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>
#include <variant>

using testing_support::lookUp;
using testing_support::Row;
using testing_support::TempDictionary;

namespace {

Row row(const char *acronym, const char *definition)
{
    return Row{QString::fromUtf8(acronym), QString::fromUtf8(definition), 1};
}

store::AcronymIndex indexState(const QString &path)
{
    store::Database db = store::Files::instance().open(path);
    return store::acronymIndexState(db);
}

// The definition SQLite keeps for the index of that name, or "" when none.
QString storedIndexDefinition(const QString &path)
{
    store::Database db = store::Files::instance().open(path);
    store::Statement query(db, "SELECT sql FROM sqlite_master WHERE name = 'AcronymsTrimmed'");
    return query.step() ? query.text(0) : QString();
}

QStringList seekPlan(store::Database &db)
{
    store::Statement explain(db, (std::string("EXPLAIN QUERY PLAN ") + store::kSeekAcronymSql).c_str());
    explain.bind(1, QStringLiteral("ABC"));
    QStringList steps;
    while (explain.step())
        steps << explain.text(3);
    return steps;
}

// One step: a search through the index on the trimmed acronym, with no walk
// through a table or index and no sorting afterwards.
void expectOneIndexSearch(const QStringList &plan)
{
    ASSERT_EQ(plan.size(), 1) << plan.join(QLatin1String(" / ")).toStdString();
    const QString &step = plan.first();
    EXPECT_TRUE(step.startsWith(QLatin1String("SEARCH "))) << step.toStdString();
    EXPECT_TRUE(step.contains(QLatin1String("USING INDEX AcronymsTrimmed (<expr>=?)"))) << step.toStdString();
    EXPECT_FALSE(step.contains(QLatin1String("SCAN"))) << step.toStdString();
    EXPECT_FALSE(step.contains(QLatin1String("TEMP B-TREE"))) << step.toStdString();
}

TEST(AcronymIndex, TheLookupIsOneIndexSearchWithoutScanOrSort)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nym2.fdb"));
    store::Database db = store::createDictionary(path);
    db.exec("INSERT INTO Acronyms VALUES ('ABC', 'one', 1), ('ABC', 'two', 1), (' XYZ', 'three', 1)");
    expectOneIndexSearch(seekPlan(db));

    // Statistics another tool stored, saying that every record has the same
    // acronym, must not turn the search into a walk through the table.
    db.exec("ANALYZE");
    db.exec("DELETE FROM sqlite_stat1");
    db.exec("INSERT INTO sqlite_stat1 VALUES ('Acronyms', 'AcronymsTrimmed', '1000000 1000000'), "
            "('Acronyms', NULL, '1000000')");
    db.close();
    store::Database reopened = store::Files::instance().open(path);
    expectOneIndexSearch(seekPlan(reopened));
}

TEST(AcronymIndex, ANewDictionaryHasIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new.fdb"));
    store::createDictionary(path);
    EXPECT_EQ(indexState(path), store::AcronymIndex::Usable);
}

TEST(AcronymIndex, AFileWithoutItGetsItOnTheFirstLookup)
{
    TempDictionary dictionary{row(" ABC ", "padded"), row("ABC", "second")};
    ASSERT_EQ(indexState(dictionary.path()), store::AcronymIndex::Missing);
    EXPECT_EQ(lookUp(dictionary.path(), QStringLiteral("ABC")), QStringLiteral("padded"));
    EXPECT_EQ(indexState(dictionary.path()), store::AcronymIndex::Usable);
    EXPECT_EQ(lookUp(dictionary.path(), QStringLiteral(" ABC")), QStringLiteral("padded"));
    EXPECT_EQ(dictionary.rows().size(), 2);
}

TEST(AcronymIndex, ALockedFileIsScannedNowAndGetsTheIndexOnALaterLookup)
{
    TempDictionary dictionary{row("XYZ", "other"), row("ABC", "alpha")};
    sqlite3 *other = nullptr;
    sqlite3_open(dictionary.path().toUtf8().constData(), &other);
    // Another program is writing: readers may go on, nobody else may write.
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    EXPECT_EQ(lookUp(dictionary.path(), QStringLiteral("ABC")), QStringLiteral("alpha"));
    EXPECT_EQ(lookUp(dictionary.path(), QStringLiteral("DEF")), std::nullopt);

    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(indexState(dictionary.path()), store::AcronymIndex::Missing);
    EXPECT_EQ(lookUp(dictionary.path(), QStringLiteral("ABC")), QStringLiteral("alpha"));
    EXPECT_EQ(indexState(dictionary.path()), store::AcronymIndex::Usable);
}

TEST(AcronymIndex, SomebodyElsesIndexUnderTheNameIsLeftAloneAndAnswersStayRight)
{
    TempDictionary dictionary{row("ABC", "plain"), row("  DEF", "padded"), row("DEF", "second")};
    dictionary.exec(QStringLiteral("CREATE INDEX AcronymsTrimmed ON Acronyms (Acronym)"));
    const QString theirs = storedIndexDefinition(dictionary.path());

    EXPECT_EQ(lookUp(dictionary.path(), QStringLiteral("DEF")), QStringLiteral("padded"));
    EXPECT_EQ(lookUp(dictionary.path(), QStringLiteral("ABC ")), QStringLiteral("plain"));
    EXPECT_EQ(storedIndexDefinition(dictionary.path()), theirs);

    // One that cannot answer the lookup at all leaves it to the record scan.
    dictionary.exec(QStringLiteral("DROP INDEX AcronymsTrimmed"));
    dictionary.exec(QStringLiteral("CREATE INDEX AcronymsTrimmed ON Acronyms (Acronym) WHERE Active = 0"));
    EXPECT_EQ(indexState(dictionary.path()), store::AcronymIndex::Unusable);
    EXPECT_EQ(lookUp(dictionary.path(), QStringLiteral("DEF")), QStringLiteral("padded"));
}

TEST(AcronymIndex, AUtf16FileIsScannedAndGetsNoIndex)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("utf16.fdb"));
    sqlite3 *raw = nullptr;
    sqlite3_open(path.toUtf8().constData(), &raw);
    ASSERT_EQ(sqlite3_exec(raw,
                           "PRAGMA encoding = 'UTF-16le';"
                           "CREATE TABLE Acronyms (Acronym TEXT, Definition TEXT, Active INTEGER);"
                           "INSERT INTO Acronyms VALUES (' \xc3\x89T\xc3\x89 ', 'summer', 1), ('ABC', 'alpha', 1);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);

    EXPECT_EQ(lookUp(path, QString::fromUtf16(u"\u00c9T\u00c9")), QStringLiteral("summer"));
    EXPECT_EQ(lookUp(path, QStringLiteral("ABC")), QStringLiteral("alpha"));
    EXPECT_EQ(indexState(path), store::AcronymIndex::Unusable);
    EXPECT_EQ(storedIndexDefinition(path), QString());
}

TEST(AcronymIndex, WithIndexLookupsSwitchedOffNothingIsAdded)
{
    TempDictionary dictionary{row("ABC", "alpha")};
    store::Files::instance().setLookupByIndex(false);
    const auto found = lookUp(dictionary.path(), QStringLiteral("ABC"));
    store::Files::instance().setLookupByIndex(true);
    EXPECT_EQ(found, QStringLiteral("alpha"));
    EXPECT_EQ(indexState(dictionary.path()), store::AcronymIndex::Missing);
}

// --- The index lookup against the record scan on random tables ---

using Stored = std::variant<std::monostate, QString, qint64, double, QByteArray>;

struct Schema
{
    const char *name;
    const char *create;
};

// Tables as this program makes them and as other tools might: without
// types (numbers and blobs stay what they are), with numeric affinity
// (number-like text becomes a number), with a case-blind column collation.
const Schema kSchemas[] = {
    {"AsMade", "CREATE TABLE Acronyms (Acronym TEXT, Definition TEXT, Active INTEGER)"},
    {"Untyped", "CREATE TABLE Acronyms (Acronym, Definition, Active)"},
    {"Numeric", "CREATE TABLE Acronyms (Acronym NUMERIC, Definition TEXT, Active INTEGER)"},
    {"NoCase", "CREATE TABLE Acronyms (Acronym TEXT COLLATE NOCASE, Definition TEXT, Active INTEGER)"},
};

class RandomTable
{
public:
    explicit RandomTable(unsigned seed)
        : m_random(seed)
    {}

    QString core()
    {
        static const char16_t *const pieces[] = {u"A", u"B",      u"C",      u"AB",     u"ABC",        u"a",
                                                 u"b", u"\u00c9", u"\u00e9", u"\u6f22", u"\U0001F600", u"E\u0301",
                                                 u"1", u"2",      u"0",      u"\t",     u" ",          u"-"};
        QString text;
        const int count = pick(1, 3);
        for (int i = 0; i < count; ++i)
            text += QString::fromUtf16(pieces[pick(0, std::size(pieces) - 1)]);
        return text;
    }

    QString padded(const QString &text)
    {
        QString result = QString(pick(0, 2), QLatin1Char(' ')) + text + QString(pick(0, 2), QLatin1Char(' '));
        if (chance(8))
            result.prepend(QLatin1Char('\t'));
        if (chance(8))
            result.append(QChar(0));
        return result;
    }

    Stored value(const std::vector<Stored> &earlier)
    {
        const int kind = pick(0, 99);
        if (kind < 8)
            return std::monostate{};
        if (kind < 30 && !earlier.empty()) {
            // A duplicate, often with other blanks around it.
            const Stored &other = earlier[pick(0, earlier.size() - 1)];
            if (const auto *text = std::get_if<QString>(&other))
                return padded(store::trimSpaces(*text));
            return other;
        }
        if (kind < 38)
            return static_cast<qint64>(std::vector<qint64>{0, 1, 12, 123, -5, 1000000000000LL}[pick(0, 5)]);
        if (kind < 43)
            return std::vector<double>{1.5, 0.1, -0.0, 1e20, 3.0, 12.0}[pick(0, 5)];
        if (kind < 50) {
            switch (pick(0, 3)) {
            case 0:
                return padded(core()).toUtf8(); // text stored as a blob
            case 1:
                return QByteArray("\xff"
                                  "AB\xc3",
                                  4); // no valid UTF-8
            case 2:
                return QByteArray(" A\0B ", 5);
            default:
                return QByteArray();
            }
        }
        if (kind < 55)
            return QString(pick(0, 3), QLatin1Char(' '));
        if (kind < 60)
            return padded(QString::number(std::vector<int>{1, 12, 123}[pick(0, 2)]));
        return padded(core());
    }

    // Keys the callers could pass: stored values in other padding, lower
    // case, near misses and words that are not there at all.
    QString key(const std::vector<Stored> &stored)
    {
        const int kind = pick(0, 9);
        if (kind < 5 && !stored.empty()) {
            const Stored &value = stored[pick(0, stored.size() - 1)];
            QString text;
            if (const auto *s = std::get_if<QString>(&value))
                text = *s;
            else if (const auto *i = std::get_if<qint64>(&value))
                text = QString::number(*i);
            else if (const auto *b = std::get_if<QByteArray>(&value))
                text = QString::fromUtf8(*b);
            else
                text = core();
            return chance(5) ? text.toLower() : padded(store::trimSpaces(text));
        }
        if (kind < 6)
            return QString(pick(0, 2), QLatin1Char(' '));
        if (kind < 7)
            return std::vector<QString>{
                QStringLiteral("1.5"),     QStringLiteral("0.1"), QStringLiteral("0.0"),
                QStringLiteral("1.0e+20"), QStringLiteral("3.0"), QStringLiteral("12")}[pick(0, 5)];
        return padded(core());
    }

    bool chance(int outOf) { return pick(1, outOf) == 1; }

    int pick(size_t low, size_t high)
    {
        return static_cast<int>(std::uniform_int_distribution<size_t>(low, high)(m_random));
    }

private:
    std::mt19937 m_random;
};

void insert(sqlite3 *db, const Stored &value, int number)
{
    sqlite3_stmt *stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "INSERT INTO Acronyms VALUES (?1, ?2, 1)", -1, &stmt, nullptr), SQLITE_OK);
    if (const auto *text = std::get_if<QString>(&value)) {
        const QByteArray utf8 = text->toUtf8();
        sqlite3_bind_text(stmt, 1, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    } else if (const auto *integer = std::get_if<qint64>(&value)) {
        sqlite3_bind_int64(stmt, 1, *integer);
    } else if (const auto *real = std::get_if<double>(&value)) {
        sqlite3_bind_double(stmt, 1, *real);
    } else if (const auto *blob = std::get_if<QByteArray>(&value)) {
        sqlite3_bind_blob(stmt, 1, blob->constData(), static_cast<int>(blob->size()), SQLITE_TRANSIENT);
    }
    sqlite3_bind_int(stmt, 2, number);
    EXPECT_EQ(sqlite3_step(stmt), SQLITE_DONE);
    sqlite3_finalize(stmt);
}

TEST(AcronymIndex, FindsWhatTheRecordScanFindsOnRandomTables)
{
    int lookups = 0;
    int found = 0;
    for (unsigned seed = 1; seed <= 320; ++seed) {
        RandomTable random(seed);
        const Schema &schema = kSchemas[seed % std::size(kSchemas)];
        store::Database db(QStringLiteral(":memory:"), store::Database::Open::CreateNew, 0);
        db.exec(schema.create);
        // Half the tables get the index before their rows, half after.
        const bool indexFirst = seed % 2 == 0;
        if (indexFirst)
            store::createAcronymIndex(db);

        std::vector<Stored> stored;
        const int rows = random.pick(0, 40);
        for (int i = 0; i < rows; ++i) {
            stored.push_back(random.value(stored));
            insert(db.handle(), stored.back(), i);
        }
        if (!indexFirst)
            store::createAcronymIndex(db);
        ASSERT_EQ(store::acronymIndexState(db), store::AcronymIndex::Usable);

        for (int k = 0; k < 60; ++k) {
            const QString key = random.key(stored);
            const std::optional<qint64> expected = store::scanForAcronym(db, key);
            ASSERT_EQ(store::seekAcronym(db, key), expected)
                << "seed " << seed << " (" << schema.name << "), key \"" << key.toStdString() << '"';
            ++lookups;
            found += expected.has_value();
        }
    }
    // Both answers must have been tried often.
    EXPECT_GT(found, lookups / 5);
    EXPECT_GT(lookups - found, lookups / 5);
}

} // namespace
