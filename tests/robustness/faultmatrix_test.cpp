// Drives the real windows and store through every fault we can produce and
// checks the same four things each time: a message naming the file and the
// reason, windows that still work, nothing half-written, a sound file.

#include "store/file/files.h"
#include "ui/definitionbox.h"
#include "ui/main/frmmain.h"
#include "support/faultvfs.h"
#include "support/fakeboxes.h"
#include "support/figures.h"
#include "support/printers.h"
#include "support/storehelpers.h"
#include "support/tempdictionary.h"
#include "support/widgets.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>
#include <sqlite3.h>

using testing_support::control;
using testing_support::FakeBoxes;
using testing_support::FaultVfs;
using testing_support::Row;
using testing_support::TempDictionary;

namespace {

enum class Operation { Find, AddNew, DialogAdd, DialogReplace };

const char *describe(Operation op)
{
    switch (op) {
    case Operation::Find:
        return "Find";
    case Operation::AddNew:
        return "Add of a new acronym";
    case Operation::DialogAdd:
        return "the dialog's Add";
    case Operation::DialogReplace:
        return "the dialog's Replace";
    }
    return "?";
}

// Everything a fault needs to reach: the file, the fault VFS, a lock holder.
struct Scene
{
    TempDictionary &dictionary;
    FaultVfs &vfs;
    std::unique_ptr<testing_support::HeldLock> lock;
    QByteArray savedBytes;
};

struct Fault
{
    QString name;
    Operation operation;
    std::function<void(Scene &)> cause;
    std::function<void(Scene &)> mend;
    const char *reason;
    bool fileStaysSound; // false where the fault is a damaged file itself
    bool whileAsking = false; // the fault comes while the input box waits
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

void saveBytes(Scene &s)
{
    s.savedBytes = readAll(s.dictionary.path());
}

void restoreBytes(Scene &s)
{
    writeAll(s.dictionary.path(), s.savedBytes);
}

QList<Fault> faults()
{
    QList<Fault> list;
    const auto aside = [](Scene &s) { QFile::rename(s.dictionary.path(), s.dictionary.path() + ".aside"); };
    const auto back = [](Scene &s) {
        QFile::remove(s.dictionary.path());
        QFile::rename(s.dictionary.path() + ".aside", s.dictionary.path());
    };
    const auto sql = [](const char *statement) {
        return [statement](Scene &s) { s.dictionary.exec(QString::fromUtf8(statement)); };
    };

    for (Operation op : {Operation::Find, Operation::AddNew}) {
        list.append({"missing file", op, aside, back, "does not exist", true});
        list.append({"empty file", op,
                     [aside](Scene &s) {
                         aside(s);
                         writeAll(s.dictionary.path(), {});
                     },
                     back, "no table Acronyms", true});
        list.append({"not a database", op,
                     [aside](Scene &s) {
                         aside(s);
                         writeAll(s.dictionary.path(), QByteArray(8192, 'z'));
                     },
                     back, "not an acronym database", true});
        list.append({"truncated database", op,
                     [](Scene &s) {
                         saveBytes(s);
                         writeAll(s.dictionary.path(), s.savedBytes.left(s.savedBytes.size() / 2));
                     },
                     restoreBytes, "damaged", false});
        list.append({"damaged page", op,
                     [](Scene &s) {
                         saveBytes(s);
                         QByteArray broken = s.savedBytes;
                         for (int i = 0; i < 64; ++i)
                             broken[4096 + i] = char(0xA5);
                         writeAll(s.dictionary.path(), broken);
                     },
                     restoreBytes, "damaged", false});
        list.append({"table missing", op, sql("ALTER TABLE Acronyms RENAME TO Gone"),
                     sql("ALTER TABLE Gone RENAME TO Acronyms"), "no table Acronyms", true});
        list.append({"field missing", op, sql("ALTER TABLE Acronyms RENAME COLUMN Definition TO Gone"),
                     sql("ALTER TABLE Acronyms RENAME COLUMN Gone TO Definition"), "lacks a field", true});
    }
    list.append({"field Active missing", Operation::AddNew, sql("ALTER TABLE Acronyms RENAME COLUMN Active TO Gone"),
                 sql("ALTER TABLE Acronyms RENAME COLUMN Gone TO Active"), "lacks a field", true});

    for (Operation op : {Operation::AddNew, Operation::DialogAdd, Operation::DialogReplace}) {
        list.append({"read-only file", op, [](Scene &s) { s.vfs.setReadOnlyFiles(true); },
                     [](Scene &s) { s.vfs.setReadOnlyFiles(false); }, "read-only", true});
        list.append({"read-only folder", op, [](Scene &s) { s.vfs.setJournalRefused(true); },
                     [](Scene &s) { s.vfs.setJournalRefused(false); }, "cannot be written to", true});
    }
    // The dictionary open while the user types: another program removes
    // it, puts another file in its place, or a folder.
    const auto replaced = [aside](Scene &s) {
        aside(s);
        QFile::copy(s.dictionary.path() + ".aside", s.dictionary.path());
    };
    const auto folder = [aside](Scene &s) {
        aside(s);
        QDir().mkdir(s.dictionary.path());
    };
    const auto unfolder = [back](Scene &s) {
        QDir().rmdir(s.dictionary.path());
        back(s);
    };
    for (Operation op : {Operation::AddNew, Operation::DialogAdd, Operation::DialogReplace}) {
        list.append({"removed while asking", op, aside, back, "does not exist", true, true});
        list.append({"replaced while asking", op, replaced, back, "took the dictionary's place", true, true});
        list.append({"a folder in its place while asking", op, folder, unfolder, "folder", true, true});
    }
    for (Operation op : {Operation::Find, Operation::AddNew, Operation::DialogAdd}) {
        list.append({"locked by another program", op,
                     [](Scene &s) { s.lock = std::make_unique<testing_support::HeldLock>(s.dictionary.path()); },
                     [](Scene &s) { s.lock.reset(); }, "in use by another program", true});
    }
    // The disk fills at different moments of the write: in the journal, in
    // the file itself, while committing.
    for (Operation op : {Operation::AddNew, Operation::DialogAdd}) {
        for (qint64 budget : {0, 100, 600, 4700, 9000, 13000}) {
            list.append({QStringLiteral("disk full after %1 bytes").arg(budget), op,
                         [budget](Scene &s) { s.vfs.setBytesUntilFull(budget); },
                         [](Scene &s) { s.vfs.setBytesUntilFull(-1); }, "disk is full", true});
        }
    }
    return list;
}

class FaultMatrix : public ::testing::Test
{
protected:
    const testing_support::ShortBusyTimeout m_wait{100};
};

// Fills a dictionary over several pages, so that damage can hit a page the
// scan must read.
void fill(TempDictionary &dictionary)
{
    dictionary.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
                                   "INSERT INTO Acronyms SELECT 'K' || i, 'definition number ' || i || ' ' || "
                                   "substr(hex(randomblob(40)), 1, 60), 1 FROM n"));
    dictionary.insert(Row{QStringLiteral("ABC"), QStringLiteral("alpha"), 1});
}

