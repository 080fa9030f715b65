#include "tests/support/TcpRelay.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace tallowin::test {

namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

// Closes with a reset rather than an orderly end, as the kernel does for the sockets of a process that died.
void reset(int &socket)
{
    if (socket < 0)
        return;
    const linger abort {1, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ::close(socket);
    socket = -1;
}

void closeQuietly(int &socket)
{
    if (socket >= 0)
        ::close(socket);
    socket = -1;
}

bool wouldBlock()
{
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

} // namespace

TcpRelay::TcpRelay(int serverPort)
    : m_serverPort(serverPort)
{
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake < 0)
        throw std::runtime_error(std::string("eventfd: ") + std::strerror(errno));
    try {
        m_listener = openListener(0, m_port);
    } catch (...) {
        closeQuietly(m_wake);
        throw;
    }
    m_thread = std::thread([this] { loop(); });
}

TcpRelay::~TcpRelay()
{
    control(false, false, true);
    m_thread.join();
    closeQuietly(m_wake);
}

void TcpRelay::stop()
{
    if (const std::string failure = control(false, false, false); !failure.empty())
        throw std::runtime_error(failure);
}

void TcpRelay::start()
{
    if (const std::string failure = control(true, false, false); !failure.empty())
        throw std::runtime_error(failure);
}

void TcpRelay::dropNextAnswer()
{
    if (const std::string failure = control(std::nullopt, true, false); !failure.empty())
        throw std::runtime_error(failure);
}

std::string TcpRelay::control(std::optional<bool> listening, bool drop, bool quit) noexcept
{
    std::unique_lock lock(m_mutex);
    m_wantListening = listening.value_or(m_wantListening);
    m_wantDrop = drop;
    m_quit = quit;
    const unsigned ticket = ++m_requests;
    const std::uint64_t one = 1;
    if (::write(m_wake, &one, sizeof one) != sizeof one)
        return std::string("eventfd write: ") + std::strerror(errno);
    m_handled.wait(lock, [&] { return m_done >= ticket; });
    return std::exchange(m_failure, {});
}

