#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace platform {
class Shell;
}

namespace ui {

class LinkLabel;

// Where to send bug reports and wishes: a click on the e-mail address opens a
// new message in the mail program, a click on the web address opens the
// browser. Shown modeless and without an owner; it deletes itself when
// closed.
class frmContact : public QWidget
{
    Q_OBJECT

public:
    explicit frmContact(platform::Shell &shell, QWidget *parent = nullptr);
    ~frmContact() override;

private:
    void sendMail();
    void visitWebSite();

    platform::Shell &m_shell;

    QPushButton *OKButton = nullptr;
    QLabel *lblContactInfo = nullptr;
    LinkLabel *lblMail = nullptr;
    QLabel *lblSiteInfo = nullptr;
    LinkLabel *lblWeb = nullptr;
};

} // namespace ui
