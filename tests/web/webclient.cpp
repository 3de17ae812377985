#include "web/webclient.h"

#include <QUrl>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace testing_support {

namespace {

int connectTo(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

bool sendAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t sent =
            ::send(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        done += sent;
    }
    return true;
}

} // namespace

HttpAnswer exchange(int port, const QByteArray &request)
{
    HttpAnswer answer;
    const int fd = connectTo(port);
    if (fd < 0)
        return answer;
    QByteArray received;
    if (sendAll(fd, request)) {
        char buffer[65536];
        for (;;) {
            pollfd ready{fd, POLLIN, 0};
            if (::poll(&ready, 1, 30000) <= 0)
                break;
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            received.append(buffer, got);
        }
    }
    ::close(fd);
    const qsizetype headEnd = received.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return answer;
    const QList<QByteArray> lines = received.left(headEnd).split('\n');
    const QList<QByteArray> status = lines.first().trimmed().split(' ');
    answer.status = status.size() > 1 ? status.at(1).toInt() : 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon > 0)
            answer.headers[lines.at(i).left(colon).trimmed().toLower().toStdString()] =
                lines.at(i).mid(colon + 1).trimmed().toStdString();
    }
    answer.body = received.mid(headEnd + 4);
    return answer;
}

HttpAnswer get(int port, const QByteArray &target, const QByteArray &method)
{
    return exchange(port, method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
}

QByteArray withArgument(const QByteArray &prefix, const QString &text)
{
    return prefix + QUrl::toPercentEncoding(text);
}

OpenConnection::OpenConnection(int port)
    : m_socket(connectTo(port))
{}

OpenConnection::~OpenConnection()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

bool OpenConnection::send(const QByteArray &bytes)
{
    return m_socket >= 0 && sendAll(m_socket, bytes);
}

bool OpenConnection::closedByServer(int waitMs)
{
    if (m_socket < 0)
        return true;
    pollfd ready{m_socket, POLLIN, 0};
    if (::poll(&ready, 1, waitMs) <= 0)
        return false;
    char byte = 0;
    return ::recv(m_socket, &byte, 1, MSG_DONTWAIT) <= 0;
}

bool eventually(const std::function<bool()> &holds, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!holds()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace testing_support
