#include "ui/main/frmmain.h"

#include "ui/definitionbox.h"
#include "support/fakeboxes.h"
#include "support/printers.h"
#include "support/tempdictionary.h"
#include "support/widgets.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>
#include <sqlite3.h>

using testing_support::control;
using testing_support::FakeBoxes;
using testing_support::Row;
using testing_support::stored;
using testing_support::TempDictionary;

namespace {

class AddInMainWindow : public ::testing::Test
{
protected:
    AddInMainWindow()
        : window(ui::Services{boxes, store::Location::file(dictionary.path())})
    {
        window.show();
    }

    ~AddInMainWindow() override { EXPECT_EQ(boxes.unansweredScript(), 0) << "an expected input box was not shown"; }

    void add(const QString &entry)
    {
        control<QLineEdit>(window, "txtAcronym")->setText(entry);
        control<QPushButton>(window, "cmdAdd")->click();
    }

    QString mainDefinition() { return control<ui::DefinitionBox>(window, "lblDef")->text(); }

    static QWidget *editDialog() { return testing_support::openWindow("frmEdit"); }

    TempDictionary dictionary;
    FakeBoxes boxes;
    ui::frmMain window;
};

TEST_F(AddInMainWindow, ANewAcronymIsStoredUpperCasedUntrimmedWithTheAnswerAsTyped)
{
    const struct
    {
        QString entry;
        QString answer;
        QString prompt;
        QString acronym;
    } cases[] = {
        {QStringLiteral("abc"), QStringLiteral("alpha"), QStringLiteral("Enter definition for 'ABC'"),
         QStringLiteral("ABC")},
        {QStringLiteral(" xyz"), QStringLiteral("  spaced answer "), QStringLiteral("Enter definition for ' XYZ'"),
         QStringLiteral(" XYZ")},
        {QString::fromUtf16(u"\u00e9t\u00e9"), QString::fromUtf16(u"\u6f22\u5b57 \U0001F600"),
         QString::fromUtf16(u"Enter definition for '\u00c9T\u00c9'"), QString::fromUtf16(u"\u00c9T\u00c9")},
    };
    QList<Row> expected;
    for (const auto &c : cases) {
        boxes.answer(c.answer);
        add(c.entry);
        ASSERT_FALSE(boxes.inputs().isEmpty());
        EXPECT_EQ(boxes.inputs().last().text, c.prompt);
        EXPECT_EQ(boxes.inputs().last().title, QStringLiteral("Add Acronym"));
        expected.append(stored(c.acronym, c.answer));
        // The entry stays as typed.
        EXPECT_EQ(control<QLineEdit>(window, "txtAcronym")->text(), c.entry);
    }
    EXPECT_EQ(dictionary.rows(), expected);
    EXPECT_TRUE(boxes.messages().isEmpty());

    // A leading blank does not hide the acronym from later lookups.
    control<QLineEdit>(window, "txtAcronym")->setText(QStringLiteral("xyz"));
    control<QPushButton>(window, "cmdFind")->click();
    EXPECT_EQ(mainDefinition(), QStringLiteral("  spaced answer "));
}

TEST_F(AddInMainWindow, ABlankOrCancelledAnswerStoresNothingSaysNothingAndClosesTheDictionary)
{
    control<QPushButton>(window, "cmdFind")->click(); // blank entry: one box, below
    boxes = FakeBoxes();
    control<QLineEdit>(window, "txtAcronym")->setText(QStringLiteral("NEW"));
    control<QPushButton>(window, "cmdFind")->click();
    const QString before = mainDefinition();

    for (const QString &answer : {QString(), QStringLiteral("   ")}) {
        boxes.answer(answer);
        add(QStringLiteral("new"));
    }
    EXPECT_TRUE(dictionary.rows().isEmpty());
    EXPECT_TRUE(boxes.messages().isEmpty());
    EXPECT_EQ(mainDefinition(), before);

    // Closed: nothing keeps the file from being written exclusively.
    sqlite3 *other = nullptr;
    sqlite3_open(dictionary.path().toUtf8().constData(), &other);
    EXPECT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE; COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(other);
}

TEST_F(AddInMainWindow, ABlankEntryIsRefusedWithoutAskingForADefinition)
{
    add(QStringLiteral("  "));
    ASSERT_EQ(boxes.shown().size(), 1);
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("You must enter an Acronym"));
    EXPECT_EQ(boxes.shown()[0].title, QStringLiteral("Data Required"));
    EXPECT_TRUE(dictionary.rows().isEmpty());
}

