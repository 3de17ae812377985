#include "support/figures.h"

#include <QDir>
#include <QFile>

namespace testing_support {

void recordFigures(const QString &topic, const QString &line)
{
    QDir().mkpath(QStringLiteral("figures"));
    QFile file(QStringLiteral("figures/%1.txt").arg(topic));
    if (file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        file.write((line + QLatin1Char('\n')).toUtf8());
}

} // namespace testing_support