QWidget *openDialog(ui::frmMain &window)
{
    control<QLineEdit>(window, "txtAcronym")->setText(QStringLiteral("abc"));
    control<QPushButton>(window, "cmdAdd")->click();
    return testing_support::openWindow("frmEdit");
}

// Runs the operation; the answer is given in case an input box comes up.
void run(Operation op, ui::frmMain &window, QWidget *dialog, FakeBoxes &boxes, const QString &answer)
{
    switch (op) {
    case Operation::Find:
        control<QLineEdit>(window, "txtAcronym")->setText(QStringLiteral("abc"));
        control<QPushButton>(window, "cmdFind")->click();
        return;
    case Operation::AddNew:
        boxes.answer(answer);
        control<QLineEdit>(window, "txtAcronym")->setText(QStringLiteral("new"));
        control<QPushButton>(window, "cmdAdd")->click();
        return;
    case Operation::DialogAdd:
    case Operation::DialogReplace:
        boxes.answer(answer);
        control<QPushButton>(*dialog, op == Operation::DialogAdd ? "cmdAdd" : "cmdReplace")->click();
        return;
    }
}

TEST_F(FaultMatrix, EveryFaultIsReportedSurvivedAndLeavesTheDictionaryWhole)
{
    int tried = 0;
    int survived = 0;
    for (const Fault &fault : faults()) {
        SCOPED_TRACE(fault.name.toStdString() + " during " + describe(fault.operation));
        const int failuresBefore =
            ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
        ++tried;
        TempDictionary dictionary;
        fill(dictionary);
        FaultVfs vfs;
        Scene scene{dictionary, vfs, nullptr, {}};
        FakeBoxes boxes;
        ui::frmMain window(ui::Services{boxes, store::Location::file(dictionary.path())});
        window.show();
        QWidget *dialog = nullptr;
        if (fault.operation == Operation::DialogAdd || fault.operation == Operation::DialogReplace) {
            dialog = openDialog(window);
            ASSERT_NE(dialog, nullptr);
        }
        const QList<Row> before = dictionary.rows();

        if (fault.whileAsking)
            boxes.whileAsking([&] { fault.cause(scene); });
        else
            fault.cause(scene);
        const QByteArray faultyBytes = readAll(dictionary.path());
        run(fault.operation, window, dialog, boxes, QStringLiteral("written despite the fault?"));

        // 1. A clear message naming the file and the reason.
        const QList<FakeBoxes::Shown> messages = boxes.messages();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_EQ(messages[0].title, QStringLiteral("orvex"));
        EXPECT_EQ(messages[0].icon, ui::ModalBoxes::Icon::Critical);
        EXPECT_TRUE(messages[0].text.contains(dictionary.path())) << messages[0].text.toStdString();
        EXPECT_TRUE(messages[0].text.contains(QLatin1String(fault.reason))) << messages[0].text.toStdString();
        // A dictionary that says it cannot be written asks for nothing first.
        if (fault.name == QLatin1String("read-only file")) {
            EXPECT_TRUE(boxes.inputs().isEmpty()) << "asked for a text that could not be stored";
        }
        // 2. Still running: the windows stay up.
        EXPECT_TRUE(window.isVisible());
        if (dialog) {
            EXPECT_TRUE(dialog->isVisible());
        }
        // 3. Nothing half-written: a damaged file is left exactly as it was.
        if (!fault.fileStaysSound) {
            EXPECT_EQ(readAll(dictionary.path()), faultyBytes);
        }

        fault.mend(scene);
        EXPECT_EQ(dictionary.rows(), before);
        // 4. A sound file.
        EXPECT_EQ(dictionary.integrityCheck(), QStringLiteral("ok"));

        // And the same operation works once the fault is gone.
        boxes = FakeBoxes();
        run(fault.operation, window, dialog, boxes, QStringLiteral("after"));
        EXPECT_TRUE(boxes.messages().isEmpty());
        switch (fault.operation) {
        case Operation::Find:
            EXPECT_EQ(control<ui::DefinitionBox>(window, "lblDef")->text(), QStringLiteral("alpha"));
            break;
        case Operation::AddNew:
            EXPECT_EQ(dictionary.rows().size(), before.size() + 1);
            break;
        case Operation::DialogAdd:
            EXPECT_EQ(control<ui::DefinitionBox>(*dialog, "lblDef")->text(), QStringLiteral("alpha - after"));
            break;
        case Operation::DialogReplace:
            EXPECT_EQ(control<ui::DefinitionBox>(*dialog, "lblDef")->text(), QStringLiteral("after"));
            break;
        }
        EXPECT_EQ(dictionary.integrityCheck(), QStringLiteral("ok"));
        if (dialog)
            dialog->close();

        const int failuresAfter = ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
        if (failuresAfter == failuresBefore)
            ++survived;
    }
    testing_support::recordFigures(QStringLiteral("faults"),
                                   QStringLiteral("faults tried %1, survived %2").arg(tried).arg(survived));
    EXPECT_EQ(survived, tried);
}

