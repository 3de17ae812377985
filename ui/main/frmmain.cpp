#include "ui/main/frmmain.h"

#include "store/dictionary.h"
#include "store/text.h"
#include "ui/definitionbox.h"
#include "ui/edit/frmedit.h"
#include "ui/fittedlabel.h"
#include "ui/info/frmcontact.h"
#include "ui/info/frmabout.h"
#include "ui/look.h"
#include "ui/storeerror.h"
#include "ui/waiting.h"

#include <QCloseEvent>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#include <limits>

namespace ui {

namespace {

// Each of the other windows exists at most once: showing one that is open
// brings it forward as it is; closing it unloads it.
template<typename Window, typename Make>
void showSingle(QPointer<Window> &window, Make make)
{
    if (!window)
        window = make();
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

frmMain::frmMain(const Services &services, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Orvex"));
    setWindowIcon(programIcon());
    setFont(windowFont());
    setWindowFlags(kFixedWindowFlags);

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuContact = mnuHelp->addAction(QStringLiteral("&Contact Us"));
    mnuContact->setObjectName(QStringLiteral("mnuContact"));
    mnuAbout = mnuHelp->addAction(QStringLiteral("&About"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(331, 115);
    setCentralWidget(client);

    txtAcronym = place(new QLineEdit(client), "txtAcronym", 72, 8, 145, 19);
    txtAcronym->setToolTip(QStringLiteral("Enter the acronym to find here"));
    // A line edit cuts pasted text at 32767 characters without a word, which
    // would look up, and store, another acronym than the one pasted.
    txtAcronym->setMaxLength(std::numeric_limits<int>::max());

    cmdFind = place(new QPushButton(QStringLiteral("&Find"), client), "cmdFind", 232, 8, 81, 25);
    cmdFind->setToolTip(QStringLiteral("Locate a definiton"));
    cmdFind->setDefault(true);

    cmdAdd = place(new QPushButton(QStringLiteral("&Add"), client), "cmdAdd", 232, 40, 81, 25);
    cmdAdd->setToolTip(QStringLiteral("Add a new definition"));

    cmdExit = place(new QPushButton(QStringLiteral("E&xit"), client), "cmdExit", 232, 72, 81, 25);
    cmdExit->setToolTip(QStringLiteral("Leave the program"));

    // Outside a dialog Qt gives Enter to no button; the window's own buttons
    // take it when they have the focus, and Find takes it everywhere else.
    for (QPushButton *button : {cmdFind, cmdAdd, cmdExit})
        button->setAutoDefault(true);

    lblAcronym = place(new FittedLabel(QStringLiteral("Acronym: "), client), "lblAcronym", 16, 8, 49, 17);
    lblDefiniton = place(new FittedLabel(QStringLiteral("Definition: "), client), "lblDefiniton", 16, 32, 49, 17);

    lblDef = place(new DefinitionBox(client), "lblDef", 72, 32, 145, 73);

    // Each label names the box beside it, for screen readers too.
    lblAcronym->setBuddy(txtAcronym);
    lblDefiniton->setBuddy(lblDef);
    txtAcronym->setAccessibleName(QStringLiteral("Acronym"));
    lblDef->setAccessibleName(QStringLiteral("Definition"));

    setTabOrder(txtAcronym, cmdFind);
    setTabOrder(cmdFind, cmdAdd);
    setTabOrder(cmdAdd, cmdExit);
    setTabOrder(cmdExit, lblDef);
    txtAcronym->setFocus();

    setFixedSize(331, 115 + menuBar()->sizeHint().height());

    connect(cmdFind, &QPushButton::clicked, this, &frmMain::find);
    connect(cmdAdd, &QPushButton::clicked, this, &frmMain::add);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::close);
    connect(mnuContact, &QAction::triggered, this, &frmMain::showContact);
    connect(mnuAbout, &QAction::triggered, this, &frmMain::showAbout);
}

frmMain::~frmMain()
{
    // The other windows have no owner that would delete them.
    delete m_edit;
    delete m_contact;
    delete m_about;
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Every store operation has written and closed before its handler
    // returned, so nothing is pending: end the program without asking.
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window != this && window->isVisible())
            window->close();
    }
    event->accept();
    QCoreApplication::quit();
}

void frmMain::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        cmdFind->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool frmMain::refuseBlankEntry()
{
    if (!store::isBlank(txtAcronym->text()))
        return false;
    m_services.boxes.message(QStringLiteral("You must enter an Acronym"), QStringLiteral("Data Required"),
                             ModalBoxes::Icon::Critical);
    return true;
}

void frmMain::showContact()
{
    showSingle(m_contact, [this] {
        Q_ASSERT(m_services.shell);
        return new frmContact(*m_services.shell);
    });
}

void frmMain::showAbout()
{
    showSingle(m_about, [this] {
        auto *about = new frmAbout(m_services);
        about->setAttribute(Qt::WA_DeleteOnClose);
        return about;
    });
}

void frmMain::find()
{
    if (refuseBlankEntry())
        return;
    try {
        const QString typed = txtAcronym->text();
        const std::optional<store::Entry> entry = whileRepainting([&] {
            store::Dictionary dictionary(m_services.dictionary);
            dictionary.setLongestDefinition(DefinitionBox::kLongestShown);
            return dictionary.find(typed);
        });
        if (entry)
            lblDef->showDefinition(entry->definition, entry->shortenedFrom);
        else
            lblDef->setText(QStringLiteral("No defintion found for ") + store::keyOf(txtAcronym->text()));
    } catch (const store::Error &error) {
        reportStoreError(m_services.boxes, error);
    }
}

void frmMain::add()
{
    if (refuseBlankEntry())
        return;
    try {
        const QString typed = txtAcronym->text();
        store::Dictionary dictionary = whileRepainting([&] { return store::Dictionary(m_services.dictionary); });
        dictionary.setLongestDefinition(DefinitionBox::kLongestShown);
        std::optional<store::Entry> entry = whileRepainting([&] { return dictionary.find(typed); });
        if (!entry) {
            if (refuseReadOnly(m_services.boxes, dictionary))
                return;
            // The lookup has finished: the dictionary is open but holds no
            // lock while the user types, so another running copy can write.
            const QString answer = m_services.boxes.input(QStringLiteral("Enter definition for '")
                                                              + store::keyOf(txtAcronym->text()) + QLatin1Char('\''),
                                                          QStringLiteral("Add Acronym"));
            if (store::isBlank(answer))
                return;
            const store::Dictionary::Added added = whileRepainting([&] { return dictionary.add(typed, answer); });
            if (added.added)
                return;
            // Another copy stored the acronym while the user typed: treat it
            // as found rather than adding a second record.
            entry = added.entry;
        }
        whileRepainting([&] { dictionary.close(); });
        showEditDialog(*entry);
    } catch (const store::Error &error) {
        reportStoreError(m_services.boxes, error);
    }
}

void frmMain::showEditDialog(const store::Entry &entry)
{
    // While it is open the dialog keeps the acronym and the working copy it
    // was loaded with. The definition box is left empty behind it.
    showSingle(m_edit, [&] { return new frmEdit(m_services, txtAcronym->text(), entry); });
    lblDef->clear();
}

} // namespace ui
