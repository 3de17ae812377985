#include "tools/progressbar.h"

#include <QTextStream>

namespace tools {

QString progressLine(const QString &label, qint64 done, qint64 total, int width)
{
    const qint64 clamped = total <= 0 ? 0 : qBound<qint64>(0, done, total);
    const int percent = total <= 0 ? 0 : static_cast<int>(clamped * 100 / total);
    const int filled = total <= 0 ? 0 : static_cast<int>(clamped * width / total);
    return QStringLiteral("%1 [%2%3] %4%")
        .arg(label, QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char('-')))
        .arg(percent, 3);
}

ProgressBar::ProgressBar(QTextStream &terminal, QString label, qint64 quietMs)
    : m_terminal(terminal)
    , m_label(std::move(label))
    , m_quietMs(quietMs)
{
    m_clock.start();
}

ProgressBar::~ProgressBar()
{
    finish();
}

void ProgressBar::update(qint64 done, qint64 total)
{
    if (total <= 0 || m_clock.elapsed() < m_quietMs)
        return;
    const int percent = static_cast<int>(qBound<qint64>(0, done, total) * 100 / total);
    if (percent == m_lastPercent)
        return;
    m_lastPercent = percent;
    m_shown = true;
    m_terminal << '\r' << progressLine(m_label, done, total);
    m_terminal.flush();
}

void ProgressBar::finish()
{
    if (!m_shown)
        return;
    m_shown = false;
    m_terminal << '\r' << QString(progressLine(m_label, 0, 1).size(), QLatin1Char(' ')) << '\r';
    m_terminal.flush();
}

} // namespace tools
