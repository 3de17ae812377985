#pragma once

#include <QElapsedTimer>
#include <QString>

class QTextStream;

namespace tools {

// "label [#########-----------]  45%", width characters between the brackets.
QString progressLine(const QString &label, qint64 done, qint64 total, int width = 30);

// Draws a progress line on a terminal, over and over in place. It appears
// only once the work has taken a moment, so short runs print nothing.
class ProgressBar
{
public:
    // Nothing is drawn before quietMs have passed.
    ProgressBar(QTextStream &terminal, QString label, qint64 quietMs = 300);
    ~ProgressBar();

    void update(qint64 done, qint64 total);
    // Wipes the line, so that whatever is printed next starts clean.
    void finish();

private:
    QTextStream &m_terminal;
    QString m_label;
    QElapsedTimer m_clock;
    qint64 m_quietMs;
    int m_lastPercent = -1;
    bool m_shown = false;
};

} // namespace tools
