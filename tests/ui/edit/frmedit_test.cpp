#include "ui/edit/frmedit.h"

#include "ui/definitionbox.h"
#include "ui/main/frmmain.h"
#include "support/fakeboxes.h"
#include "support/printers.h"
#include "support/tempdictionary.h"
#include "support/widgets.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>
#include <sqlite3.h>

using testing_support::control;
using testing_support::FakeBoxes;
using testing_support::Row;
using testing_support::stored;
using testing_support::TempDictionary;

namespace {

// The dialog as the main window opens it: Add pressed for a stored acronym.
class EditDialog : public ::testing::Test
{
protected:
    EditDialog()
        : dictionary{stored(QStringLiteral("XYZ"), QStringLiteral("other")),
                     stored(QStringLiteral("ABC"), QStringLiteral("alpha")),
                     stored(QStringLiteral("DEF"), QStringLiteral("delta"))}
        , window(ui::Services{boxes, store::Location::file(dictionary.path())})
    {
        window.show();
    }

    ~EditDialog() override { EXPECT_EQ(boxes.unansweredScript(), 0) << "an expected input box was not shown"; }

    QWidget *openFor(const QString &entry)
    {
        control<QLineEdit>(window, "txtAcronym")->setText(entry);
        control<QPushButton>(window, "cmdAdd")->click();
        QWidget *dialog = testing_support::openWindow("frmEdit");
        if (!dialog)
            ADD_FAILURE() << "no dialog for " << entry.toStdString();
        return dialog;
    }

    void press(QWidget *dialog, const char *button, const QString &answer)
    {
        boxes.answer(answer);
        control<QPushButton>(*dialog, button)->click();
    }

    static QString shown(QWidget *dialog) { return control<ui::DefinitionBox>(*dialog, "lblDef")->text(); }

    QString storedDefinitionOf(const QString &acronym) const
    {
        for (const Row &row : dictionary.rows()) {
            if (row.acronym == acronym)
                return row.definition.value_or(QString());
        }
        return QStringLiteral("<missing>");
    }

