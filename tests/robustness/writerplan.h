#pragma once

// What the store writer process writes at step i, known to the test too so
// that it can tell a whole write from a torn or lost one.

#include <QString>

namespace writer_plan {

constexpr int kKeys = 37;

inline QString key(qint64 step)
{
    return QStringLiteral("K%1").arg(step % kKeys);
}

// Long enough to span several pages, so a torn write would show.
inline QString definition(qint64 step)
{
    const QString unit = QStringLiteral("step %1 of the writer; ").arg(step);
    return unit.repeated(static_cast<int>(40 + (step % 7) * 60));
}

} // namespace writer_plan
