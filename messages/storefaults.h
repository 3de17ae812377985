#pragma once

// What went wrong with a dictionary, in words a user understands: one
// catalogue with a wording for the windows (whole sentences), one for
// the terminal (orvex-db's "orvex-db: WHERE: why" lines) and one for the
// readers of orvex-web's pages, who can do nothing about the dictionary and
// are told nothing of where it is or what the engine said.

#include "store/error.h"

#include <QString>

namespace messages {

enum class Wording {
    Window,
    Terminal,
    Web,
};

// Why the dictionary could not be used.
QString storeFaultReason(const store::Error &error, Wording wording);

// The dictionary as its user knows it: a file in the system's own form, or
// a server's host, port and database.
QString storeFaultPlace(const store::Error &error);

// What to do next, for the terminal; "" when there is nothing to add.
QString storeFaultRemedy(const store::Error &error);

} // namespace messages
