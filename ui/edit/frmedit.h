#pragma once

#include "ui/services.h"

#include <QWidget>

class QLabel;

namespace store {
struct Entry;
}
class QPushButton;

namespace ui {

class DefinitionBox;

// "Definition Exists": opened by Add for an acronym that is already stored.
// Appends to or replaces the stored definition; every change is written at
// once, and Done undoes nothing.
class frmEdit : public QWidget
{
    Q_OBJECT

public:
    // acronymEntry is the main window's acronym box as the user typed it;
    // stored is the entry found for it.
    frmEdit(const Services &services, const QString &acronymEntry, const store::Entry &stored);
    ~frmEdit() override;

private:
    void addToDefinition();
    void replaceDefinition();
    enum class Change { Append, Replace };
    // Finds the dialog's acronym, asks with prompt and, on a non-blank
    // answer, stores the changed definition at once.
    void amend(const QString &prompt, Change change);

    Services m_services;
    QString m_typed; // the main window's acronym box as typed
    QString m_key; // the acronym the dialog works on: m_typed upper-cased

    QLabel *lblHead = nullptr;
    QLabel *lblNym = nullptr;
    QLabel *lblTail = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdReplace = nullptr;
    QPushButton *cmdCancel = nullptr;
    DefinitionBox *lblDef = nullptr;
};

} // namespace ui
