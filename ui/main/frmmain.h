#pragma once

#include "ui/services.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace store {
struct Entry;
}

namespace ui {

class DefinitionBox;
class frmEdit;
class frmContact;
class frmAbout;

// The main window: look an acronym up, add one, open the Help windows.
// Closing it ends the program.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(const Services &services, QWidget *parent = nullptr);
    ~frmMain() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void find();
    void add();
    bool refuseBlankEntry();
    void showEditDialog(const store::Entry &entry);
    void showContact();
    void showAbout();

    Services m_services;
    // The windows the main window shows, while they are open.
    QPointer<frmEdit> m_edit;
    QPointer<frmContact> m_contact;
    QPointer<frmAbout> m_about;

    QMenu *mnuHelp = nullptr;
    QAction *mnuContact = nullptr;
    QAction *mnuAbout = nullptr;

    QLineEdit *txtAcronym = nullptr;
    QPushButton *cmdFind = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdExit = nullptr;
    QLabel *lblAcronym = nullptr;
    QLabel *lblDefiniton = nullptr;
    DefinitionBox *lblDef = nullptr;
};

} // namespace ui
