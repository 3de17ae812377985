#include "web/http.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace web {

namespace {

using Clock = std::chrono::steady_clock;

// Sent with every answer. The pages load their script, style and images
// from this server alone and run no inline script, so text that got into a
// page could not run even if it were not escaped.
const std::pair<const char *, const char *> kSecurityHeaders[] = {
    {"Content-Security-Policy", "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; "
                                "connect-src 'self'; form-action 'self'; base-uri 'none'; frame-ancestors 'none'"},
    {"X-Content-Type-Options", "nosniff"},
    {"Referrer-Policy", "no-referrer"},
    {"X-Frame-Options", "DENY"},
};

// One TCP connection, for the head-time watch.
struct Connection
{
    int socket = -1;
    std::string client; // its address, for the access log
    // When the connection began to owe a request head: at its start, and
    // again after each answer. Zero while a request is being answered.
    std::atomic<Clock::rep> owesHeadSince{0};
};

// One request, from its first line to its end in the access log.
struct Exchange
{
    std::string method = "-"; // known once the head is whole
    std::string rawUri;
    std::string client;
    Clock::time_point start = Clock::now();
    bool headRead = false;
    int status = 0;
    std::size_t bytes = 0;
};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string clientOf(MHD_Connection *connection)
{
    const MHD_ConnectionInfo *info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    char text[INET6_ADDRSTRLEN] = "?";
    if (info && info->client_addr) {
        if (info->client_addr->sa_family == AF_INET)
            inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(info->client_addr)->sin_addr, text, sizeof text);
        else if (info->client_addr->sa_family == AF_INET6)
            inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6 *>(info->client_addr)->sin6_addr, text,
                      sizeof text);
    }
    return text;
}

// What a log line may hold of a client's bytes: printable ASCII, the rest
// as \xHH, so that no request can forge a line or a terminal's state.
std::string loggable(std::string_view text, std::size_t most)
{
    std::string shown;
    for (const char c : text.substr(0, most)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '"' || c == '\\') {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    if (text.size() > most)
        shown += "...";
    return shown;
}

std::string utcNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    // The date and time of day once a second: every request writes one.
    thread_local std::time_t formattedSecond = -1;
    thread_local char formatted[24];
    if (seconds != formattedSecond) {
        std::tm utc{};
        gmtime_r(&seconds, &utc);
        std::strftime(formatted, sizeof formatted, "%Y-%m-%dT%H:%M:%S", &utc);
        formattedSecond = seconds;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%s.%03dZ", formatted, static_cast<int>(millis));
    return text;
}

std::vector<std::pair<std::string, std::string>> queryOf(std::string_view query)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    while (!query.empty()) {
        const std::size_t end = query.find('&');
        const std::string_view part = query.substr(0, end);
        if (!part.empty()) {
            const std::size_t equals = part.find('=');
            pairs.emplace_back(percentDecoded(part.substr(0, equals), true),
                               equals == std::string_view::npos ? std::string()
                                                                : percentDecoded(part.substr(equals + 1), true));
        }
        if (end == std::string_view::npos)
            break;
        query.remove_prefix(end + 1);
    }
    return pairs;
}

} // namespace

std::optional<std::string> Request::argument(std::string_view name) const
{
    for (const auto &[key, value] : query) {
        if (key == name)
            return value;
    }
    return std::nullopt;
}

std::string percentDecoded(std::string_view text, bool plusIsSpace)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            decoded += ' ';
        } else {
            decoded += c;
        }
    }
    return decoded;
}

std::string percentEncoded(std::string_view bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || c == '-'
            || c == '.' || c == '_' || c == '~') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 15];
        }
    }
    return encoded;
}

struct HttpServer::State
{
    ServerOptions options;
    Handler handler;
    MHD_Daemon *daemon = nullptr;
    int port = 0;

    // The head-time watch: a thread that closes the connections that owe
    // a request head for longer than the head time.
    std::mutex mutex;
    std::unordered_set<Connection *> connections;
    std::condition_variable wake;
    bool stopping = false;
    std::thread watch;

    void watchHeads()
    {
        std::unique_lock lock(mutex);
        const auto limit = std::chrono::duration_cast<Clock::duration>(options.headTime);
        while (!stopping) {
            wake.wait_for(lock, std::chrono::milliseconds(250));
            const Clock::rep now = Clock::now().time_since_epoch().count();
            for (Connection *connection : connections) {
                const Clock::rep since = connection->owesHeadSince.load();
                // Shut, not closed: the library still owns the socket and
                // closes it when it sees the end.
                if (since != 0 && now - since > limit.count())
                    shutdown(connection->socket, SHUT_RDWR);
            }
        }
    }

