// What a screen reader and a keyboard user get from the four windows and the
// boxes, and whether every text can be read in light, dark and
// high-contrast themes.
#include "a11y/windows.h"
#include "ui/fittedlabel.h"
#include "ui/look.h"
#include "ui/qtmodalboxes.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>
#include <memory>

using testing_support::FourWindows;

namespace {

struct Node
{
    QString object;
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    QString description;
    QString toolTip;
    bool focusable = false;
};

void walk(QAccessibleInterface *parent, std::vector<Node> &nodes)
{
    for (int i = 0; i < parent->childCount(); ++i) {
        QAccessibleInterface *child = parent->child(i);
        if (!child)
            continue;
        // Hidden parts are skipped; the entries of a menu that has not
        // dropped down yet are not.
        auto *widget = qobject_cast<QWidget *>(child->object());
        if (widget && widget->isHidden())
            continue;
        Node node;
        if (QObject *object = child->object())
            node.object = object->objectName();
        if (widget)
            node.toolTip = widget->toolTip();
        node.role = child->role();
        node.name = child->text(QAccessible::Name);
        node.description = child->text(QAccessible::Description);
        node.focusable = child->state().focusable;
        nodes.push_back(node);
        walk(child, nodes);
    }
}

std::vector<Node> tree(QWidget *window)
{
    std::vector<Node> nodes;
    walk(QAccessible::queryAccessibleInterface(window), nodes);
    // The Help menu is a window of its own until it drops down.
    for (QMenu *menu : window->findChildren<QMenu *>())
        walk(QAccessible::queryAccessibleInterface(menu), nodes);
    return nodes;
}

bool isText(QAccessible::Role role)
{
    return role == QAccessible::StaticText || role == QAccessible::EditableText || role == QAccessible::Link
           || role == QAccessible::Graphic;
}

// Every focusable control and every text has a name; tooltips are read as
// descriptions; the named controls have the role a screen reader announces.
void checkTree(QWidget *window, const std::map<QString, QAccessible::Role> &roles,
               const std::map<QString, QString> &names = {})
{
    SCOPED_TRACE(window->objectName().toStdString());
    // Announced as a window (a message box as an alert), by its title.
    QAccessibleInterface *top = QAccessible::queryAccessibleInterface(window);
    EXPECT_TRUE(top->role() == QAccessible::Window || top->role() == QAccessible::Dialog
                || top->role() == QAccessible::AlertMessage)
        << top->role();
    EXPECT_EQ(top->text(QAccessible::Name), window->windowTitle());
    const std::vector<Node> nodes = tree(window);
    std::map<QString, QAccessible::Role> seen;
    for (const Node &node : nodes) {
        SCOPED_TRACE(node.object.toStdString() + " " + node.name.toStdString());
        if (node.focusable || isText(node.role) || node.role == QAccessible::MenuItem
            || node.role == QAccessible::Button) {
            EXPECT_FALSE(node.name.trimmed().isEmpty());
        }
        if (!node.toolTip.isEmpty()) {
            EXPECT_EQ(node.description, node.toolTip);
        }
        if (!node.object.isEmpty())
            seen[node.object] = node.role;
        const auto name = names.find(node.object);
        if (name != names.end()) {
            EXPECT_EQ(node.name, name->second);
        }
    }
    for (const auto &[object, role] : roles) {
        const auto found = seen.find(object);
        ASSERT_NE(found, seen.end()) << object.toStdString() << " is not in the tree";
        EXPECT_EQ(found->second, role) << object.toStdString();
    }
}

TEST(AccessibleTree, EveryControlAndTextOfEveryWindowIsNamedWithItsRole)
{
    using R = QAccessible::Role;
    FourWindows windows(QStringLiteral(" ABC "));
    checkTree(windows.main.get(),
              {{"txtAcronym", R::EditableText},
               {"cmdFind", R::Button},
               {"cmdAdd", R::Button},
               {"cmdExit", R::Button},
               {"lblAcronym", R::StaticText},
               {"lblDefiniton", R::StaticText},
               {"lblDef", R::EditableText},
               {"mnuContact", R::MenuItem},
               {"mnuAbout", R::MenuItem}},
              {{"txtAcronym", "Acronym"},
               {"lblDef", "Definition"},
               {"cmdFind", "Find"},
               {"cmdExit", "Exit"},
               {"mnuContact", "Contact Us"}});
    checkTree(windows.edit.get(),
              {{"lblHead", R::StaticText},
               {"lblNym", R::StaticText},
               {"lblTail", R::StaticText},
               {"cmdAdd", R::Button},
               {"cmdReplace", R::Button},
               {"cmdCancel", R::Button},
               {"lblDef", R::EditableText}},
              {{"lblNym", " ABC "}, {"lblDef", "Definition"}, {"cmdCancel", "Done"}});
    checkTree(windows.about.get(),
              {{"cmdOK", R::Button},
               {"picIcon", R::Graphic},
               {"cmdSysInfo", R::Button},
               {"lblDescription", R::StaticText},
               {"lblDisclaimer", R::StaticText},
               {"lblTitle", R::StaticText},
               {"lblVersion", R::StaticText}},
              {{"picIcon", "Flag"}, {"cmdSysInfo", "System Info..."}});
    checkTree(windows.contact.get(),
              {{"OKButton", R::Button},
               {"lblContactInfo", R::StaticText},
               {"lblMail", R::Link},
               {"lblSiteInfo", R::StaticText},
               {"lblWeb", R::Link}},
              {{"lblMail", "support@kelbrite.example"}, {"lblWeb", "http://www.kelbrite.example/"}});
}

TEST(AccessibleTree, TheBoxesAndTheirHeadingsAreTiedTogether)
{
    FourWindows windows;
    const struct
    {
        QWidget *window;
        const char *box;
        const char *label;
    } cases[] = {{windows.main.get(), "txtAcronym", "lblAcronym"},
                 {windows.main.get(), "lblDef", "lblDefiniton"},
                 {windows.edit.get(), "lblDef", "lblHead"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.box);
        QAccessibleInterface *box =
            QAccessible::queryAccessibleInterface(c.window->findChild<QWidget *>(QLatin1String(c.box)));
        QAccessibleInterface *label =
            QAccessible::queryAccessibleInterface(c.window->findChild<QWidget *>(QLatin1String(c.label)));
        ASSERT_TRUE(box && label);
        bool tied = false;
        for (const auto &relation : box->relations(QAccessible::Label))
            tied = tied || relation.first == label;
        EXPECT_TRUE(tied);
    }
}

// Acts on the real modal box once it is up, from inside its event loop.
void whenModal(std::function<void(QWidget *)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget *box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        act(box);
    });
}

