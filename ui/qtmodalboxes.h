#pragma once

#include "ui/modalboxes.h"

namespace ui {

class QtModalBoxes : public ModalBoxes
{
public:
    void message(const QString &text, const QString &title, Icon icon) override;
    QString input(const QString &prompt, const QString &title) override;
};

} // namespace ui
