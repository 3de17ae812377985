#pragma once

// The program's four windows, made for a test and closed after it.
#include "store/entry.h"
#include "support/fakeboxes.h"
#include "support/fakeshell.h"
#include "ui/edit/frmedit.h"
#include "ui/info/frmabout.h"
#include "ui/info/frmcontact.h"
#include "ui/main/frmmain.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace testing_support {

struct FourWindows
{
    explicit FourWindows(const QString &acronym = QStringLiteral("ABC"),
                         const QString &definition = QStringLiteral("Always Be Closing"))
    {
        ui::Services services{boxes, store::Location::file(QString())};
        services.shell = &shell;
        main = std::make_unique<ui::frmMain>(services);
        store::Entry stored;
        stored.acronym = acronym.toUpper();
        stored.definition = definition;
        edit = std::make_unique<ui::frmEdit>(services, acronym, stored);
        about = std::make_unique<ui::frmAbout>(services);
        about->setAttribute(Qt::WA_DeleteOnClose, false);
        contact = std::make_unique<ui::frmContact>(shell);
        for (QWidget *window : all()) {
            window->setAttribute(Qt::WA_DeleteOnClose, false);
            window->show();
        }
    }

    std::vector<QWidget *> all() const { return {main.get(), edit.get(), about.get(), contact.get()}; }

    FakeBoxes boxes;
    FakeShell shell;
    std::unique_ptr<ui::frmMain> main;
    std::unique_ptr<ui::frmEdit> edit;
    std::unique_ptr<ui::frmAbout> about;
    std::unique_ptr<ui::frmContact> contact;
};

} // namespace testing_support
