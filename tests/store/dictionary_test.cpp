#include "store/dictionary.h"

#include "store/bulkimport.h"
#include "store/file/files.h"
#include "store/file/schema.h"
#include "support/casename.h"
#include "support/printers.h"
#include "support/storehelpers.h"
#include "support/tempdictionary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>

using testing_support::lookUp;
using testing_support::Row;
using testing_support::TempDictionary;

namespace {

std::optional<QString> text(const char16_t *value)
{
    return value ? std::optional<QString>(QString::fromUtf16(value)) : std::nullopt;
}

Row row(const char16_t *acronym, const char16_t *definition)
{
    return Row{text(acronym), text(definition), 1};
}

class LookupMode
{
public:
    explicit LookupMode(bool byIndex)
        : m_saved(store::Files::instance().lookupByIndex())
    {
        store::Files::instance().setLookupByIndex(byIndex);
    }
    ~LookupMode() { store::Files::instance().setLookupByIndex(m_saved); }

private:
    bool m_saved;
};

store::Location at(const QString &path)
{
    return store::Location::file(path);
}

struct ScanCase
{
    const char *name;
    std::vector<Row> rows;
    const char16_t *key;
    const char16_t *expected; // the definition of the record found, or nullptr
};

class RecordScan : public ::testing::TestWithParam<ScanCase>
{};

// The same answers through the trimmed-acronym index and through the plain
// record scan (the index switched off, as for a read-only or UTF-16 file).
TEST_P(RecordScan, FindsTheFirstRecordWhoseTrimmedAcronymEqualsTheTrimmedKey)
{
    for (const bool byIndex : {true, false}) {
        const LookupMode mode(byIndex);
        TempDictionary dictionary;
        for (const Row &r : GetParam().rows)
            dictionary.insert(r);
        EXPECT_EQ(lookUp(dictionary.path(), QString::fromUtf16(GetParam().key)), text(GetParam().expected))
            << (byIndex ? "through the index" : "by the record scan");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RecordScan,
    ::testing::Values(ScanCase{"EmptyTable", {}, u"ABC", nullptr},
                      ScanCase{"BlanksAroundKey", {row(u"ABC", u"found")}, u"  ABC ", u"found"},
                      ScanCase{"BlanksAroundStored", {row(u" ABC  ", u"found")}, u"ABC", u"found"},
                      ScanCase{"LowerCaseStoredNeverFound", {row(u"abc", u"lower")}, u"ABC", nullptr},
                      ScanCase{"InnerSpaceCounts", {row(u"A B", u"spaced")}, u"AB", nullptr},
                      ScanCase{"InnerSpaceMatchesItself", {row(u"A B", u"spaced")}, u"A B", u"spaced"},
                      ScanCase{"TabNotTrimmedInKey", {row(u"ABC", u"x")}, u"\tABC", nullptr},
                      ScanCase{"TabNotTrimmedInStored", {row(u"ABC\t", u"x")}, u"ABC", nullptr},
                      ScanCase{"NoPrefixMatch", {row(u"ABCD", u"longer")}, u"ABC", nullptr},
                      ScanCase{"FirstOfDuplicatesWins",
                               {row(u"XYZ", u"other"), row(u"ABC", u"first"), row(u" ABC", u"second")},
                               u"ABC",
                               u"first"},
                      ScanCase{"NullAcronymBeforeMatchIsPassed",
                               {Row{std::nullopt, text(u"orphan"), 1}, row(u"ABC", u"found")},
                               u"ABC",
                               u"found"},
                      ScanCase{"NullAcronymAfterMatch",
                               {row(u"ABC", u"found"), Row{std::nullopt, text(u"orphan"), 1}},
                               u"ABC",
                               u"found"},
                      ScanCase{"NullDefinitionReadsEmpty", {Row{text(u"ABC"), std::nullopt, 1}}, u"ABC", u""},
                      ScanCase{"NonAsciiExact", {row(u"\u00c9T\u00c9", u"summer")}, u"\u00c9T\u00c9", u"summer"},
                      ScanCase{"DecomposedIsNotComposed", {row(u"E\u0301", u"decomposed")}, u"\u00c9", nullptr},
                      ScanCase{"AstralCharacters", {row(u"\U0001F600", u"smile")}, u" \U0001F600 ", u"smile"},
                      ScanCase{"SpacesOnlyStoredMatchesNothingReal", {row(u"   ", u"blank")}, u"ABC", nullptr}),
    testing_support::CaseName());

TEST(Dictionary, AMissingFileIsAnErrorAndStaysMissing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nym2.fdb"));
    try {
        store::Dictionary opened(at(path));
        FAIL() << "a missing dictionary opened";
    } catch (const store::Error &error) {
        EXPECT_EQ(error.kind(), store::Error::Kind::Missing);
        EXPECT_EQ(error.path(), path);
    }
    EXPECT_FALSE(QFileInfo::exists(path));
}

struct FaultCase
{
    const char *name;
    std::function<void(const QString &path)> damage;
    int expectedCode;
    store::Error::Kind expectedKind;
};

class OpenFault : public ::testing::TestWithParam<FaultCase>
{};

TEST_P(OpenFault, IsReportedWithACodeAndAKind)
{
    TempDictionary dictionary{row(u"ABC", u"alpha")};
    GetParam().damage(dictionary.path());
    try {
        lookUp(dictionary.path(), QStringLiteral("ABC"));
        FAIL() << "the fault went unnoticed";
    } catch (const store::Error &error) {
        EXPECT_EQ(error.code(), GetParam().expectedCode) << error.what();
        EXPECT_EQ(error.kind(), GetParam().expectedKind) << error.what();
    }
}

void overwrite(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

void rawExec(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, OpenFault,
    ::testing::Values(
        FaultCase{"NotADatabase", [](const QString &p) { overwrite(p, QByteArray(4096, 'x')); }, SQLITE_NOTADB,
                  store::Error::Kind::NotADictionary},
        FaultCase{"EmptyFile", [](const QString &p) { overwrite(p, {}); }, SQLITE_ERROR, store::Error::Kind::NoTable},
        FaultCase{"TableMissing", [](const QString &p) { rawExec(p, "ALTER TABLE Acronyms RENAME TO Other"); },
                  SQLITE_ERROR, store::Error::Kind::NoTable},
        FaultCase{"FieldMissing",
                  [](const QString &p) { rawExec(p, "ALTER TABLE Acronyms RENAME COLUMN Definition TO Meaning"); },
                  SQLITE_ERROR, store::Error::Kind::NoField}),
    testing_support::CaseName());

TEST(Dictionary, AddStoresTheKeyAndExactlyTheDefinitionWithActiveOne)
{
    TempDictionary dictionary;
    const QStringList definitions = {
        QStringLiteral("  blanks kept  "),
        QString::fromUtf16(u"caf\u00e9 \u6f22\u5b57 \U0001F600 \u05e9\u05dc\u05d5\u05dd e\u0301"),
        QStringLiteral("quote ' \" ; DROP TABLE Acronyms; --"),
        QStringLiteral("line one\r\nline two\ttab"),
        QString(QStringLiteral("nul") + QChar(0) + QStringLiteral("inside")),
        QString(1 << 20, QLatin1Char('m')),
    };
    int n = 0;
    for (const QString &definition : definitions)
        EXPECT_TRUE(store::Dictionary(at(dictionary.path())).add(QStringLiteral(" k%1").arg(n++), definition).added);
    const QList<Row> rows = dictionary.rows();
    ASSERT_EQ(rows.size(), definitions.size());
    for (int i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i], (Row{QStringLiteral(" K%1").arg(i), definitions[i], 1})) << "row " << i;
        EXPECT_EQ(lookUp(dictionary.path(), QStringLiteral("K%1").arg(i)), definitions[i]);
    }
}

TEST(Dictionary, ReplaceChangesOnlyTheFoundRecordsDefinition)
{
    TempDictionary dictionary{row(u"ABC", u"first"), row(u"ABC", u"second"), row(u"XYZ", u"other")};
    dictionary.exec(QStringLiteral("UPDATE Acronyms SET Active = 7 WHERE Definition = 'first'"));

    store::Dictionary opened(at(dictionary.path()));
    const std::optional<store::Entry> found = opened.find(QStringLiteral("abc"));
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, (store::Entry{1, QStringLiteral("ABC"), QStringLiteral("first")}));
    EXPECT_EQ(opened.replace(*found, QStringLiteral(" new ")).definition, QStringLiteral(" new "));
    opened.close();

