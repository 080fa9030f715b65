#pragma once

#include "tests/support/TcpRelay.h"
#include "tests/support/TemporaryFolder.h"

#include <memory>
#include <string>
#include <sys/types.h>

namespace tallowin::test {

// A CouchDB-compatible server (pouchdb-server from tests/server, in memory) on a free port of 127.0.0.1,
// with an admin, one user and one database. The constructor returns once the server answers and throws
// std::runtime_error with the reason otherwise (for instance when scripts/install-test-server.sh has not
// run). The destructor kills the server and reaps it; should the test process die first, the kernel kills the
// server with it (so create the server on a thread that outlives it, such as the test's own).
class CouchTestServer
{
public:
    // With a relay in front, clients reach the server through a port the test can take off the network and
    // bring back, while the server keeps running with what it stored: what a server restart looks like to a
    // client, without the in-memory server losing its data.
    enum class Front { direct, relay };

    static constexpr const char *userName = "tallowin-tester";
    // Characters that must be percent-encoded in a URL, so that credential handling is exercised.
    static constexpr const char *password = "s3cret:p@ss/word";
    static constexpr const char *databaseName = "tallowin";

    explicit CouchTestServer(Front front = Front::direct);
    ~CouchTestServer();
    CouchTestServer(const CouchTestServer &) = delete;
    CouchTestServer &operator=(const CouchTestServer &) = delete;

    // The port clients use: the relay's when there is one.
    int port() const;
    // http://127.0.0.1:PORT
    std::string origin() const;
    // The database with the user's credentials in it.
    std::string databaseURL() const;
    std::string databaseURL(const std::string &user, const std::string &password) const;
    // The database without credentials.
    std::string plainDatabaseURL() const;

    // Kills the server now, for tests of an unreachable database.
    void stop();
    // Gives the user another password on the server, as when they change it there; the old one stops working.
    void changePassword(const std::string &newPassword);

    // Only with a relay: the server becomes unreachable (connections refused, open ones reset) until
    // comeBack(), which makes it answer at the same address with its data.
    void goAway();
    void comeBack();
    // Only with a relay: the next request reaches the server, but its answer is cut off before it arrives.
    void cutNextAnswer();

private:
    bool start(std::string &failure);
    void createAccountAndDatabase();

    TcpRelay &relay() const;

    TemporaryFolder m_folder;
    int m_port = 0;
    pid_t m_pid = -1;
    std::unique_ptr<TcpRelay> m_relay;
};

} // namespace tallowin::test
