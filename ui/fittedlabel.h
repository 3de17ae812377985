#pragma once

#include <QLabel>

namespace ui {

// A label in a rectangle of fixed size. Text that does not fit (a long
// acronym, a face wider than the one the window was laid out for, a large
// scale) is cut at the last whole word or letter that fits and ends in "…",
// never halfway through a letter; the whole text stays the label's text,
// which screen readers read, and shows as its tooltip.
class FittedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit FittedLabel(const QString &text, QWidget *parent = nullptr);

    // Whether the text as it stands overruns the label's rectangle.
    bool isElided() const;
    // The lines drawn when it does, the last ending in "…".
    QStringList elidedLines() const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

    // Where the text goes: the label's rectangle less its margins.
    QRect textRect() const;
};

} // namespace ui
