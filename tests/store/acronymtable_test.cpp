#include "store/acronymtable.h"

#include "store/engine.h"
#include "store/schema.h"
#include "support/casename.h"
#include "support/printers.h"
#include "support/storehelpers.h"
#include "support/tempdictionary.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>

using testing_support::Row;
using testing_support::lookUp;
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


struct ScanCase
{
    const char *name;
    std::vector<Row> rows;
    const char16_t *key;
    const char16_t *expected; // the definition of the record found, or nullptr
};

class RecordScan : public ::testing::TestWithParam<ScanCase>
{
};

TEST_P(RecordScan, FindsTheFirstRecordWhoseTrimmedAcronymEqualsTheTrimmedKey)
{
    TempDictionary dictionary;
    for (const Row &r : GetParam().rows)
        dictionary.insert(r);
    EXPECT_EQ(lookUp(dictionary.path(), QString::fromUtf16(GetParam().key)), text(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RecordScan,
    ::testing::Values(
        ScanCase{"EmptyTable", {}, u"ABC", nullptr},
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
                 u"ABC", u"first"},
        ScanCase{"NullAcronymBeforeMatchIsPassed",
                 {Row{std::nullopt, text(u"orphan"), 1}, row(u"ABC", u"found")}, u"ABC", u"found"},
        ScanCase{"NullAcronymAfterMatch",
                 {row(u"ABC", u"found"), Row{std::nullopt, text(u"orphan"), 1}}, u"ABC", u"found"},
        ScanCase{"NullDefinitionReadsEmpty", {Row{text(u"ABC"), std::nullopt, 1}}, u"ABC", u""},
        ScanCase{"NonAsciiExact", {row(u"\u00c9T\u00c9", u"summer")}, u"\u00c9T\u00c9", u"summer"},
        ScanCase{"DecomposedIsNotComposed", {row(u"E\u0301", u"decomposed")}, u"\u00c9", nullptr},
        ScanCase{"AstralCharacters", {row(u"\U0001F600", u"smile")}, u" \U0001F600 ", u"smile"},
        ScanCase{"SpacesOnlyStoredMatchesNothingReal", {row(u"   ", u"blank")}, u"ABC", nullptr}),
    testing_support::CaseName());

TEST(AcronymTable, AMissingFileIsAnErrorAndStaysMissing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nym2.fdb"));
    try {
        store::OpenAcronymTable(path);
        FAIL() << "a missing dictionary opened";
    } catch (const store::Error &error) {
        EXPECT_EQ(error.code(), SQLITE_CANTOPEN);
        EXPECT_EQ(error.path(), path);
    }
    EXPECT_FALSE(QFileInfo::exists(path));
}

struct FaultCase
{
    const char *name;
    std::function<void(const QString &path)> damage;
    int expectedCode;
    const char *reasonMentions;
};

class OpenFault : public ::testing::TestWithParam<FaultCase>
{
};

TEST_P(OpenFault, IsReportedWithACodeAndPlainWords)
{
    TempDictionary dictionary{row(u"ABC", u"alpha")};
    GetParam().damage(dictionary.path());
    try {
        lookUp(dictionary.path(), QStringLiteral("ABC"));
        FAIL() << "the fault went unnoticed";
    } catch (const store::Error &error) {
        EXPECT_EQ(error.code(), GetParam().expectedCode) << error.what();
        EXPECT_TRUE(error.reason().contains(QLatin1String(GetParam().reasonMentions)))
            << error.reason().toStdString();
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
        FaultCase{"NotADatabase",
                  [](const QString &p) { overwrite(p, QByteArray(4096, 'x')); }, SQLITE_NOTADB,
                  "not an acronym database"},
        FaultCase{"EmptyFile", [](const QString &p) { overwrite(p, {}); }, SQLITE_ERROR,
                  "no table Acronyms"},
        FaultCase{"TableMissing",
                  [](const QString &p) { rawExec(p, "ALTER TABLE Acronyms RENAME TO Other"); },
                  SQLITE_ERROR, "no table Acronyms"},
        FaultCase{"FieldMissing",
                  [](const QString &p) {
                      rawExec(p, "ALTER TABLE Acronyms RENAME COLUMN Definition TO Meaning");
                  },
                  SQLITE_ERROR, "lacks a field"}),
    testing_support::CaseName());

TEST(AcronymTable, AddStoresExactlyWhatItIsGivenWithActiveOne)
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
    for (const QString &definition : definitions) {
        store::AcronymTable table = store::OpenAcronymTable(dictionary.path());
        store::AddAcronym(table, QStringLiteral(" K%1").arg(n++), definition);
        store::CloseAcronymTable(table);
    }
    const QList<Row> rows = dictionary.rows();
    ASSERT_EQ(rows.size(), definitions.size());
    for (int i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i], (Row{QStringLiteral(" K%1").arg(i), definitions[i], 1})) << "row " << i;
        EXPECT_EQ(lookUp(dictionary.path(), QStringLiteral("K%1").arg(i)), definitions[i]);
    }
}

