// A definition of hundreds of megabytes, as another tool may store one,
// met by the main window. Alone in its test program: it times how long the
// window cannot answer, which other tests running beside it would stretch.

#include "ui/definitionbox.h"
#include "ui/main/frmmain.h"
#include "support/fakeboxes.h"
#include "support/figures.h"
#include "support/tempdictionary.h"
#include "support/widgets.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <sqlite3.h>

using testing_support::control;
using testing_support::FakeBoxes;
using testing_support::TempDictionary;

namespace {

// Another tool may store a definition of hundreds of megabytes. Find shows
// its beginning with a note of its stored size, without crashing or holding
// the window up for more than a second, and changes nothing stored.
TEST(HugeDefinition, IsShownWithoutFreezingTheWindow)
{
    constexpr qsizetype kLength = 200'000'000;
    TempDictionary dictionary;
    FakeBoxes boxes;
    ui::frmMain window(ui::Services{boxes, store::Location::file(dictionary.path())});
    const auto shown = [&] { return control<ui::DefinitionBox>(window, "lblDef")->text(); };
    dictionary.exec(QStringLiteral("INSERT INTO Acronyms VALUES ('BIG', replace(hex(zeroblob(%1)), '00', 'ab'), 1)")
                        .arg(kLength / 2));
    window.show();
    control<QLineEdit>(window, "txtAcronym")->setText(QStringLiteral("big"));

    // The longest wait between two ticks of a timer is the longest time the
    // window could not answer.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    ticks.start(10);
    clock.start();
    QTimer::singleShot(50, control<QPushButton>(window, "cmdFind"), &QPushButton::click);
    QTRY_VERIFY_WITH_TIMEOUT(shown().startsWith(QStringLiteral("abab")), 30000);
    QTest::qWait(100);
    EXPECT_LE(longest, 1000) << "the window was held up for " << longest << " ms";
    testing_support::recordFigures(QStringLiteral("hugedefinition"),
                                   QStringLiteral("window held up %1 ms by a 200 MB definition").arg(longest));
    EXPECT_TRUE(shown().endsWith(QStringLiteral("the definition holds 200,000,000 bytes.]")))
        << shown().right(80).toStdString();

    sqlite3 *db = nullptr;
    sqlite3_open(dictionary.path().toUtf8().constData(), &db);
    sqlite3_stmt *size = nullptr;
    sqlite3_prepare_v2(db, "SELECT length(Definition) FROM Acronyms WHERE Acronym = 'BIG'", -1, &size, nullptr);
    ASSERT_EQ(sqlite3_step(size), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int64(size, 0), kLength);
    sqlite3_finalize(size);
    sqlite3_close(db);
}

} // namespace
