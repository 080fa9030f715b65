#include "tests/support/CouchTestServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <simdjson.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tallowin::test {

namespace {

constexpr const char *adminName = "admin";
constexpr const char *adminPassword = "admin-secret";
// Node starts the server in well under a second; sanitizer builds on a busy machine take longer.
constexpr auto startupDeadline = std::chrono::seconds(60);
constexpr int startupAttempts = 1200;
constexpr auto startupPacing = std::chrono::milliseconds(50);
constexpr int requestTimeoutMs = 500;
constexpr int portAttempts = 3;

std::filesystem::path serverScript()
{
    return std::filesystem::path(TALLOWIN_TEST_SOURCE_DIR) / "server" / "node_modules" / "pouchdb-server" / "bin"
        / "pouchdb-server";
}

std::string findOnPath(const std::string &program)
{
    const char *path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/local/bin:/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const auto candidate = std::filesystem::path(folder.empty() ? "." : folder) / program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
    }
    return {};
}

// Asks the kernel for a port nobody uses right now. Another process may take it before the server binds
// it; start() then sees the server exit and tries another.
int freePort()
{
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::getsockname(socket, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        const std::string reason = std::strerror(errno);
        ::close(socket);
        throw std::runtime_error("could not find a free port: " + reason);
    }
    ::close(socket);
    return ntohs(address.sin_port);
}

std::string base64(const std::string &text)
{
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 3) {
        unsigned value = static_cast<unsigned char>(text[i]) << 16;
        if (i + 1 < text.size())
            value |= static_cast<unsigned char>(text[i + 1]) << 8;
        if (i + 2 < text.size())
            value |= static_cast<unsigned char>(text[i + 2]);
        out += alphabet[(value >> 18) & 63];
        out += alphabet[(value >> 12) & 63];
        out += i + 1 < text.size() ? alphabet[(value >> 6) & 63] : '=';
        out += i + 2 < text.size() ? alphabet[value & 63] : '=';
    }
    return out;
}

struct HttpAnswer
{
    int status = 0; // 0: no answer
    std::string body;
};

bool waitFor(int socket, short events, std::chrono::steady_clock::time_point deadline)
{
    const auto left
        = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        return false;
    pollfd entry {socket, events, 0};
    return ::poll(&entry, 1, static_cast<int>(left.count())) == 1;
}

// One HTTP/1.0 request on a fresh connection, so the answer ends when the server closes it. Kept to the
// sockets API: the support library should not depend on the client it helps to test.
HttpAnswer request(int port, const std::string &method, const std::string &path, const std::string &body = {},
    const std::string &credentials = {})
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(requestTimeoutMs);
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (socket < 0)
        return {};
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    HttpAnswer answer;
    int connectError = 0;
    socklen_t length = sizeof connectError;
    const bool connected = (::connect(socket, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
                               || (errno == EINPROGRESS && waitFor(socket, POLLOUT, deadline)))
        && ::getsockopt(socket, SOL_SOCKET, SO_ERROR, &connectError, &length) == 0 && connectError == 0;
    if (connected) {
        std::string message = method + " " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
        if (!credentials.empty())
            message += "Authorization: Basic " + base64(credentials) + "\r\n";
        message += "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n";
        message += body;
        std::size_t sent = 0;
        while (sent < message.size() && waitFor(socket, POLLOUT, deadline)) {
            const auto n = ::send(socket, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
        std::string received;
        char buffer[4096];
        while (sent == message.size() && waitFor(socket, POLLIN, deadline)) {
            const auto n = ::recv(socket, buffer, sizeof buffer, 0);
            if (n <= 0) {
                if (n == 0 && received.rfind("HTTP/1.", 0) == 0 && received.size() > 12) {
                    answer.status = std::atoi(received.c_str() + 9);
                    const auto split = received.find("\r\n\r\n");
                    answer.body = split == std::string::npos ? std::string() : received.substr(split + 4);
                }
                break;
            }
            received.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(socket);
    return answer;
}

std::string readLog(const std::filesystem::path &file)
{
    std::ifstream stream(file);
    std::stringstream text;
    text << stream.rdbuf();
    return text.str();
}

} // namespace

CouchTestServer::CouchTestServer(Front front)
{
    if (!std::filesystem::exists(serverScript()))
        throw std::runtime_error("The CouchDB test server is not installed (" + serverScript().string()
            + " is missing). Run scripts/install-test-server.sh.");
    std::string failure;
    for (int attempt = 0; attempt < portAttempts; ++attempt) {
        if (start(failure)) {
            createAccountAndDatabase();
            if (front == Front::relay) {
                try {
                    m_relay = std::make_unique<TcpRelay>(m_port);
                } catch (...) {
                    stop();
                    throw;
                }
            }
            return;
        }
    }
    throw std::runtime_error("The CouchDB test server did not start: " + failure);
}

CouchTestServer::~CouchTestServer()
{
    m_relay.reset();
    stop();
}

void CouchTestServer::stop()
{
    if (m_relay)
        m_relay->stop();
    if (m_pid <= 0)
        return;
    // The server holds nothing worth flushing: everything is in memory.
    ::kill(-m_pid, SIGKILL);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) { }
    m_pid = -1;
}

bool CouchTestServer::start(std::string &failure)
{
    const std::string node = findOnPath("node");
    if (node.empty())
        throw std::runtime_error("The CouchDB test server needs node on PATH. Run scripts/install-deps.sh.");
    m_port = freePort();
    const std::string script = serverScript().string();
    const std::string portText = std::to_string(m_port);
    const std::string config = m_folder.path("config.json").string();
    const std::string log = m_folder.path("server.log").string();
    const std::string folder = m_folder.root().string();
    std::vector<const char *> arguments {node.c_str(), script.c_str(), "--in-memory", "--port", portText.c_str(),
        "--host", "127.0.0.1", "--no-stdout-logs", "--no-color", "--config", config.c_str(), nullptr};

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec: the parent may have other threads.
        ::setpgid(0, 0);
        // A test that crashes or is killed runs no destructor; the server must not outlive it all the same.
        if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
            ::_exit(125);
        const int output = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        const int input = ::open("/dev/null", O_RDONLY);
        if (output < 0 || input < 0 || ::chdir(folder.c_str()) != 0 || ::dup2(input, 0) < 0 || ::dup2(output, 1) < 0
            || ::dup2(output, 2) < 0)
            ::_exit(126);
        ::execv(arguments[0], const_cast<char *const *>(arguments.data()));
        ::_exit(127);
    }
    // Also set here, so that stop() reaches the group even if it runs before the child got to it.
    ::setpgid(pid, pid);
    m_pid = pid;

    const auto deadline = std::chrono::steady_clock::now() + startupDeadline;
    for (int attempt = 0; attempt < startupAttempts && std::chrono::steady_clock::now() < deadline; ++attempt) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            failure = "it exited with status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1)
                + " on port " + portText + ":\n" + readLog(log);
            return false;
        }
        if (request(m_port, "GET", "/").status == 200)
            return true;
        // Connection refused comes back at once; pace the next attempt instead of spinning.
        std::this_thread::sleep_for(startupPacing);
    }
    stop();
    failure = "it did not answer on port " + portText + " within "
        + std::to_string(std::chrono::duration_cast<std::chrono::seconds>(startupDeadline).count()) + " s:\n"
        + readLog(log);
    return false;
}

