#include "store/bulkimport.h"

#include "store/file/acronymindex.h"
#include "store/dictionary.h"
#include "store/file/files.h"
#include "store/file/schema.h"
#include "store/text.h"
#include "support/printers.h"
#include "support/storehelpers.h"
#include "support/tempdictionary.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using testing_support::Row;
using testing_support::TempDictionary;

namespace {

TEST(BulkImportKey, IsTheWindowsUpperCasingByteForByte)
{
    for (const char *typed :
         {"cpu", "Tcp/Ip 2", "  spaced  ", "a\tb", "café", "straße", "ﬁle", "ǆ", "ωmega", "𐐨x", "İi",
          "\xEF\xBB\xBF"
          "bom",
          "ÿ", "µ"}) {
        const QString text = store::fromStoredUtf8(typed);
        EXPECT_EQ(store::keyOfUtf8(typed), store::keyOf(text).toStdString()) << typed;
    }
}

using Outcome = store::BulkImport::Outcome;

TEST(BulkImport, AddsAppendsAndKnowsWhatIsThere)
{
    TempDictionary dictionary{Row{QStringLiteral(" CPU "), QStringLiteral("Central Processing Unit - processor"), 1},
                              Row{QStringLiteral("cpu"), QStringLiteral("lower case, never found"), 1},
                              Row{QStringLiteral("CPU"), QStringLiteral("behind the first"), 1},
                              Row{QStringLiteral("ROM"), std::nullopt, 1}};
    store::BulkImport import(store::Location::file(dictionary.path()));
    struct Step
    {
        const char *acronym;
        const char *definition;
        Outcome outcome;
    };
    for (const Step &step :
         {Step{"cpu", "processor", Outcome::AlreadyThere},
          Step{"CPU", "  Central Processing Unit ", Outcome::AlreadyThere}, Step{"Cpu", "chip", Outcome::Appended},
          Step{"CPU", "chip", Outcome::AlreadyThere}, Step{"CPU", "chip - processor", Outcome::AlreadyThere},
          Step{"ram", "memory", Outcome::Added}, Step{" RAM", "memory", Outcome::AlreadyThere},
          Step{"RAM", "store - memory", Outcome::Appended}, Step{"ROM", "read-only", Outcome::Appended}})
        EXPECT_EQ(import.put(step.acronym, step.definition), step.outcome) << step.acronym << ": " << step.definition;
    import.commit();
    EXPECT_EQ(dictionary.rows(),
              (QList<Row>{Row{QStringLiteral(" CPU "), QStringLiteral("Central Processing Unit - processor - chip"), 1},
                          Row{QStringLiteral("cpu"), QStringLiteral("lower case, never found"), 1},
                          Row{QStringLiteral("CPU"), QStringLiteral("behind the first"), 1},
                          Row{QStringLiteral("ROM"), QStringLiteral(" - read-only"), 1},
                          Row{QStringLiteral("RAM"),
                              store::joined(QStringLiteral("memory"), QStringLiteral("store - memory")), 1}}));
}

// Many meanings of one acronym are looked up in a set, which each meaning
// the import appends joins.
TEST(BulkImport, KnowsWhatIsThereAmongManyMeanings)
{
    QStringList many;
    for (int i = 0; i < 20; ++i)
        many << QStringLiteral("meaning %1").arg(i);
    TempDictionary dictionary{Row{QStringLiteral("NASA"), many.join(QStringLiteral(" - ")), 1}};
    store::BulkImport import(store::Location::file(dictionary.path()));
    for (const auto &[definition, outcome] :
         {std::pair{"meaning 19", Outcome::AlreadyThere}, std::pair{"new", Outcome::Appended},
          std::pair{"new", Outcome::AlreadyThere}, std::pair{"meaning 3 - new", Outcome::AlreadyThere},
          std::pair{"meaning 20", Outcome::Appended}})
        EXPECT_EQ(import.put("nasa", definition), outcome) << definition;
    import.commit();
    EXPECT_EQ(dictionary.rows(),
              (QList<Row>{Row{QStringLiteral("NASA"),
                              many.join(QStringLiteral(" - ")) + QStringLiteral(" - new - meaning 20"), 1}}));
}

TEST(BulkImport, WritesNothingUnlessCommitted)
{
    TempDictionary dictionary{Row{QStringLiteral("CPU"), QStringLiteral("one"), 1}};
    {
        store::BulkImport import(store::Location::file(dictionary.path()));
        import.put("CPU", "two");
        import.put("RAM", "memory");
    }
    EXPECT_EQ(dictionary.rows(), (QList<Row>{Row{QStringLiteral("CPU"), QStringLiteral("one"), 1}}));
}

TEST(BulkImport, ABigImportLeavesTheLookupIndexInPlace)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.fdb"));
    store::createDictionary(path);
    store::BulkImport import(store::Location::file(path));
    for (int i = 0; i < 5000; ++i)
        import.put(QByteArray::number(i).toStdString(), "n");
    import.commit();
    store::Database db = store::Files::instance().open(path);
    EXPECT_EQ(store::acronymIndexState(db), store::AcronymIndex::Usable);
    EXPECT_EQ(store::seekAcronym(db, QStringLiteral("4999")), std::optional<qint64>(5000));
}

} // namespace
