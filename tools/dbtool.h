#pragma once

// orvex-db, the dictionary tool: makes dictionary files, fills them from text
// files, writes them back out as text, and counts what they hold.

#include "store/location.h"

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

namespace tools {

struct DbToolSetup
{
    // The dictionary used when a command names none: the program's own,
    // as the program finds it (store::dictionaryBeside), read once.
    std::optional<store::Location> defaultDatabase;
    // err is a terminal: long imports draw a progress bar there.
    bool progressBar = false;
    // What --version prints after the tool's name.
    QString version;
};

// Runs the command line; returns the process exit code: 0 done, 1 the work
// failed (nothing written by a failed import), 2 the command line was wrong.
int runDbTool(const QStringList &arguments, QTextStream &out, QTextStream &err, const DbToolSetup &setup = {});

} // namespace tools