TEST(AccessibleTree, TheMessageAndInputBoxesAreNamed)
{
    ui::QtModalBoxes boxes;
    whenModal([](QWidget *box) {
        checkTree(box, {{"qt_msgbox_label", QAccessible::StaticText}, {"qt_msgboxex_icon_label", QAccessible::Graphic}},
                  {{"qt_msgboxex_icon_label", "Error"}});
        QMetaObject::invokeMethod(box, "accept");
    });
    boxes.message(QStringLiteral("You must enter an Acronym"), QStringLiteral("Data Required"),
                  ui::ModalBoxes::Icon::Critical);
    whenModal([](QWidget *box) {
        checkTree(box, {});
        auto *field = box->findChild<QLineEdit *>();
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name),
                  QStringLiteral("Enter definition for 'A&B'"));
        QMetaObject::invokeMethod(box, "reject");
    });
    boxes.input(QStringLiteral("Enter definition for 'A&B'"), QStringLiteral("Add Acronym"));
}

class ContactKeyboard : public ::testing::Test
{
protected:
    ContactKeyboard()
    {
        window.contact->activateWindow();
        QApplication::setActiveWindow(window.contact.get());
    }

    QWidget *focused() const { return QApplication::focusWidget(); }
    QLabel *address(const char *name) const { return window.contact->findChild<QLabel *>(QLatin1String(name)); }

    FourWindows window;
};

TEST_F(ContactKeyboard, TabReachesTheAddressesAfterOkAndEnterOrSpaceFollowsThem)
{
    ASSERT_EQ(focused()->objectName(), QStringLiteral("OKButton"));
    const struct
    {
        const char *address;
        Qt::Key key;
        const char *handedOver;
    } steps[] = {{"lblMail", Qt::Key_Return, "mailto:support@kelbrite.example"},
                 {"lblWeb", Qt::Key_Space, "http://www.kelbrite.example/"}};
    for (const auto &step : steps) {
        QTest::keyClick(focused(), Qt::Key_Tab);
        ASSERT_EQ(focused(), address(step.address));
        const std::size_t before = window.shell.calls().size();
        QTest::keyClick(focused(), step.key);
        ASSERT_EQ(window.shell.calls().size(), before + 1) << step.address;
        EXPECT_EQ(window.shell.calls().back().text, step.handedOver);
        // A key held down hands over once.
        QTest::keyPress(focused(), step.key, Qt::NoModifier);
        QKeyEvent repeat(QEvent::KeyPress, step.key, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(focused(), &repeat);
        QTest::keyRelease(focused(), step.key, Qt::NoModifier);
        EXPECT_EQ(window.shell.calls().size(), before + 2) << step.address;
    }
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused()->objectName(), QStringLiteral("OKButton"));
    EXPECT_TRUE(window.contact->isVisible());
}

