#pragma once

#include "platform/registry.h"
#include "ui/services.h"

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;

namespace ui {

// The About window: the program's title, version line, description and
// disclaimer beside a small flag, OK, and a button that starts the system's
// own system-information program.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(const Services &services, QWidget *parent = nullptr);
    ~frmAbout() override;

    // Finds the system-information program through the registry and starts
    // it; on any failure tells the user that it is unavailable.
    void StartSysInfo();

    // Reads the value SubKeyRef of the key KeyName below KeyRoot into KeyVal.
    // True when the value was read: a string gives its text, an expandable
    // string its expanded text, a number its decimal digits, and a value of
    // any other kind leaves KeyVal as it was. False, with KeyVal set to "",
    // when the key or the value cannot be read or the value is larger than
    // 1024 bytes.
    bool GetKeyValue(platform::Registry::Root KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                     QString &KeyVal);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    Services m_services;

    QPushButton *cmdOK = nullptr;
    QLabel *picIcon = nullptr;
    QPushButton *cmdSysInfo = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblDisclaimer = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    // The horizontal rule: Line1[1] grey beneath, Line1[0] white over it.
    std::array<QWidget *, 2> Line1{};
};

} // namespace ui
