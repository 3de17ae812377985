#pragma once

#include <QString>

namespace testing_support {

// Appends a line of figures (faults survived, writes lost, ...) to
// figures/<topic>.txt under the working directory, which ./test.sh gathers
// into its closing summary.
void recordFigures(const QString &topic, const QString &line);

} // namespace testing_support
