#include "ui/qtmodalboxes.h"

#include "support/printers.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Acts on the real modal box once it is up, from inside its event loop.
void whenModal(std::function<void(QWidget *)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget *box = QApplication::activeModalWidget();
        if (!box) {
            ADD_FAILURE() << "no modal box is open";
            return;
        }
        act(box);
    });
}

TEST(QtInputBox, GivesTheTypedTextOnOkWithTheExactPromptAndTitle)
{
    const struct
    {
        QString typed;
    } cases[] = {{QStringLiteral("  kept blanks ")},
                 {QString::fromUtf16(u"\u00e9 \u6f22 \U0001F600")},
                 // A line edit cuts at 32767 characters by default.
                 {QString(1 << 20, QLatin1Char('x'))}};
    for (const auto &c : cases) {
        QString prompt;
        QString title;
        Qt::WindowModality modality = Qt::NonModal;
        whenModal([&](QWidget *box) {
            auto *dialog = qobject_cast<QInputDialog *>(box);
            ASSERT_NE(dialog, nullptr);
            prompt = dialog->labelText();
            title = dialog->windowTitle();
            modality = dialog->windowModality();
            auto *field = dialog->findChild<QLineEdit *>();
            ASSERT_NE(field, nullptr);
            EXPECT_TRUE(field->text().isEmpty());
            field->setText(c.typed);
            dialog->accept();
        });
        ui::QtModalBoxes boxes;
        const QString answer = boxes.input(QStringLiteral("Enter definition for 'ABC'"), QStringLiteral("Add Acronym"));
        EXPECT_EQ(answer.size(), c.typed.size());
        EXPECT_EQ(answer, c.typed);
        EXPECT_EQ(prompt, QStringLiteral("Enter definition for 'ABC'"));
        EXPECT_EQ(title, QStringLiteral("Add Acronym"));
        EXPECT_EQ(modality, Qt::ApplicationModal);
    }
}

TEST(QtInputBox, GivesAnEmptyTextOnCancel)
{
    whenModal([](QWidget *box) {
        box->findChild<QLineEdit *>()->setText(QStringLiteral("typed, then cancelled"));
        qobject_cast<QDialog *>(box)->reject();
    });
    ui::QtModalBoxes boxes;
    EXPECT_EQ(boxes.input(QStringLiteral("p"), QStringLiteral("t")), QString());
}

// Markup and access keys take characters out of what a label shows, so a
// label that shows its text as it stands is exactly as wide as a plain one.
void expectShownAsItStands(const QLabel *label, const QString &text)
{
    ASSERT_NE(label, nullptr);
    QLabel plain;
    plain.setTextFormat(Qt::PlainText);
    plain.setFont(label->font());
    plain.setWordWrap(label->wordWrap());
    plain.setIndent(label->indent());
    plain.setMargin(label->margin());
    plain.setContentsMargins(label->contentsMargins());
    plain.setText(text);
    EXPECT_EQ(label->sizeHint().width(), plain.sizeHint().width()) << text.toStdString();
}

TEST(QtModalBoxes, ShowTheirTextsAsTheyStandNeverAsMarkupOrAccessKeys)
{
    // The offscreen platform on Windows (the tests under Wine) has no fonts.
    if (QFontInfo(QApplication::font()).family().isEmpty())
        GTEST_SKIP() << "no fonts to measure text with on this platform";
    // An acronym is quoted in a prompt as typed, whatever it holds.
    const QString texts[] = {QStringLiteral("Enter definition for '<B>R&D</B>'"),
                             QStringLiteral("Enter definition for 'R&D'"),
                             QStringLiteral("<i>C:\\dict</i> &amp; more")};
    for (const QString &text : texts) {
        whenModal([&](QWidget *box) {
            SCOPED_TRACE("input box");
            expectShownAsItStands(box->findChild<QLabel *>(), text);
            qobject_cast<QDialog *>(box)->reject();
        });
        ui::QtModalBoxes boxes;
        boxes.input(text, QStringLiteral("Add Acronym"));

        whenModal([&](QWidget *box) {
            SCOPED_TRACE("message box");
            expectShownAsItStands(box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label")), text);
            qobject_cast<QDialog *>(box)->accept();
        });
        boxes.message(text, QStringLiteral("orvex"), ui::ModalBoxes::Icon::Critical);
    }
}

TEST(QtMessageBox, ShowsTextTitleAndIconWithOneOkButton)
{
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    whenModal([&](QWidget *box) {
        auto *message = qobject_cast<QMessageBox *>(box);
        ASSERT_NE(message, nullptr);
        text = message->text();
        title = message->windowTitle();
        icon = message->icon();
        buttons = static_cast<int>(message->buttons().size());
        message->accept();
    });
    ui::QtModalBoxes boxes;
    boxes.message(QStringLiteral("You must enter an Acronym"), QStringLiteral("Data Required"),
                  ui::ModalBoxes::Icon::Critical);
    EXPECT_EQ(text, QStringLiteral("You must enter an Acronym"));
    EXPECT_EQ(title, QStringLiteral("Data Required"));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, 1);
}

} // namespace