    static void onConnection(void *cls, MHD_Connection *mhd, void **context, MHD_ConnectionNotificationCode code)
    {
        auto *state = static_cast<State *>(cls);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            auto *connection = new Connection;
            const MHD_ConnectionInfo *info = MHD_get_connection_info(mhd, MHD_CONNECTION_INFO_CONNECTION_FD);
            connection->socket = info ? info->connect_fd : -1;
            connection->client = clientOf(mhd);
            connection->owesHeadSince = Clock::now().time_since_epoch().count();
            *context = connection;
            const std::lock_guard lock(state->mutex);
            state->connections.insert(connection);
        } else {
            auto *connection = static_cast<Connection *>(*context);
            {
                const std::lock_guard lock(state->mutex);
                state->connections.erase(connection);
            }
            delete connection;
        }
    }

    static Connection *connectionOf(MHD_Connection *mhd)
    {
        const MHD_ConnectionInfo *info = MHD_get_connection_info(mhd, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
        return info ? static_cast<Connection *>(info->socket_context) : nullptr;
    }

    static void *onRequestLine(void *, const char *uri, MHD_Connection *mhd)
    {
        auto *exchange = new Exchange;
        exchange->rawUri = uri ? uri : "";
        const Connection *connection = connectionOf(mhd);
        exchange->client = connection ? connection->client : clientOf(mhd);
        return exchange;
    }

    static void onCompleted(void *cls, MHD_Connection *mhd, void **context, MHD_RequestTerminationCode code)
    {
        auto *state = static_cast<State *>(cls);
        auto *exchange = static_cast<Exchange *>(*context);
        *context = nullptr;
        if (Connection *connection = connectionOf(mhd))
            connection->owesHeadSince = Clock::now().time_since_epoch().count();
        if (!exchange)
            return;
        // An answer the library gave itself (a head too long, say).
        if (exchange->status == 0) {
            if (const MHD_ConnectionInfo *info = MHD_get_connection_info(mhd, MHD_CONNECTION_INFO_HTTP_STATUS))
                exchange->status = static_cast<int>(info->http_status);
        }
        if (state->options.accessLog) {
            // Whole microseconds, printed as milliseconds without floating point.
            const long long us =
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - exchange->start).count();
            char figures[96];
            std::snprintf(figures, sizeof figures, "\" %d %zu %lld.%03lldms%s", exchange->status, exchange->bytes,
                          us / 1000, us % 1000, code == MHD_REQUEST_TERMINATED_COMPLETED_OK ? "" : " unfinished");
            state->options.accessLog(utcNow() + ' ' + exchange->client + " \"" + loggable(exchange->method, 20) + ' '
                                     + loggable(exchange->rawUri, 2000) + figures);
        }
        delete exchange;
    }

    static MHD_Result send(MHD_Connection *mhd, Exchange *exchange, const Response &answer)
    {
        MHD_Response *response = MHD_create_response_from_buffer(
            answer.body.size(), const_cast<char *>(answer.body.data()), MHD_RESPMEM_MUST_COPY);
        if (!response)
            return MHD_NO;
        for (const auto &[name, value] : kSecurityHeaders)
            MHD_add_response_header(response, name, value);
        if (!answer.contentType.empty())
            MHD_add_response_header(response, "Content-Type", answer.contentType.c_str());
        for (const auto &[name, value] : answer.headers)
            MHD_add_response_header(response, name.c_str(), value.c_str());
        const MHD_Result queued = MHD_queue_response(mhd, static_cast<unsigned>(answer.status), response);
        MHD_destroy_response(response);
        if (exchange) {
            exchange->status = answer.status;
            exchange->bytes = answer.body.size();
        }
        return queued;
    }

    static MHD_Result onRequest(void *cls, MHD_Connection *mhd, const char *, const char *method, const char *,
                                const char *, size_t *uploadSize, void **context)
    {
        auto *state = static_cast<State *>(cls);
        auto *exchange = static_cast<Exchange *>(*context);
        if (!exchange) {
            exchange = new Exchange;
            *context = exchange;
        }
        if (!exchange->headRead) {
            exchange->headRead = true;
            exchange->method = method;
            if (Connection *connection = connectionOf(mhd))
                connection->owesHeadSince = 0;
            // No request of this server has a body: one that comes with one
            // is answered at once, and the library closes the connection
            // rather than read what follows.
            const char *length = MHD_lookup_connection_value(mhd, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
            const bool body = (length && std::strcmp(length, "0") != 0)
                              || MHD_lookup_connection_value(mhd, MHD_HEADER_KIND, MHD_HTTP_HEADER_TRANSFER_ENCODING);
            if (body)
                return send(mhd, exchange,
                            Response{413, "text/plain; charset=utf-8", "This server takes no request body.\n", {}});
            // Answered on the next call, when the request is whole: answering
            // now would cost the connection its keep-alive.
            return MHD_YES;
        }
        *uploadSize = 0;
        Request request;
        request.method = method;
        const std::string_view uri = exchange->rawUri;
        const std::size_t question = uri.find('?');
        request.path = percentDecoded(uri.substr(0, question), false);
        if (question != std::string_view::npos)
            request.query = queryOf(uri.substr(question + 1));
        Response answer;
        try {
            answer = state->handler(request);
        } catch (const std::exception &error) {
            if (state->options.errorLog)
                state->options.errorLog(std::string("a request failed: ") + error.what());
            answer = Response{500, "text/plain; charset=utf-8", "Something went wrong on the server.\n", {}};
        }
        return send(mhd, exchange, answer);
    }

    static void onLibraryMessage(void *cls, const char *format, va_list arguments)
    {
        auto *state = static_cast<State *>(cls);
        char text[512];
        std::vsnprintf(text, sizeof text, format, arguments);
        std::string message = text;
        while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
            message.pop_back();
        if (state->options.errorLog)
            state->options.errorLog(message);
    }
};