TEST_F(ContactKeyboard, TheFocusShowsAsAFrameThatGoesWithIt)
{
    QLabel *mail = address("lblMail");
    const QImage plain = mail->grab().toImage();
    QTest::keyClick(focused(), Qt::Key_Tab);
    ASSERT_TRUE(mail->hasFocus());
    const QImage framed = mail->grab().toImage();
    EXPECT_NE(framed, plain);
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(mail->grab().toImage(), plain);
}

// Palettes a user may run the program under.
QPalette darkPalette()
{
    QPalette p;
    const QColor window(0x2d, 0x2d, 0x2d), text(0xee, 0xee, 0xee);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3a));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Link, QColor(0x8a, 0xb4, 0xf8));
    p.setColor(QPalette::Highlight, QColor(0x3d, 0x7a, 0xd6));
    p.setColor(QPalette::HighlightedText, Qt::white);
    return p;
}

QPalette highContrast(const QColor &back, const QColor &fore, const QColor &link)
{
    QPalette p(fore, back);
    for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        p.setColor(role, back);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(role, fore);
    p.setColor(QPalette::Link, link);
    return p;
}

struct Painted
{
    QString name;
    QColor text;
    QColor background;
};

// What each text is drawn in, over what: a label over the window's face.
std::vector<Painted> paintedTexts(QWidget *window)
{
    std::vector<Painted> texts;
    const QColor face = window->palette().color(QPalette::Window);
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        const QPalette &p = widget->palette();
        const QString name = widget->objectName();
        if (qobject_cast<QLabel *>(widget) && !qobject_cast<QLabel *>(widget)->text().isEmpty())
            texts.push_back({name, p.color(widget->foregroundRole()), face});
        else if (qobject_cast<QTextEdit *>(widget) || qobject_cast<QLineEdit *>(widget))
            texts.push_back({name, p.color(QPalette::Text), p.color(QPalette::Base)});
        else if (qobject_cast<QPushButton *>(widget))
            texts.push_back({name, p.color(QPalette::ButtonText), p.color(QPalette::Button)});
    }
    return texts;
}

TEST(Themes, EveryTextStandsOutFromItsBackgroundInEveryPalette)
{
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    const QPalette light = fusion->standardPalette();
    const struct
    {
        const char *name;
        QPalette palette;
        bool fixedColoursKept;
    } themes[] = {{"light", light, true},
                  {"dark", darkPalette(), false},
                  {"high contrast, white on black", highContrast(Qt::black, Qt::white, Qt::yellow), false},
                  {"high contrast, black on white", highContrast(Qt::white, Qt::black, QColor(0, 0, 0x9f)), true}};
    // The windows are open before the theme changes, as when the user
    // switches the desktop's theme. (Qt hands a new application palette
    // on only from inside its event loop, which tests do not run; the
    // windows' own palettes reach the controls the same way.)
    FourWindows windows;
    for (const auto &theme : themes) {
        SCOPED_TRACE(theme.name);
        for (QWidget *window : windows.all())
            window->setPalette(theme.palette);
        for (QWidget *window : windows.all()) {
            for (const Painted &text : paintedTexts(window)) {
                SCOPED_TRACE(text.name.toStdString());
                EXPECT_GE(ui::contrastRatio(text.text, text.background), ui::kMinimumContrast)
                    << qPrintable(text.text.name()) << " on " << qPrintable(text.background.name());
            }
        }
        // On a light face the headings stay black and the addresses blue.
        const auto colour = [](QWidget *window, const char *name) {
            auto *label = window->findChild<QLabel *>(QLatin1String(name));
            return label->palette().color(label->foregroundRole());
        };
        const bool kept = theme.fixedColoursKept;
        EXPECT_EQ(colour(windows.edit.get(), "lblHead") == QColor(Qt::black), kept);
        EXPECT_EQ(colour(windows.about.get(), "lblTitle") == QColor(Qt::black), kept);
        EXPECT_EQ(colour(windows.contact.get(), "lblMail") == QColor(0, 0, 255), kept);
    }
}

TEST(Themes, ContrastIsReckonedAsTheGuidelinesDo)
{
    const struct
    {
        QColor a, b;
        double ratio;
    } cases[] = {{Qt::black, Qt::white, 21.0},
                 {Qt::white, Qt::white, 1.0},
                 {QColor(0, 0, 255), Qt::white, 8.59},
                 {QColor(0x77, 0x77, 0x77), Qt::white, 4.48}};
    for (const auto &c : cases)
        EXPECT_NEAR(ui::contrastRatio(c.a, c.b), c.ratio, 0.01) << qPrintable(c.a.name());
}

} // namespace
