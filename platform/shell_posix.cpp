#include "platform/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace platform {

namespace {

// The URL the desktop's handler receives for text: an absolute path names a
// local file, anything else must carry its own scheme ("mailto:", "http:").
QUrl urlFor(const QString &text)
{
    if (QDir::isAbsolutePath(text))
        return QUrl::fromLocalFile(text);
    // Tolerant parsing keeps the text as given and only percent-encodes what
    // a URL cannot hold literally, such as the spaces of a mail subject.
    const QUrl url(text, QUrl::TolerantMode);
    if (!url.isValid() || url.scheme().isEmpty())
        return QUrl();
    return url;
}

} // namespace

bool SystemShell::execute(const std::string &verb8, const std::string &text8, ShowCommand show)
{
    const QString verb = QString::fromStdString(verb8);
    const QString text = QString::fromStdString(text8);

    // The handler's window is the desktop's business here; there is no way
    // to ask another program to start hidden or maximised.
    Q_UNUSED(show);

    // "open" is the only operation a freedesktop handler offers; an empty
    // verb means the default one, as on Windows.
    if (!verb.isEmpty() && verb.compare(QLatin1String("open"), Qt::CaseInsensitive) != 0)
        return false;

    const QUrl url = urlFor(text);
    if (url.isEmpty())
        return false;
    // Qt starts the desktop's handler for the scheme (xdg-open, the desktop
    // environment's own opener or the desktop portal) as a separate process
    // with the URL as one argument; no shell command line is involved.
    return QDesktopServices::openUrl(url);
}

} // namespace platform
