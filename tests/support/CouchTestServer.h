#pragma once

#include "tests/support/TemporaryFolder.h"

#include <string>
#include <sys/types.h>

namespace tallowin::test {

// A CouchDB-compatible server (pouchdb-server from tests/server, in memory) on a free port of 127.0.0.1,
// with an admin, one user and one database. The constructor returns once the server answers and throws
// std::runtime_error with the reason otherwise (for instance when scripts/install-test-server.sh has not
// run). The destructor kills the server and reaps it.
class CouchTestServer
{
public:
    static constexpr const char *userName = "tallowin-tester";
    // Characters that must be percent-encoded in a URL, so that credential handling is exercised.
    static constexpr const char *password = "s3cret:p@ss/word";
    static constexpr const char *databaseName = "tallowin";

    CouchTestServer();
    ~CouchTestServer();
    CouchTestServer(const CouchTestServer &) = delete;
    CouchTestServer &operator=(const CouchTestServer &) = delete;

    int port() const { return m_port; }
    // http://127.0.0.1:PORT
    std::string origin() const;
    // The database with the user's credentials in it.
    std::string databaseURL() const;
    std::string databaseURL(const std::string &user, const std::string &password) const;
    // The database without credentials.
    std::string plainDatabaseURL() const;

    // Kills the server now, for tests of an unreachable database.
    void stop();

private:
    bool start(std::string &failure);
    void createAccountAndDatabase();

    TemporaryFolder m_folder;
    int m_port = 0;
    pid_t m_pid = -1;
};

} // namespace tallowin::test