TEST_F(AddInMainWindow, AStoredAcronymOpensTheDialogAndClearsTheDefinitionBox)
{
    dictionary.insert(stored(QStringLiteral("ABC"), QStringLiteral("alpha")));
    add(QStringLiteral("abc"));

    QWidget *dialog = editDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(control<QLabel>(*dialog, "lblNym")->text(), QStringLiteral("ABC"));
    EXPECT_EQ(control<ui::DefinitionBox>(*dialog, "lblDef")->text(), QStringLiteral("alpha"));
    EXPECT_EQ(mainDefinition(), QString());
    EXPECT_EQ(control<QLineEdit>(window, "txtAcronym")->text(), QStringLiteral("abc"));
    EXPECT_TRUE(boxes.shown().isEmpty());
    EXPECT_EQ(dictionary.rows().size(), 1);
}

TEST_F(AddInMainWindow, ALowerCaseRecordFromAnotherToolIsNotFoundSoAnUpperCaseOneIsAdded)
{
    dictionary.insert(stored(QStringLiteral("abc"), QStringLiteral("lower")));
    boxes.answer(QStringLiteral("upper"));
    add(QStringLiteral("abc"));
    EXPECT_EQ(dictionary.rows(), (QList<Row>{stored(QStringLiteral("abc"), QStringLiteral("lower")),
                                             stored(QStringLiteral("ABC"), QStringLiteral("upper"))}));
    EXPECT_EQ(editDialog(), nullptr);
}

TEST_F(AddInMainWindow, TheFirstRecordIsAddedToAnEmptyTable)
{
    boxes.answer(QStringLiteral("first"));
    add(QStringLiteral("one"));
    EXPECT_EQ(dictionary.rows(), (QList<Row>{stored(QStringLiteral("ONE"), QStringLiteral("first"))}));
}

TEST_F(AddInMainWindow, AnotherCopyMayWriteWhileTheInputBoxWaits)
{
    boxes.whileAsking([this] {
        sqlite3 *other = nullptr;
        sqlite3_open(dictionary.path().toUtf8().constData(), &other);
        EXPECT_EQ(
            sqlite3_exec(other, "INSERT INTO Acronyms VALUES ('OTHER', 'meanwhile', 1)", nullptr, nullptr, nullptr),
            SQLITE_OK)
            << sqlite3_errmsg(other);
        sqlite3_close(other);
    });
    boxes.answer(QStringLiteral("mine"));
    add(QStringLiteral("mine"));
    EXPECT_EQ(dictionary.rows(), (QList<Row>{stored(QStringLiteral("OTHER"), QStringLiteral("meanwhile")),
                                             stored(QStringLiteral("MINE"), QStringLiteral("mine"))}));
}

} // namespace

namespace {

TEST_F(AddInMainWindow, AnAcronymStoredByAnotherCopyWhileTheUserTypedIsHandedOverNotAddedTwice)
{
    boxes.whileAsking([this] {
        dictionary.insert(Row{QStringLiteral(" RACE"), QStringLiteral("stored by the other copy"), 1});
    });
    boxes.answer(QStringLiteral("mine"));
    add(QStringLiteral("race"));

    EXPECT_EQ(dictionary.rows(),
              (QList<Row>{stored(QStringLiteral(" RACE"), QStringLiteral("stored by the other copy"))}));
    QWidget *dialog = editDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(control<ui::DefinitionBox>(*dialog, "lblDef")->text(), QStringLiteral("stored by the other copy"));
    EXPECT_EQ(mainDefinition(), QString());
}

} // namespace
