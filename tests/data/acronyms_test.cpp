#include "tools/importer.h"

#include "store/text.h"
#include "support/printers.h"
#include "support/tempdictionary.h"

#include <QFile>
#include <QSet>

#include <gtest/gtest.h>

using testing_support::TempDictionary;

namespace {

// The starter dictionary is hand-written: it must load without a single bad
// line, hold one line per acronym, and be stored exactly as it is written.
TEST(StarterDictionary, LoadsWholeWithOneRecordPerAcronym)
{
    TempDictionary dictionary;
    tools::ImportOptions strict;
    strict.strict = true;
    QFile starter(QStringLiteral(ORVEX_STARTER_DICTIONARY));
    ASSERT_TRUE(starter.open(QIODevice::ReadOnly));
    const tools::ImportReport report =
        tools::importRecords(store::Location::file(dictionary.path()), starter, starter.fileName(), strict);
    EXPECT_GE(report.added, 1000);
    EXPECT_EQ(report.appended + report.alreadyThere, 0) << "an acronym has more than one line";

    QSet<QString> keys;
    for (const auto &row : dictionary.rows()) {
        const QString acronym = row.acronym.value_or(QString());
        EXPECT_EQ(acronym, store::trimSpaces(acronym)) << "spaces around " << acronym.toStdString();
        EXPECT_EQ(row.definition, store::trimSpaces(row.definition.value_or(QString())))
            << "spaces around the definition of " << acronym.toStdString();
        EXPECT_FALSE(row.definition->contains(QLatin1Char('\t'))) << acronym.toStdString();
        keys.insert(acronym);
    }
    EXPECT_EQ(keys.size(), report.added);
}

} // namespace
