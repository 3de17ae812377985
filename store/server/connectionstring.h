#pragma once

// Reads a connection string before libpq does, so that one that libpq would
// misread is refused first: libpq's own words for such a string (and the
// host or port it would take from a misread password) quote the string, and
// with it the password. A problem is named by line and column, never by
// the text there.

#include <QString>

#include <optional>

namespace store {

struct ConnectionString
{
    // The one line that names the server, with the scheme of a URI in the
    // lower case libpq takes; empty when there is a problem.
    QString text;
    // Where and what is wrong: "line 2, column 1: ...".
    std::optional<QString> problem;
};

// text may span lines (as nym2.server does): blank lines are passed over.
ConnectionString readConnectionString(const QString &text);

} // namespace store
