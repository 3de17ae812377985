#pragma once

#include <QColor>
#include <QObject>
#include <QPalette>

namespace ui {

// Keeps a widget's text in a colour of its own while that colour stands out
// from the window's background, and in the palette's own colour for the
// kind of text where it does not (black or blue text on a dark theme). It
// looks again whenever the palette changes, so a theme switched while the
// window is open is followed too.
class ReadableColour : public QObject
{
    Q_OBJECT

public:
    ReadableColour(QWidget *widget, const QColor &wanted, QPalette::ColorRole fallback);

    // The colour to draw text in over the palette's window colour: wanted
    // where it stands out enough, else the palette's fallback role, else the
    // palette's window text.
    static QColor chosen(const QPalette &palette, const QColor &wanted, QPalette::ColorRole fallback);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply();

    QWidget *m_widget = nullptr;
    QColor m_wanted;
    QPalette::ColorRole m_fallback = QPalette::WindowText;
};

} // namespace ui
