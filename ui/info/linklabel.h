#pragma once

#include "ui/fittedlabel.h"

namespace ui {

// A label that reports a click: a left-button press on it followed by the
// release over it, or Enter or Space while it has the focus. Tab reaches it;
// a click does not take the focus, and apart from a focus frame while it has
// it, it looks like any other label: the window sets its colour.
class LinkLabel : public FittedLabel
{
    Q_OBJECT

public:
    explicit LinkLabel(const QString &text, QWidget *parent = nullptr);

    // Acts as a click does.
    void click();

signals:
    void clicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_pressed = false;
};

} // namespace ui