    EXPECT_EQ(dictionary.rows(), (QList<Row>{Row{QStringLiteral("ABC"), QStringLiteral(" new "), 7},
                                             row(u"ABC", u"second"), row(u"XYZ", u"other")}));
}

TEST(Dictionary, ChangingARecordRemovedMeanwhileWritesNothingAndSaysSo)
{
    TempDictionary dictionary{row(u"ABC", u"alpha"), row(u"XYZ", u"other")};
    store::Dictionary opened(at(dictionary.path()));
    const std::optional<store::Entry> found = opened.find(QStringLiteral("ABC"));
    ASSERT_TRUE(found);
    dictionary.exec(QStringLiteral("DELETE FROM Acronyms WHERE Acronym = 'ABC'"));

    for (const auto &change : {&store::Dictionary::replace, &store::Dictionary::append}) {
        try {
            (opened.*change)(*found, QStringLiteral("lost?"));
            ADD_FAILURE() << "a change to a removed record was taken";
        } catch (const store::Error &error) {
            EXPECT_EQ(error.kind(), store::Error::Kind::RecordGone);
        }
    }
    opened.close();
    EXPECT_EQ(dictionary.rows(), (QList<Row>{row(u"XYZ", u"other")}));
}

TEST(Dictionary, NoReadLockIsHeldAfterALookup)
{
    // While the user answers an input box the dictionary stays open;
    // another copy of the program must still be able to write.
    TempDictionary dictionary{row(u"ABC", u"alpha"), row(u"DEF", u"delta")};
    store::Dictionary opened(at(dictionary.path()));
    const std::optional<store::Entry> found = opened.find(QStringLiteral("ABC"));
    ASSERT_TRUE(found);

    sqlite3 *other = nullptr;
    sqlite3_open(dictionary.path().toUtf8().constData(), &other);
    EXPECT_EQ(
        sqlite3_exec(other, "INSERT INTO Acronyms VALUES ('NEW', 'written meanwhile', 1)", nullptr, nullptr, nullptr),
        SQLITE_OK)
        << sqlite3_errmsg(other);
    sqlite3_close(other);

    opened.append(*found, QStringLiteral("beta"));
    opened.close();
    EXPECT_EQ(dictionary.rows().size(), 3);
    EXPECT_EQ(lookUp(dictionary.path(), QStringLiteral("ABC")), QStringLiteral("alpha - beta"));
}

