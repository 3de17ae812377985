#pragma once

#include <QTextEdit>

namespace ui {

// The read-only, centred, scrolling definition box. It hands back exactly the
// text it was given: a rich-text editor would turn line breaks, no-break
// spaces and the like into its own forms, and the dialog writes this text
// back to the dictionary.
class DefinitionBox : public QTextEdit
{
    Q_OBJECT

public:
    explicit DefinitionBox(QWidget *parent = nullptr);

    void setText(const QString &text);
    const QString &text() const { return m_text; }

protected:
    void changeEvent(QEvent *event) override;

private:
    void followPalette();

    QString m_text;
};

} // namespace ui