int TcpRelay::openListener(int port, int &bound)
{
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (socket < 0)
        throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    const int on = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = loopback(port);
    socklen_t length = sizeof address;
    if (::bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(socket, 64) != 0
        || ::getsockname(socket, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        const std::string reason = std::strerror(errno);
        ::close(socket);
        throw std::runtime_error("the relay could not listen on port " + std::to_string(port) + ": " + reason);
    }
    bound = ntohs(address.sin_port);
    return socket;
}

void TcpRelay::closeListener()
{
    // Closing the listening socket also resets the connections waiting in its backlog.
    closeQuietly(m_listener);
    for (Connection &connection : m_connections) {
        reset(connection.client);
        reset(connection.server);
    }
    m_connections.clear();
    m_dropNext = false;
}

void TcpRelay::applyControl()
{
    std::uint64_t count = 0;
    while (::read(m_wake, &count, sizeof count) > 0) { }
    const std::lock_guard lock(m_mutex);
    if (m_quit || !m_wantListening) {
        closeListener();
    } else if (m_listener < 0) {
        try {
            int bound = 0;
            m_listener = openListener(m_port, bound);
        } catch (const std::exception &error) {
            m_failure = error.what();
        }
    }
    if (m_wantDrop && m_listener >= 0)
        m_dropNext = true;
    m_wantDrop = false;
    m_done = m_requests;
    m_handled.notify_all();
}

void TcpRelay::acceptOne()
{
    Connection connection;
    connection.client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (connection.client < 0)
        return;
    // The server is on this machine, so the connection is made or refused at once.
    connection.server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = loopback(m_serverPort);
    if (connection.server < 0
        || ::connect(connection.server, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
        || ::fcntl(connection.server, F_SETFL, O_NONBLOCK) != 0) {
        closeQuietly(connection.server);
        reset(connection.client);
        return;
    }
    connection.dropAnswer = std::exchange(m_dropNext, false);
    m_connections.push_back(std::move(connection));
}

void TcpRelay::pump(Connection &connection, bool fromClient)
{
    const int from = fromClient ? connection.client : connection.server;
    std::string &pending = fromClient ? connection.toServer : connection.toClient;
    bool &ended = fromClient ? connection.clientEnded : connection.serverEnded;
    char buffer[65536];
    const auto n = ::recv(from, buffer, sizeof buffer, 0);
    if (n < 0) {
        if (!wouldBlock())
            connection.closed = true;
        return;
    }
    if (n == 0) {
        ended = true;
        if (pending.empty())
            ::shutdown(fromClient ? connection.server : connection.client, SHUT_WR);
        return;
    }
    if (!fromClient && connection.dropAnswer) {
        // The server has answered, so it has acted on the request; the client hears nothing of it.
        connection.closed = true;
        return;
    }
    pending.append(buffer, static_cast<std::size_t>(n));
}

void TcpRelay::flush(Connection &connection, bool toClient)
{
    const int to = toClient ? connection.client : connection.server;
    std::string &pending = toClient ? connection.toClient : connection.toServer;
    const auto n = ::send(to, pending.data(), pending.size(), MSG_NOSIGNAL);
    if (n < 0) {
        if (!wouldBlock())
            connection.closed = true;
        return;
    }
    pending.erase(0, static_cast<std::size_t>(n));
    if (pending.empty() && (toClient ? connection.serverEnded : connection.clientEnded))
        ::shutdown(to, SHUT_WR);
}

void TcpRelay::loop()
{
    std::vector<pollfd> entries;
    for (;;) {
        entries.clear();
        entries.push_back({m_wake, POLLIN, 0});
        entries.push_back({m_listener, POLLIN, 0}); // ignored while negative
        for (const Connection &connection : m_connections) {
            // A side that ended and is owed nothing is left out, or its hang-up would wake the loop forever.
            const bool watchClient = !connection.clientEnded || !connection.toClient.empty();
            const bool watchServer = !connection.serverEnded || !connection.toServer.empty();
            short clientEvents = 0;
            short serverEvents = 0;
            if (!connection.clientEnded && connection.toServer.empty())
                clientEvents |= POLLIN;
            if (!connection.toClient.empty())
                clientEvents |= POLLOUT;
            if (!connection.serverEnded && connection.toClient.empty())
                serverEvents |= POLLIN;
            if (!connection.toServer.empty())
                serverEvents |= POLLOUT;
            entries.push_back({watchClient ? connection.client : -1, clientEvents, 0});
            entries.push_back({watchServer ? connection.server : -1, serverEvents, 0});
        }
        if (::poll(entries.data(), entries.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            // Nothing will move any more; later control calls must not wait for this thread.
            const std::lock_guard lock(m_mutex);
            m_failure = std::string("the relay stopped: poll: ") + std::strerror(errno);
            m_done = ~0u;
            m_handled.notify_all();
            break;
        }
        if (entries[0].revents) {
            applyControl();
            const std::lock_guard lock(m_mutex);
            if (m_quit)
                break;
            // The sockets may have changed; look again.
            continue;
        }
        // Indexes into entries stay valid: new connections are only appended after this pass.
        const std::size_t before = m_connections.size();
        for (std::size_t i = 0; i < before; ++i) {
            Connection &connection = m_connections[i];
            const short client = entries[2 + 2 * i].revents;
            const short server = entries[3 + 2 * i].revents;
            if ((client | server) & POLLERR)
                connection.closed = true;
            if (!connection.closed && (client & (POLLIN | POLLHUP)) && !connection.clientEnded)
                pump(connection, true);
            if (!connection.closed && (server & (POLLIN | POLLHUP)) && !connection.serverEnded)
                pump(connection, false);
            if (!connection.closed && (client & (POLLOUT | POLLHUP)) && !connection.toClient.empty())
                flush(connection, true);
            if (!connection.closed && (server & (POLLOUT | POLLHUP)) && !connection.toServer.empty())
                flush(connection, false);
        }
        if (entries[1].revents & POLLIN)
            acceptOne();
        for (std::size_t i = 0; i < m_connections.size();) {
            Connection &connection = m_connections[i];
            const bool finished = connection.clientEnded && connection.serverEnded && connection.toClient.empty()
                && connection.toServer.empty();
            if (connection.closed || finished) {
                if (connection.closed) {
                    reset(connection.client);
                    reset(connection.server);
                } else {
                    closeQuietly(connection.client);
                    closeQuietly(connection.server);
                }
                m_connections.erase(m_connections.begin() + static_cast<std::ptrdiff_t>(i));
            } else {
                ++i;
            }
        }
    }
    closeListener();
}

} // namespace tallowin::test