// A closed dictionary's connection is used again by the next open of the
// same file, and only of the same file: one moved over it, or removed, is
// met as a fresh open meets it, also when it was moved there while the
// dictionary was open. Unused, it is closed within seconds.
TEST(Dictionary, AConnectionKeptAfterACloseServesOnlyTheSameFile)
{
    TempDictionary first{row(u"ABC", u"first")};
    TempDictionary second{row(u"ABC", u"second")};
    EXPECT_EQ(lookUp(first.path(), QStringLiteral("ABC")), QStringLiteral("first"));
    ASSERT_TRUE(QFile::remove(first.path()));
    ASSERT_TRUE(QFile::copy(second.path(), first.path()));
    EXPECT_EQ(lookUp(first.path(), QStringLiteral("ABC")), QStringLiteral("second"));

#ifndef Q_OS_WIN
    {
        TempDictionary third{row(u"ABC", u"third")};
        store::Dictionary open(at(first.path()));
        EXPECT_EQ(open.find(QStringLiteral("ABC"))->definition, QStringLiteral("second"));
        EXPECT_FALSE(open.isReplaced());
        ASSERT_EQ(std::rename(QFile::encodeName(third.path()).constData(), QFile::encodeName(first.path()).constData()),
                  0);
        EXPECT_TRUE(open.isReplaced());
    }
    EXPECT_EQ(lookUp(first.path(), QStringLiteral("ABC")), QStringLiteral("third"));
#endif

    ASSERT_TRUE(QFile::remove(first.path()));
    try {
        store::Dictionary(at(first.path())).find(QStringLiteral("ABC"));
        ADD_FAILURE() << "a removed dictionary answered";
    } catch (const store::Error &error) {
        EXPECT_EQ(error.kind(), store::Error::Kind::Missing);
    }

#ifdef Q_OS_LINUX
    const auto openFiles = [] {
        int count = 0;
        for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::Files | QDir::System))
            count += fd.symLinkTarget().endsWith(QLatin1String(".fdb")) ? 1 : 0;
        return count;
    };
    EXPECT_EQ(lookUp(second.path(), QStringLiteral("ABC")), QStringLiteral("second"));
    EXPECT_GE(openFiles(), 1);
    for (int i = 0; i < 100 && openFiles() > 0; ++i)
        QThread::msleep(50);
    EXPECT_EQ(openFiles(), 0);
