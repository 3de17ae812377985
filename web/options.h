#pragma once

// orvex-web's command line and its configuration file. The file holds
// "name = value" lines with the options' names (db, listen, threads,
// max-connections, tls-cert, tls-key); # starts a comment. The command line
// wins over the file.

#include <QString>
#include <QStringList>

namespace web {

// Where orvex-web listens unless told otherwise: this machine only.
inline constexpr const char *kDefaultHost = "127.0.0.1";
inline constexpr int kDefaultPort = 8077;

struct WebOptions
{
    QString db; // empty: the dictionary beside the program
    QString host = QString::fromLatin1(kDefaultHost);
    int port = kDefaultPort;
    int threads = 0; // 0: one for each processor, at least two
    int maxConnections = 256;
    QString tlsCertificate; // PEM files
    QString tlsKey;
    bool help = false;
    bool version = false;
};

struct ParsedOptions
{
    WebOptions options;
    QString problem; // why the command line or the file cannot be used; empty when they can
};

ParsedOptions parseOptions(const QStringList &arguments);

// ADDRESS:PORT, ADDRESS being a name, an IPv4 address or [an IPv6 one].
// False when text is none of these.
bool parseListen(const QString &text, QString &host, int &port);

QString usage();

} // namespace web