void CouchTestServer::createAccountAndDatabase()
{
    const std::string admin = std::string(adminName) + ":" + adminPassword;
    const struct
    {
        std::string path;
        std::string body;
        std::string credentials;
    } steps[] = {
        {std::string("/_config/admins/") + adminName, std::string("\"") + adminPassword + "\"", {}},
        {std::string("/_users/org.couchdb.user:") + userName,
            std::string(R"({"name":")") + userName + R"(","password":")" + password + R"(","roles":[],"type":"user"})",
            admin},
        {std::string("/") + databaseName, {}, admin},
    };
    for (const auto &step : steps) {
        const HttpAnswer answer = request(m_port, "PUT", step.path, step.body, step.credentials);
        if (answer.status < 200 || answer.status >= 300) {
            stop();
            throw std::runtime_error("The CouchDB test server refused PUT " + step.path + " (HTTP "
                + std::to_string(answer.status) + "): " + answer.body);
        }
    }
}

void CouchTestServer::changePassword(const std::string &newPassword)
{
    const std::string admin = std::string(adminName) + ":" + adminPassword;
    const std::string path = std::string("/_users/org.couchdb.user:") + userName;
    const HttpAnswer current = request(m_port, "GET", path, {}, admin);
    simdjson::dom::parser parser;
    std::string_view rev;
    if (current.status != 200 || parser.parse(simdjson::padded_string(current.body))["_rev"].get(rev))
        throw std::runtime_error("The CouchDB test server did not hand out the user (HTTP "
            + std::to_string(current.status) + "): " + current.body);
    const HttpAnswer answer = request(m_port, "PUT", path,
        std::string(R"({"_rev":")") + std::string(rev) + R"(","name":")" + userName + R"(","password":")" + newPassword
            + R"(","roles":[],"type":"user"})",
        admin);
    if (answer.status < 200 || answer.status >= 300)
        throw std::runtime_error("The CouchDB test server refused the new password (HTTP "
            + std::to_string(answer.status) + "): " + answer.body);
}

int CouchTestServer::port() const
{
    return m_relay ? m_relay->port() : m_port;
}

TcpRelay &CouchTestServer::relay() const
{
    if (!m_relay)
        throw std::logic_error("this CouchTestServer has no relay in front");
    return *m_relay;
}

void CouchTestServer::goAway()
{
    relay().stop();
}

void CouchTestServer::comeBack()
{
    if (m_pid <= 0)
        throw std::logic_error("the CouchTestServer was stopped for good");
    relay().start();
}

void CouchTestServer::cutNextAnswer()
{
    relay().dropNextAnswer();
}

std::string CouchTestServer::origin() const
{
    return "http://127.0.0.1:" + std::to_string(port());
}

std::string CouchTestServer::databaseURL() const
{
    return databaseURL(userName, password);
}

std::string CouchTestServer::databaseURL(const std::string &user, const std::string &secret) const
{
    std::string encoded;
    for (const char c : secret) {
        if (c == ':' || c == '@' || c == '/' || c == '%') {
            static constexpr char hex[] = "0123456789ABCDEF";
            encoded += '%';
            encoded += hex[static_cast<unsigned char>(c) >> 4];
            encoded += hex[static_cast<unsigned char>(c) & 15];
        } else {
            encoded += c;
        }
    }
    return "http://" + user + ":" + encoded + "@127.0.0.1:" + std::to_string(port()) + "/" + databaseName;
}

std::string CouchTestServer::plainDatabaseURL() const
{
    return origin() + "/" + databaseName;
}

} // namespace tallowin::test
