#include "ui/info/frmcontact.h"

#include "ui/fittedlabel.h"
#include "ui/info/linklabel.h"
#include "platform/mail.h"
#include "platform/web.h"
#include "ui/look.h"
#include "ui/windowrole.h"

#include <QLabel>
#include <QPalette>
#include <QPushButton>

namespace ui {

namespace {

// Every label of the window centres its text and wraps it at word breaks.
void centreAndWrap(QLabel *label)
{
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
}

// The address labels: blue text, but the ordinary pointer and no underline.
void lookLikeAddress(QLabel *label)
{
    // Where blue is hard to read (a dark theme), the theme's own link colour.
    setTextColour(label, QColor(0, 0, 255), QPalette::Link);
    label->setCursor(Qt::ArrowCursor);
}

} // namespace

frmContact::frmContact(platform::Shell &shell, QWidget *parent)
    : QWidget(parent)
    , m_shell(shell)
{
    setObjectName(QStringLiteral("frmContact"));
    announceAs(this, QAccessible::Dialog);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Contact Us"));
    setWindowIcon(programIcon());
    setFont(windowFont());
    // A fixed dialog frame with the system menu and the close box only. As a
    // plain widget Esc and Enter do nothing of their own.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    // The client area's corner sits at a fixed place on the screen.
    setGeometry(184, 250, 262, 154);
    setFixedSize(262, 154);

    OKButton = place(new QPushButton(QStringLiteral("OK"), this), "OKButton", 88, 120, 81, 25);
    // Neither default nor cancel: Enter presses OK only while it has the
    // focus, which a plain widget's button does when it is auto-default.
    OKButton->setAutoDefault(true);

    lblContactInfo = place(new FittedLabel(QStringLiteral("Please send all bug reports and "
                                                          "ehancement requests to us via email:"),
                                           this),
                           "lblContactInfo", 8, 8, 241, 25);
    centreAndWrap(lblContactInfo);

    lblMail = place(new LinkLabel(QStringLiteral("support@kelbrite.example"), this), "lblMail", 8, 40, 241, 17);
    lblMail->setToolTip(QStringLiteral("Click to send us an email"));
    centreAndWrap(lblMail);
    lookLikeAddress(lblMail);

    lblSiteInfo =
        place(new FittedLabel(QStringLiteral("or Visit us on the Web at:"), this), "lblSiteInfo", 48, 64, 153, 17);
    centreAndWrap(lblSiteInfo);

    lblWeb = place(new LinkLabel(QStringLiteral("http://www.kelbrite.example/"), this), "lblWeb", 8, 88, 241, 17);
    centreAndWrap(lblWeb);
    lookLikeAddress(lblWeb);

    // The window opens on OK; Tab then reaches the two addresses, which act
    // on Enter and Space as on a click.
    setTabOrder(OKButton, lblMail);
    setTabOrder(lblMail, lblWeb);
    OKButton->setFocus();

    connect(OKButton, &QPushButton::clicked, this, &frmContact::close);
    connect(lblMail, &LinkLabel::clicked, this, &frmContact::sendMail);
    connect(lblWeb, &LinkLabel::clicked, this, &frmContact::visitWebSite);

    keepOffTaskbar(this);
}

frmContact::~frmContact() = default;

void frmContact::sendMail()
{
    // The same text as lblMail's caption, kept here so that the hand-off
    // never depends on what the label shows.
    platform::Mail::ComposeMail(m_shell, "support@kelbrite.example", std::string(), std::string());
}

void frmContact::visitWebSite()
{
    // The same text as lblWeb's caption; see sendMail().
    platform::Web::OpenWebPage(m_shell, "http://www.kelbrite.example/");
}

} // namespace ui
