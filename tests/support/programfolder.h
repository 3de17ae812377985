#pragma once

#include "store/location.h"
#include "support/fakeboxes.h"
#include "support/widgets.h"
#include "ui/definitionbox.h"
#include "ui/main/frmmain.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace testing_support {

// A program folder with a nym2.server naming connection.
class ProgramFolder
{
public:
    explicit ProgramFolder(const QString &connection)
    {
        QFile named(m_folder.filePath(QStringLiteral("nym2.server")));
        if (!named.open(QIODevice::WriteOnly) || named.write((connection + QLatin1Char('\n')).toUtf8()) < 0)
            ADD_FAILURE() << "cannot write nym2.server";
    }
    store::Location dictionary() const { return store::dictionaryBeside(m_folder.path()); }

private:
    QTemporaryDir m_folder;
};

// The main window of a program started from such a folder, driven as a
// person drives it, its boxes recorded.
class Program
{
public:
    explicit Program(const QString &connection)
        : m_folder(connection)
        , m_window(ui::Services{boxes, m_folder.dictionary()})
    {
        m_window.show();
    }
    ~Program() { EXPECT_EQ(boxes.unansweredScript(), 0) << "an expected input box was not shown"; }

    QString find(const QString &entry)
    {
        control<QLineEdit>(m_window, "txtAcronym")->setText(entry);
        control<QPushButton>(m_window, "cmdFind")->click();
        return control<ui::DefinitionBox>(m_window, "lblDef")->text();
    }
    // answer: for the input box a new acronym asks for; none for a stored one.
    void add(const QString &entry, const std::optional<QString> &answer = std::nullopt)
    {
        if (answer)
            boxes.answer(*answer);
        control<QLineEdit>(m_window, "txtAcronym")->setText(entry);
        control<QPushButton>(m_window, "cmdAdd")->click();
    }
    void inDialog(const char *button, const QString &answer)
    {
        QWidget *dialog = openWindow("frmEdit");
        ASSERT_TRUE(dialog);
        boxes.answer(answer);
        control<QPushButton>(*dialog, button)->click();
    }

    FakeBoxes boxes;

private:
    ProgramFolder m_folder;
    ui::frmMain m_window;
};

} // namespace testing_support
