#pragma once

// The HTML of orvex-web's pages, whole and server-rendered, so that every
// page works without script; web/assets/orvex.js adds answers as one types.
// Every stored or typed text goes through html() and sits in a <bdi>, so
// that right-to-left marks inside it cannot turn the page around it.

#include "store/entry.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <string>

namespace web::pages {

// The frame of every page: the Find box (holding typed), the meaning search
// (holding words), the letters to browse by, and main inside.
std::string layout(const QString &title, const std::string &main, const QString &typed = QString(),
                   const QString &words = QString());

std::string home(const QString &problem = QString());
// An entry found, with the other acronyms that start with its key.
std::string entry(const store::Entry &entry, const QStringList &alsoStarting);
// A key not found, with the acronyms starting with it and the suggestions.
std::string missing(const QString &key, const QStringList &starting, const QStringList &suggestions);
std::string searchResults(const QString &words, const QList<store::Entry> &results, qsizetype total, int page,
                          int pages);
std::string browse(const QString &prefix, const QStringList &acronyms, const QString &nextAfter);
std::string fault(const QString &reason);
std::string notFound();

// The path of an acronym's page.
std::string permalink(const QString &acronym);
// An entry's " - "-joined meanings, each trimmed of spaces.
QStringList meaningsOf(const QString &definition);

} // namespace web::pages