#endif
}

TEST(Dictionary, ALockHeldByAnotherProgramIsReportedAsBusyAfterTheTimeout)
{
    TempDictionary dictionary{row(u"ABC", u"alpha")};
    {
        const testing_support::HeldLock lock(dictionary.path());
        const testing_support::ShortBusyTimeout wait;
        try {
            lookUp(dictionary.path(), QStringLiteral("ABC"));
            ADD_FAILURE() << "read through an exclusive lock";
        } catch (const store::Error &error) {
            EXPECT_EQ(error.code(), SQLITE_BUSY);
            EXPECT_EQ(error.kind(), store::Error::Kind::Busy);
        }
    }
    EXPECT_EQ(lookUp(dictionary.path(), QStringLiteral("ABC")), QStringLiteral("alpha"));
}

TEST(Dictionary, CreateRefusesAnExistingFileAndLeavesItAlone)
{
    TempDictionary dictionary{row(u"ABC", u"alpha")};
    try {
        store::createDictionary(dictionary.path());
        ADD_FAILURE() << "an existing file was taken";
    } catch (const store::Error &error) {
        EXPECT_EQ(error.kind(), store::Error::Kind::Exists);
    }
    EXPECT_EQ(dictionary.rows(), (QList<Row>{row(u"ABC", u"alpha")}));
}

TEST(Dictionary, ANewDictionaryHasAnEmptyAcronymsTable)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new.fdb"));
    store::createDictionary(path);
    EXPECT_EQ(lookUp(path, QStringLiteral("ABC")), std::nullopt);
    EXPECT_TRUE(store::Dictionary(at(path)).add(QStringLiteral("ABC"), QStringLiteral("alpha")).added);
    EXPECT_EQ(lookUp(path, QStringLiteral("ABC")), QStringLiteral("alpha"));
}

TEST(Dictionary, AddingAStoredAcronymGivesTheStoredEntryAndWritesNothing)
{
    TempDictionary dictionary{row(u"XYZ", u"other"), row(u" ABC ", u"alpha")};
    const store::Dictionary::Added added =
        store::Dictionary(at(dictionary.path())).add(QStringLiteral("abc"), QStringLiteral("beta"));
    EXPECT_FALSE(added.added);
    EXPECT_EQ(added.entry, (store::Entry{2, QStringLiteral(" ABC "), QStringLiteral("alpha")}));
    EXPECT_EQ(dictionary.rows(), (QList<Row>{row(u"XYZ", u"other"), row(u" ABC ", u"alpha")}));
}