namespace {

// The address to listen on: a numeric address is taken as it stands, a
// name is looked up.
sockaddr_storage addressOf(const ServerOptions &options)
{
    std::string host = options.host;
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo *found = nullptr;
    const std::string port = std::to_string(options.port);
    if (const int rc = getaddrinfo(host.c_str(), port.c_str(), &hints, &found); rc != 0 || !found)
        throw ServerError("cannot listen at " + options.host + ": " + gai_strerror(rc));
    sockaddr_storage address{};
    std::memcpy(&address, found->ai_addr, found->ai_addrlen);
    freeaddrinfo(found);
    return address;
}

} // namespace

HttpServer::HttpServer(const ServerOptions &options, Handler handler)
    : m_state(std::make_unique<State>())
{
    State &state = *m_state;
    state.options = options;
    state.handler = std::move(handler);
    const sockaddr_storage address = addressOf(options);
    const bool tls = !options.tlsCertificate.empty() || !options.tlsKey.empty();
    if (tls && MHD_is_feature_supported(MHD_FEATURE_TLS) != MHD_YES)
        throw ServerError("this build of libmicrohttpd has no TLS");

    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_ERROR_LOG;
    if (MHD_is_feature_supported(MHD_FEATURE_EPOLL) == MHD_YES)
        flags |= MHD_USE_EPOLL | MHD_USE_TURBO;
    else
        flags |= MHD_USE_POLL;
    if (address.ss_family == AF_INET6)
        flags |= MHD_USE_IPv6;
    if (tls)
        flags |= MHD_USE_TLS;

    std::vector<MHD_OptionItem> items = {
        // First, so that the library says nothing on its own way.
        {MHD_OPTION_EXTERNAL_LOGGER, reinterpret_cast<intptr_t>(&State::onLibraryMessage), &state},
        {MHD_OPTION_SOCK_ADDR, 0, const_cast<sockaddr_storage *>(&address)},
        {MHD_OPTION_THREAD_POOL_SIZE, static_cast<intptr_t>(std::max(1, options.threads)), nullptr},
        {MHD_OPTION_CONNECTION_LIMIT, static_cast<intptr_t>(options.maxConnections), nullptr},
        {MHD_OPTION_PER_IP_CONNECTION_LIMIT, static_cast<intptr_t>(options.maxConnectionsPerClient), nullptr},
        {MHD_OPTION_CONNECTION_TIMEOUT, static_cast<intptr_t>(options.headTime.count()), nullptr},
        {MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<intptr_t>(options.headBytes + 4096), nullptr},
        {MHD_OPTION_LISTEN_BACKLOG_SIZE, 511, nullptr},
        {MHD_OPTION_URI_LOG_CALLBACK, reinterpret_cast<intptr_t>(&State::onRequestLine), &state},
        {MHD_OPTION_NOTIFY_COMPLETED, reinterpret_cast<intptr_t>(&State::onCompleted), &state},
        {MHD_OPTION_NOTIFY_CONNECTION, reinterpret_cast<intptr_t>(&State::onConnection), &state},
    };
    if (tls) {
        items.push_back({MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char *>(state.options.tlsCertificate.c_str())});
        items.push_back({MHD_OPTION_HTTPS_MEM_KEY, 0, const_cast<char *>(state.options.tlsKey.c_str())});
    }
    items.push_back({MHD_OPTION_END, 0, nullptr});

    state.watch = std::thread(&State::watchHeads, &state);
    state.daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, &State::onRequest, &state, MHD_OPTION_ARRAY,
                                    items.data(), MHD_OPTION_END);
    if (!state.daemon) {
        const int error = errno;
        {
            const std::lock_guard lock(state.mutex);
            state.stopping = true;
        }
        state.wake.notify_all();
        state.watch.join();
        throw ServerError("cannot listen at " + options.host + ":" + std::to_string(options.port)
                          + (error ? std::string(": ") + std::strerror(error) : std::string()));
    }
    const MHD_DaemonInfo *info = MHD_get_daemon_info(state.daemon, MHD_DAEMON_INFO_BIND_PORT);
    state.port = info ? info->port : options.port;
}

HttpServer::~HttpServer() noexcept
{
    MHD_stop_daemon(m_state->daemon);
    {
        const std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
    }
    m_state->wake.notify_all();
    m_state->watch.join();
}

int HttpServer::port() const
{
    return m_state->port;
}

std::string HttpServer::url() const
{
    const bool tls = !m_state->options.tlsCertificate.empty();
    std::string host = m_state->options.host;
    if (host.find(':') != std::string::npos && host.front() != '[')
        host = '[' + host + ']';
    return std::string(tls ? "https://" : "http://") + host + ':' + std::to_string(m_state->port) + '/';
}

} // namespace web
