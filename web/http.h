#pragma once

// The HTTP side of orvex-web, on GNU libmicrohttpd: requests in, answers
// out, and the limits that keep one client from holding the server. It
// knows nothing of the dictionary; web/site.h answers the requests.
//
// The server waits for sockets on a few threads (epoll); a client that
// sends slowly holds no thread, only one of a limited number of
// connections, and loses it when its request head is not whole within the
// head time. Every answer carries the same security headers, and every
// request ends in one line of the access log.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace web {

struct Request
{
    std::string method;
    std::string path; // percent-decoded bytes, without the query
    // The query's names and values, percent-decoded, "+" read as a space.
    std::vector<std::pair<std::string, std::string>> query;

    // The first value of a query argument, if given.
    std::optional<std::string> argument(std::string_view name) const;
};

struct Response
{
    int status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

struct ServerOptions
{
    std::string host = "127.0.0.1"; // an address or a name; [::1] and :: for IPv6
    int port = 0; // 0: any free port (see HttpServer::port)
    int threads = 4; // that wait for sockets and answer
    unsigned maxConnections = 256;
    // A client (an address) holds at most this many of them.
    unsigned maxConnectionsPerClient = 128;
    // A connection must bring a whole request head (its line and headers)
    // within this time of opening or of its last answer, and is closed
    // after this long without a byte.
    std::chrono::seconds headTime{10};
    // The most a request head may take; more is refused.
    std::size_t headBytes = 16 * 1024;
    // PEM texts for TLS; both empty: plain HTTP.
    std::string tlsCertificate;
    std::string tlsKey;
    // One line for each request, without its line end; none when empty.
    std::function<void(const std::string &line)> accessLog;
    // The library's own complaints, for the error output.
    std::function<void(const std::string &message)> errorLog;
};

class ServerError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class HttpServer
{
public:
    using Handler = std::function<Response(const Request &)>;

    // Listens at once; throws ServerError when it cannot.
    HttpServer(const ServerOptions &options, Handler handler);
    ~HttpServer() noexcept;
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // The port it listens on.
    int port() const;
    // Where it listens, as a URL: http://127.0.0.1:8077/
    std::string url() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Percent-decoding; plusIsSpace for a query, whose forms send spaces as "+".
std::string percentDecoded(std::string_view text, bool plusIsSpace);
// Everything but unreserved characters percent-encoded: safe in a path
// segment and in a query value.
std::string percentEncoded(std::string_view bytes);

} // namespace web