    TempDictionary dictionary;
    FakeBoxes boxes;
    ui::frmMain window;
};

TEST_F(EditDialog, RepeatedAddsBuildOnTheWorkingCopy)
{
    QWidget *dialog = openFor(QStringLiteral("abc"));
    ASSERT_NE(dialog, nullptr);
    press(dialog, "cmdAdd", QStringLiteral("beta"));
    EXPECT_EQ(shown(dialog), QStringLiteral("alpha - beta"));
    press(dialog, "cmdAdd", QStringLiteral("gamma"));
    EXPECT_EQ(shown(dialog), QStringLiteral("alpha - beta - gamma"));
    EXPECT_EQ(storedDefinitionOf(QStringLiteral("ABC")), QStringLiteral("alpha - beta - gamma"));

    ASSERT_EQ(boxes.inputs().size(), 2);
    EXPECT_EQ(boxes.inputs()[0].text, QStringLiteral("Add definition for 'ABC'"));
    EXPECT_EQ(boxes.inputs()[0].title, QStringLiteral("Add Acronym"));
}

TEST_F(EditDialog, ReplaceThenAddAndBlanksInTheAnswerKept)
{
    QWidget *dialog = openFor(QStringLiteral("abc"));
    ASSERT_NE(dialog, nullptr);
    press(dialog, "cmdReplace", QStringLiteral("delta"));
    EXPECT_EQ(shown(dialog), QStringLiteral("delta"));
    press(dialog, "cmdAdd", QStringLiteral("  epsilon "));
    EXPECT_EQ(shown(dialog), QStringLiteral("delta -   epsilon "));
    EXPECT_EQ(storedDefinitionOf(QStringLiteral("ABC")), QStringLiteral("delta -   epsilon "));
    EXPECT_EQ(boxes.inputs()[0].text, QStringLiteral("Enter new definition for 'ABC'"));
    EXPECT_EQ(boxes.inputs()[0].title, QStringLiteral("Add Acronym"));

    // Only the one record's definition changed.
    EXPECT_EQ(dictionary.rows(), (QList<Row>{stored(QStringLiteral("XYZ"), QStringLiteral("other")),
                                             stored(QStringLiteral("ABC"), QStringLiteral("delta -   epsilon ")),
                                             stored(QStringLiteral("DEF"), QStringLiteral("delta"))}));
}

TEST_F(EditDialog, BlankOrCancelledAnswersChangeNothing)
{
    QWidget *dialog = openFor(QStringLiteral("abc"));
    ASSERT_NE(dialog, nullptr);
    for (const char *button : {"cmdAdd", "cmdReplace"}) {
        for (const QString &answer : {QString(), QStringLiteral("   ")})
            press(dialog, button, answer);
    }
    EXPECT_EQ(boxes.inputs().size(), 4);
    EXPECT_EQ(shown(dialog), QStringLiteral("alpha"));
    EXPECT_EQ(storedDefinitionOf(QStringLiteral("ABC")), QStringLiteral("alpha"));
    EXPECT_TRUE(boxes.messages().isEmpty());
}

TEST_F(EditDialog, TheAcronymKeepsTheBlanksTypedAroundIt)
{
    QWidget *dialog = openFor(QStringLiteral(" abc "));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(control<QLabel>(*dialog, "lblNym")->text(), QStringLiteral(" ABC "));
    press(dialog, "cmdAdd", QStringLiteral("beta"));
    EXPECT_EQ(boxes.inputs()[0].text, QStringLiteral("Add definition for ' ABC '"));
    EXPECT_EQ(storedDefinitionOf(QStringLiteral("ABC")), QStringLiteral("alpha - beta"));
}

TEST_F(EditDialog, ASecondAddForAnotherAcronymLeavesTheOpenDialogAsItWas)
{
    QWidget *dialog = openFor(QStringLiteral("abc"));
    ASSERT_NE(dialog, nullptr);
    press(dialog, "cmdAdd", QStringLiteral("beta"));

    QWidget *again = openFor(QStringLiteral("def"));
    EXPECT_EQ(again, dialog);
    EXPECT_EQ(control<QLabel>(*dialog, "lblNym")->text(), QStringLiteral("ABC"));
    EXPECT_EQ(shown(dialog), QStringLiteral("alpha - beta"));
    EXPECT_EQ(control<ui::DefinitionBox>(window, "lblDef")->text(), QString());

    press(dialog, "cmdAdd", QStringLiteral("gamma"));
    EXPECT_EQ(storedDefinitionOf(QStringLiteral("ABC")), QStringLiteral("alpha - beta - gamma"));
    EXPECT_EQ(storedDefinitionOf(QStringLiteral("DEF")), QStringLiteral("delta"));
}

// Another program deleted the acronym while the dialog was open: each
// button says so at once, asks nothing and writes nothing.
TEST_F(EditDialog, WhenTheAcronymIsGoneItIsSaidAndNothingIsAskedOrWritten)
{
    QWidget *dialog = openFor(QStringLiteral("abc"));
    ASSERT_NE(dialog, nullptr);
    dictionary.exec(QStringLiteral("DELETE FROM Acronyms WHERE Acronym = 'ABC'"));
    control<QPushButton>(*dialog, "cmdAdd")->click();
    control<QPushButton>(*dialog, "cmdReplace")->click();
    EXPECT_TRUE(boxes.inputs().isEmpty());
    ASSERT_EQ(boxes.messages().size(), 2);
    for (const auto &message : boxes.messages())
        EXPECT_TRUE(message.text.contains(QLatin1String("removed by another program meanwhile")))
            << message.text.toStdString();
    EXPECT_EQ(dictionary.rows().size(), 2);
}

// Another program (a second copy, or orvex-db) appends while the dialog is
// open: the dialog's Add keeps its words, and the working copy shows them.
TEST_F(EditDialog, WordsAnotherProgramAddedMeanwhileAreKept)
{
    QWidget *dialog = openFor(QStringLiteral("abc"));
    ASSERT_NE(dialog, nullptr);
    QProcess other;
    other.start(QStringLiteral(STOREWRITER_PATH), {QStringLiteral("append"), dictionary.path(), QStringLiteral("ABC"),
                                                   QStringLiteral("added by the other program")});
    ASSERT_TRUE(other.waitForFinished(10000));
    ASSERT_EQ(other.exitCode(), 0) << other.readAllStandardError().toStdString();

    press(dialog, "cmdAdd", QStringLiteral("added in the dialog"));
    const QString expected = QStringLiteral("alpha - added by the other program - added in the dialog");
    EXPECT_EQ(storedDefinitionOf(QStringLiteral("ABC")), expected);
    EXPECT_EQ(control<ui::DefinitionBox>(*dialog, "lblDef")->text(), expected);
}

// A definition another tool stored in an 8-bit encoding keeps its bytes when
// the dialog appends to it.
TEST_F(EditDialog, StoredBytesThatAreNoUtf8SurviveAnAdd)
{
    dictionary.exec(
        QStringLiteral("UPDATE Acronyms SET Definition = CAST(X'636166E920EF' AS TEXT) WHERE Acronym = 'ABC'"));
    QWidget *dialog = openFor(QStringLiteral("abc"));
    ASSERT_NE(dialog, nullptr);
    press(dialog, "cmdAdd", QStringLiteral("more"));

    sqlite3 *db = nullptr;
    sqlite3_open(dictionary.path().toUtf8().constData(), &db);
    sqlite3_stmt *read = nullptr;
    sqlite3_prepare_v2(db, "SELECT hex(Definition) FROM Acronyms WHERE Acronym = 'ABC'", -1, &read, nullptr);
    ASSERT_EQ(sqlite3_step(read), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char *>(sqlite3_column_text(read, 0)),
                 QByteArray("caf\xe9 \xef - more").toHex().toUpper().constData());
    sqlite3_finalize(read);
    sqlite3_close(db);
}

TEST_F(EditDialog, DatabaseErrorsAreReportedAndTheDialogStaysUsable)
{
    QWidget *dialog = openFor(QStringLiteral("abc"));
    ASSERT_NE(dialog, nullptr);
    dictionary.exec(QStringLiteral("ALTER TABLE Acronyms RENAME TO Gone"));
    control<QPushButton>(*dialog, "cmdAdd")->click();
    ASSERT_EQ(boxes.messages().size(), 1);
    EXPECT_EQ(boxes.messages()[0].title, QStringLiteral("orvex"));
    EXPECT_TRUE(boxes.messages()[0].text.contains(QDir::toNativeSeparators(dictionary.path())));
    EXPECT_TRUE(dialog->isVisible());

    dictionary.exec(QStringLiteral("ALTER TABLE Gone RENAME TO Acronyms"));
    press(dialog, "cmdReplace", QStringLiteral("mended"));
    EXPECT_EQ(storedDefinitionOf(QStringLiteral("ABC")), QStringLiteral("mended"));
}

TEST_F(EditDialog, DoneAndTheCloseBoxUnloadItWithoutWriting)
{
    for (const bool viaDone : {true, false}) {
        QPointer<QWidget> dialog = openFor(QStringLiteral("abc"));
        ASSERT_FALSE(dialog.isNull());
        if (viaDone)
            control<QPushButton>(*dialog, "cmdCancel")->click();
        else
            dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(dialog.isNull()) << "the dialog was hidden, not unloaded";
    }
    EXPECT_EQ(storedDefinitionOf(QStringLiteral("ABC")), QStringLiteral("alpha"));
    EXPECT_TRUE(boxes.shown().isEmpty());
}

TEST_F(EditDialog, ExitInTheMainWindowClosesTheDialogToo)
{
    QPointer<QWidget> dialog = openFor(QStringLiteral("abc"));
    ASSERT_FALSE(dialog.isNull());
    press(dialog, "cmdAdd", QStringLiteral("kept"));
    control<QPushButton>(window, "cmdExit")->click();
    EXPECT_TRUE(dialog.isNull() || !dialog->isVisible());
    EXPECT_EQ(storedDefinitionOf(QStringLiteral("ABC")), QStringLiteral("alpha - kept"));
}

TEST_F(EditDialog, EnterPressesTheFocusedButtonAndEscapeDoesNothing)
{
    QWidget *dialog = openFor(QStringLiteral("abc"));
    ASSERT_NE(dialog, nullptr);
    auto *replace = control<QPushButton>(*dialog, "cmdReplace");
    replace->setFocus();
    boxes.answer(QStringLiteral("by keyboard"));
    QTest::keyClick(replace, Qt::Key_Return);
    EXPECT_EQ(shown(dialog), QStringLiteral("by keyboard"));
    QTest::keyClick(replace, Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(EditDialog, ControlsCarryTheirNamesTextsTooltipsAndPlaces)
{
    QWidget *dialog = openFor(QStringLiteral("abc"));
    ASSERT_NE(dialog, nullptr);
    const struct
    {
        const char *name;
        const char *text;
        const char *tooltip;
        QRect geometry;
    } expected[] = {
        {"lblHead", "Definition Already exists as follows:", "", {8, 8, 257, 25}},
        {"lblNym", "ABC", "", {88, 40, 81, 17}},
        {"lblTail", "What Would you Like to do?", "", {16, 104, 225, 25}},
        {"cmdAdd", "&Add", "Add to the existing definition", {8, 144, 81, 33}},
        {"cmdReplace", "&Replace", "Replace the existing definition", {96, 144, 81, 33}},
        {"cmdCancel", "&Done", "Cancel all operations on this Acronym", {184, 144, 81, 33}},
        {"lblDef", "", "", {0, 64, 265, 33}},
    };
    for (const auto &e : expected) {
        QWidget *widget = control<QWidget>(*dialog, e.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), e.geometry) << e.name;
        EXPECT_EQ(widget->toolTip(), QLatin1String(e.tooltip)) << e.name;
        if (auto *button = qobject_cast<QPushButton *>(widget)) {
            EXPECT_EQ(button->text(), QLatin1String(e.text));
            EXPECT_FALSE(button->isDefault()) << e.name;
        } else if (auto *label = qobject_cast<QLabel *>(widget)) {
            EXPECT_EQ(label->text(), QLatin1String(e.text));
        }
    }
    for (const char *bold : {"lblHead", "lblTail"}) {
        const QFont font = control<QLabel>(*dialog, bold)->font();
        EXPECT_TRUE(font.bold()) << bold;
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 9.75) << bold;
    }
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Definition Exists"));
    EXPECT_EQ(dialog->size(), QSize(271, 190));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(dialog->parentWidget(), nullptr);
    EXPECT_EQ(dialog->focusWidget(), control<QPushButton>(*dialog, "cmdAdd"));
}

TEST_F(EditDialog, MarkupInAnAcronymIsShownAsTyped)
{
    dictionary.insert(stored(QStringLiteral("<B>X</B>"), QStringLiteral("tagged")));
    QWidget *dialog = openFor(QStringLiteral("<b>x</b>"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(control<QLabel>(*dialog, "lblNym")->textFormat(), Qt::PlainText);
    EXPECT_EQ(control<QLabel>(*dialog, "lblNym")->text(), QStringLiteral("<B>X</B>"));
}

} // namespace
