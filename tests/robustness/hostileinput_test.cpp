// Whatever a user can type reaches the dictionary as data and comes back
// unchanged: SQL text, quotes, control and NUL characters, right-to-left and
// combining marks, characters beyond the basic plane, and very long texts.

#include "ui/definitionbox.h"
#include "ui/main/frmmain.h"
#include "support/fakeboxes.h"
#include "support/printers.h"
#include "support/tempdictionary.h"
#include "support/widgets.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using testing_support::control;
using testing_support::FakeBoxes;
using testing_support::Row;
using testing_support::TempDictionary;

namespace {

QList<QString> hostileTexts()
{
    return {
        QStringLiteral("it's \"quoted\" `back`"),
        QStringLiteral("x'); DROP TABLE Acronyms; --"),
        QStringLiteral("1 OR 1=1; SELECT * FROM sqlite_master"),
        QStringLiteral("semi;colons;;"),
        QStringLiteral("%_ wildcards \\ escapes ?1 :name @p $v"),
        QString::fromUtf16(u"tab\there\r\nnew line\u000b\u000c\u001b[31m"),
        QStringLiteral("nul") + QChar(0) + QStringLiteral("inside") + QChar(0),
        QString::fromUtf16(u"\u05e9\u05dc\u05d5\u05dd \u202eevil\u202c \u0627\u0644\u0639\u0631\u0628\u064a\u0629"),
        QString::fromUtf16(u"e\u0301 a\u0308 \u0915\u094d\u0937 Z\u0351\u0352\u0353"),
        QString::fromUtf16(u"\U0001F600 \U0001D11E \U00020000 \U0001F468\u200D\U0001F469\u200D\U0001F467"),
        // fromUtf16 would take a leading U+FEFF for a byte order mark.
        QChar(0xFEFF) + QString::fromUtf16(u"BOM and \ufffd replacement and \u00a0nbsp"),
        QStringLiteral("<b>markup</b> &amp; <script>alert(1)</script>"),
    };
}

class HostileInput : public ::testing::Test
{
protected:
    HostileInput()
        : window(ui::Services{boxes, store::Location::file(dictionary.path())})
    {}

    void press(const char *button, const QString &entry)
    {
        control<QLineEdit>(window, "txtAcronym")->setText(entry);
        control<QPushButton>(window, button)->click();
    }

    QString shown() { return control<ui::DefinitionBox>(window, "lblDef")->text(); }

    TempDictionary dictionary;
    FakeBoxes boxes;
    ui::frmMain window;
};

TEST_F(HostileInput, EveryTextRoundTripsExactlyAsAcronymAndAsDefinition)
{
    const QList<QString> texts = hostileTexts();
    QList<Row> expected;
    for (int i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(i);
        const QString entry = QStringLiteral("k%1 ").arg(i) + texts[i];
        boxes.answer(texts[i]);
        press("cmdAdd", entry);
        expected.append(Row{entry.toUpper(), texts[i], 1});

        press("cmdFind", entry);
        EXPECT_EQ(shown(), texts[i]);
    }
    EXPECT_EQ(dictionary.rows(), expected);
    EXPECT_TRUE(boxes.messages().isEmpty());
    EXPECT_EQ(dictionary.integrityCheck(), QStringLiteral("ok"));
}

TEST_F(HostileInput, TheDialogAppendsHostileTextsUnchanged)
{
    dictionary.insert(Row{QStringLiteral("ABC"), QStringLiteral("alpha"), 1});
    press("cmdAdd", QStringLiteral("abc"));
    QWidget *dialog = testing_support::openWindow("frmEdit");
    ASSERT_NE(dialog, nullptr);
    QString expected = QStringLiteral("alpha");
    for (const QString &text : hostileTexts()) {
        boxes.answer(text);
        control<QPushButton>(*dialog, "cmdAdd")->click();
        expected += QStringLiteral(" - ") + text;
    }
    EXPECT_EQ(control<ui::DefinitionBox>(*dialog, "lblDef")->text(), expected);
    EXPECT_EQ(dictionary.rows(), (QList<Row>{Row{QStringLiteral("ABC"), expected, 1}}));
    dialog->close();
}

TEST_F(HostileInput, TenMegabytesOfTextAreStoredWholeAndShownByTheirBeginning)
{
    // Varied content, so that a cut or a shifted block would show.
    QString huge;
    huge.reserve(10 << 20);
    for (int i = 0; huge.size() < (10 << 20); ++i)
        huge += QStringLiteral("%1:\u00e9\U0001F600;").arg(i);
    boxes.answer(huge);
    press("cmdAdd", QStringLiteral("big"));
    ASSERT_TRUE(boxes.messages().isEmpty());
    const QList<Row> rows = dictionary.rows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].definition->size(), huge.size());
    EXPECT_TRUE(*rows[0].definition == huge);

    press("cmdFind", QStringLiteral("big"));
    qsizetype beginning = ui::DefinitionBox::kLongestShown;
    if (huge.at(beginning - 1).isHighSurrogate())
        --beginning;
    EXPECT_TRUE(shown().startsWith(huge.left(beginning) + QChar(0x2026)));
    EXPECT_TRUE(shown().endsWith(QStringLiteral("the definition holds %L1 bytes.]").arg(huge.toUtf8().size())));
}

} // namespace
