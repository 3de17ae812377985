#pragma once

#include <QTextEdit>

namespace ui {

// The read-only, centred, scrolling definition box. It hands back exactly the
// text it was given: a rich-text editor would turn line breaks, no-break
// spaces and the like into its own forms.
class DefinitionBox : public QTextEdit
{
    Q_OBJECT

public:
    // The most of a definition the box lays out: far more than anyone reads
    // in a box this size, and laid out at once. Another tool may store
    // hundreds of megabytes, which would hold the window up for minutes.
    static constexpr qsizetype kLongestShown = 20000;

    explicit DefinitionBox(QWidget *parent = nullptr);

    void setText(const QString &text);
    // A stored definition; shortenedFrom, when not 0, is the stored size in
    // bytes of a definition of which text is the beginning.
    void showDefinition(const QString &text, qint64 shortenedFrom);
    const QString &text() const { return m_text; }

private:
    QString m_text;
};

} // namespace ui