TEST_F(FaultMatrix, ValuesWrittenByOtherToolsAreReadAsTextAndNeverStopTheProgram)
{
    TempDictionary dictionary;
    dictionary.exec(
        QStringLiteral("INSERT INTO Acronyms VALUES (NULL, 'orphan', 1), (42, 'the answer', 1), "
                       "(X'00FF41', 'binary', 1), (' ABC', NULL, NULL), ('NUM', 3.5, 'yes'), ('BLOB', X'6869', 1)"));
    FakeBoxes boxes;
    ui::frmMain window(ui::Services{boxes, store::Location::file(dictionary.path())});
    const auto find = [&](const QString &entry) {
        control<QLineEdit>(window, "txtAcronym")->setText(entry);
        control<QPushButton>(window, "cmdFind")->click();
        return control<ui::DefinitionBox>(window, "lblDef")->text();
    };
    EXPECT_EQ(find(QStringLiteral("42")), QStringLiteral("the answer"));
    EXPECT_EQ(find(QStringLiteral("abc")), QString());
    EXPECT_EQ(find(QStringLiteral("num")), QStringLiteral("3.5"));
    EXPECT_EQ(find(QStringLiteral("blob")), QStringLiteral("hi"));
    EXPECT_EQ(find(QStringLiteral("zzz")), QStringLiteral("No defintion found for ZZZ"));

    control<QLineEdit>(window, "txtAcronym")->setText(QStringLiteral("num"));
    control<QPushButton>(window, "cmdAdd")->click();
    QWidget *dialog = testing_support::openWindow("frmEdit");
    ASSERT_NE(dialog, nullptr);
    boxes.answer(QStringLiteral("more"));
    control<QPushButton>(*dialog, "cmdAdd")->click();
    EXPECT_EQ(control<ui::DefinitionBox>(*dialog, "lblDef")->text(), QStringLiteral("3.5 - more"));
    dialog->close();

    EXPECT_TRUE(boxes.messages().isEmpty());
    EXPECT_EQ(dictionary.integrityCheck(), QStringLiteral("ok"));
}

} // namespace
