#pragma once

// Lets GoogleTest print Qt strings in failure messages.

#include <QString>

#include <optional>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace testing_support {
struct Row;
void PrintTo(const Row &row, std::ostream *out);
} // namespace testing_support