// The lookup is chosen once when the dictionary opens; a Find then runs one
// statement it has prepared already.
TEST(Dictionary, AFindPreparesNoStatementAfterTheOpen)
{
    for (const bool byIndex : {true, false}) {
        const LookupMode mode(byIndex);
        TempDictionary dictionary{row(u"ABC", u"alpha")};
        store::Dictionary opened(at(dictionary.path()));
        const long before = store::preparedStatements();
        EXPECT_TRUE(opened.find(QStringLiteral("ABC")));
        EXPECT_FALSE(opened.find(QStringLiteral("XYZ")));
        EXPECT_EQ(store::preparedStatements() - before, 0) << (byIndex ? "index" : "scan");
    }
}

} // namespace

namespace {

// A table made by another tool may declare its fields as numbers. What is
// typed is stored as text, or refused with nothing written; Find then finds
// what Add stored.
TEST(Dictionary, TypedTextIsNeverTurnedIntoANumberByTheTable)
{
    const struct
    {
        const char *acronymType;
        const char *definitionType;
        const char16_t *typed;
        const char16_t *definition;
        bool stored;
    } cases[] = {
        {"INTEGER", "TEXT", u"0800", u"free phone", false},
        {"INTEGER", "TEXT", u" 12 ", u"twelve", false},
        {"REAL", "TEXT", u"1e3", u"thousand", false},
        {"NUMERIC", "TEXT", u"42", u"answer", false},
        {"INTEGER", "TEXT", u"ABC", u"letters stay text", true},
        {"TEXT", "INTEGER", u"ABC", u"123", false},
        {"TEXT", "INTEGER", u"ABC", u"words", true},
    };
    for (const auto &c : cases) {
        TempDictionary dictionary;
        dictionary.exec(QStringLiteral("DROP TABLE Acronyms"));
        dictionary.exec(QStringLiteral("CREATE TABLE Acronyms (Acronym %1, Definition %2, Active INTEGER)")
                            .arg(QLatin1String(c.acronymType), QLatin1String(c.definitionType)));
        const QString typed = QString::fromUtf16(c.typed);
        const QString definition = QString::fromUtf16(c.definition);
        const std::string what =
            typed.toStdString() + " as " + c.acronymType + ", " + definition.toStdString() + " as " + c.definitionType;
        try {
            store::Dictionary(at(dictionary.path())).add(typed, definition);
            EXPECT_TRUE(c.stored) << what << ": stored as something else";
            EXPECT_EQ(lookUp(dictionary.path(), typed), definition) << what;
        } catch (const store::Error &error) {
            EXPECT_FALSE(c.stored) << what << ": " << error.what();
            EXPECT_EQ(error.kind(), store::Error::Kind::TextChanged) << what;
            EXPECT_TRUE(dictionary.rows().isEmpty()) << what << ": a refused record was written";
        }

        // orvex-db's import leaves such a record out, and goes on.
        dictionary.exec(QStringLiteral("DELETE FROM Acronyms"));
        store::BulkImport import(store::Location::file(dictionary.path()));
        EXPECT_EQ(import.put(typed.toStdString(), definition.toStdString()),
                  c.stored ? store::BulkImport::Outcome::Added : store::BulkImport::Outcome::NotText)
            << what;
        EXPECT_EQ(import.put("NEXT", "words"), store::BulkImport::Outcome::Added) << what;
        import.commit();
        EXPECT_EQ(dictionary.rows().size(), c.stored ? 2 : 1) << what;
        EXPECT_EQ(lookUp(dictionary.path(), QStringLiteral("NEXT")), QStringLiteral("words")) << what;
    }
}

} // namespace