TEST(AcronymTable, ReplaceChangesOnlyTheFoundRecordsDefinition)
{
    TempDictionary dictionary{row(u"ABC", u"first"), row(u"ABC", u"second"), row(u"XYZ", u"other")};
    dictionary.exec(QStringLiteral("UPDATE Acronyms SET Active = 7 WHERE Definition = 'first'"));

    store::AcronymTable table = store::OpenAcronymTable(dictionary.path());
    ASSERT_TRUE(store::FindAcronym(table, QStringLiteral("ABC")));
    store::ReplaceDefinition(table, QStringLiteral(" new "));
    store::CloseAcronymTable(table);

    EXPECT_EQ(dictionary.rows(), (QList<Row>{Row{QStringLiteral("ABC"), QStringLiteral(" new "), 7},
                                             row(u"ABC", u"second"), row(u"XYZ", u"other")}));
}

TEST(AcronymTable, ReplaceOfARecordRemovedMeanwhileWritesNothingAndSaysSo)
{
    TempDictionary dictionary{row(u"ABC", u"alpha"), row(u"XYZ", u"other")};
    store::AcronymTable table = store::OpenAcronymTable(dictionary.path());
    ASSERT_TRUE(store::FindAcronym(table, QStringLiteral("ABC")));
    dictionary.exec(QStringLiteral("DELETE FROM Acronyms WHERE Acronym = 'ABC'"));

    EXPECT_THROW(store::ReplaceDefinition(table, QStringLiteral("lost?")), store::Error);
    store::CloseAcronymTable(table);
    EXPECT_EQ(dictionary.rows(), (QList<Row>{row(u"XYZ", u"other")}));
}

TEST(AcronymTable, NoReadLockIsHeldAfterTheScan)
{
    // While the user answers an input box the table stays open; another
    // copy of the program must still be able to write.
    TempDictionary dictionary{row(u"ABC", u"alpha"), row(u"DEF", u"delta")};
    store::AcronymTable table = store::OpenAcronymTable(dictionary.path());
    ASSERT_TRUE(store::FindAcronym(table, QStringLiteral("ABC")));

    sqlite3 *other = nullptr;
    sqlite3_open(dictionary.path().toUtf8().constData(), &other);
    EXPECT_EQ(sqlite3_exec(other, "INSERT INTO Acronyms VALUES ('NEW', 'written meanwhile', 1)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(other);
    sqlite3_close(other);

    store::ReplaceDefinition(table, QStringLiteral("alpha - beta"));
    store::CloseAcronymTable(table);
    EXPECT_EQ(dictionary.rows().size(), 3);
    EXPECT_EQ(lookUp(dictionary.path(), QStringLiteral("ABC")), QStringLiteral("alpha - beta"));
}

TEST(AcronymTable, ALockHeldByAnotherProgramIsReportedAsBusyAfterTheTimeout)
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
            EXPECT_TRUE(error.reason().contains(QLatin1String("in use by another program")));
        }
    }
    EXPECT_EQ(lookUp(dictionary.path(), QStringLiteral("ABC")), QStringLiteral("alpha"));
}

TEST(Dictionary, CreateRefusesAnExistingFileAndLeavesItAlone)
{
    TempDictionary dictionary{row(u"ABC", u"alpha")};
    EXPECT_THROW(store::createDictionary(dictionary.path()), store::Error);
    EXPECT_EQ(dictionary.rows(), (QList<Row>{row(u"ABC", u"alpha")}));
}

TEST(Dictionary, ANewDictionaryHasAnEmptyAcronymsTable)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new.fdb"));
    store::createDictionary(path);
    EXPECT_EQ(lookUp(path, QStringLiteral("ABC")), std::nullopt);
    store::AcronymTable table = store::OpenAcronymTable(path);
    store::AddAcronym(table, QStringLiteral("ABC"), QStringLiteral("alpha"));
    store::CloseAcronymTable(table);
    EXPECT_EQ(lookUp(path, QStringLiteral("ABC")), QStringLiteral("alpha"));
}

} // namespace
