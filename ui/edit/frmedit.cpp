#include "ui/edit/frmedit.h"

#include "store/dictionary.h"
#include "store/text.h"
#include "ui/definitionbox.h"
#include "ui/fittedlabel.h"
#include "ui/look.h"
#include "ui/storeerror.h"
#include "ui/waiting.h"
#include "ui/windowrole.h"

#include <QLabel>
#include <QPushButton>

namespace ui {

namespace {

QLabel *centredLabel(const QString &text, QWidget *parent)
{
    // Acronyms are shown as typed, never interpreted as markup; a long one
    // ends in "…" with the whole of it in the tooltip.
    auto *label = new FittedLabel(text, parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

QLabel *boldBlackLabel(const QString &text, QWidget *parent)
{
    QLabel *label = centredLabel(text, parent);
    label->setFont(windowFont(9.75, QFont::Bold));
    setTextColour(label, Qt::black);
    return label;
}

} // namespace

frmEdit::frmEdit(const Services &services, const QString &acronymEntry, const store::Entry &stored)
    : QWidget(nullptr)
    , m_services(services)
    , m_typed(acronymEntry)
    , m_key(store::keyOf(acronymEntry))
{
    setObjectName(QStringLiteral("frmEdit"));
    announceAs(this, QAccessible::Window);
    setWindowTitle(QStringLiteral("Definition Exists"));
    setWindowIcon(questionIcon());
    setFont(windowFont());
    setWindowFlags(kFixedWindowFlags);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(271, 190);

    lblHead =
        place(boldBlackLabel(QStringLiteral("Definition Already exists as follows:"), this), "lblHead", 8, 8, 257, 25);
    lblNym = place(centredLabel(m_key, this), "lblNym", 88, 40, 81, 17);
    lblTail = place(boldBlackLabel(QStringLiteral("What Would you Like to do?"), this), "lblTail", 16, 104, 225, 25);

    cmdAdd = place(new QPushButton(QStringLiteral("&Add"), this), "cmdAdd", 8, 144, 81, 33);
    cmdAdd->setToolTip(QStringLiteral("Add to the existing definition"));
    cmdReplace = place(new QPushButton(QStringLiteral("&Replace"), this), "cmdReplace", 96, 144, 81, 33);
    cmdReplace->setToolTip(QStringLiteral("Replace the existing definition"));
    cmdCancel = place(new QPushButton(QStringLiteral("&Done"), this), "cmdCancel", 184, 144, 81, 33);
    cmdCancel->setToolTip(QStringLiteral("Cancel all operations on this Acronym"));
    // No default button: Enter presses whichever button has the focus.
    for (QPushButton *button : {cmdAdd, cmdReplace, cmdCancel})
        button->setAutoDefault(true);

    lblDef = place(new DefinitionBox(this), "lblDef", 0, 64, 265, 33);
    lblDef->showDefinition(stored.definition, stored.shortenedFrom);

    // The heading above the acronym and the definition names them for
    // screen readers; the acronym itself is read as the label's whole text.
    lblHead->setBuddy(lblDef);
    lblNym->setAccessibleDescription(QStringLiteral("Acronym"));
    lblDef->setAccessibleName(QStringLiteral("Definition"));
    lblDef->setAccessibleDescription(lblHead->text());

    setTabOrder(cmdAdd, cmdReplace);
    setTabOrder(cmdReplace, cmdCancel);
    setTabOrder(cmdCancel, lblDef);
    cmdAdd->setFocus();

    connect(cmdAdd, &QPushButton::clicked, this, &frmEdit::addToDefinition);
    connect(cmdReplace, &QPushButton::clicked, this, &frmEdit::replaceDefinition);
    connect(cmdCancel, &QPushButton::clicked, this, &frmEdit::close);
}

frmEdit::~frmEdit() = default;

void frmEdit::addToDefinition()
{
    amend(QStringLiteral("Add definition for '") + m_key + QLatin1Char('\''), Change::Append);
}

void frmEdit::replaceDefinition()
{
    amend(QStringLiteral("Enter new definition for '") + m_key + QLatin1Char('\''), Change::Replace);
}

void frmEdit::amend(const QString &prompt, Change change)
{
    try {
        store::Dictionary dictionary = whileRepainting([&] { return store::Dictionary(m_services.dictionary); });
        dictionary.setLongestDefinition(DefinitionBox::kLongestShown);
        const store::Entry entry = whileRepainting([&] { return dictionary.stored(m_typed); });
        if (refuseReadOnly(m_services.boxes, dictionary))
            return;
        const QString answer = m_services.boxes.input(prompt, QStringLiteral("Add Acronym"));
        if (store::isBlank(answer))
            return;
        // Appending builds on the definition as stored now, so that words
        // another program added meanwhile are kept; the working copy then
        // shows what was stored.
        const store::Entry stored = whileRepainting([&] {
            return change == Change::Append ? dictionary.append(entry, answer) : dictionary.replace(entry, answer);
        });
        lblDef->showDefinition(stored.definition, stored.shortenedFrom);
    } catch (const store::Error &error) {
        reportStoreError(m_services.boxes, error);
    }
}

} // namespace ui
