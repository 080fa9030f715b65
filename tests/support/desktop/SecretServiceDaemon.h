#pragma once

#include "tests/support/TemporaryFolder.h"

#include <string>
#include <sys/types.h>

namespace tallowin::test {

// A Secret Service on the test's own session bus (tests/desktop/private-session-bus.sh): GNOME Keyring with a login
// keyring created unlocked in a home of its own, or a stand-in whose keyring is locked and whose unlock prompts
// are dismissed. The constructor returns once the service answers and throws std::runtime_error otherwise,
// including when the test is not on a private bus, so that a test never touches the desktop's real keyring.
// The destructor stops the service and reaps it.
class SecretServiceDaemon
{
public:
    enum class Kind { gnomeKeyring, dismissingStandIn };

    static constexpr const char *busName = "org.freedesktop.secrets";

    explicit SecretServiceDaemon(Kind kind = Kind::gnomeKeyring);
    ~SecretServiceDaemon();
    SecretServiceDaemon(const SecretServiceDaemon &) = delete;
    SecretServiceDaemon &operator=(const SecretServiceDaemon &) = delete;

    // Throws unless the process runs on a private session bus.
    static void requirePrivateBus();
    // Whether anybody owns the name on the session bus.
    static bool nameHasOwner(const std::string &name);

    // Locks the default keyring through the Secret Service's Lock method, as the desktop does after a while.
    void lock();
    // How many items the keyring holds of the given schema, locked ones included.
    int itemCount(const std::string &schema) const;
    // The password stored under these attributes, read by secret-tool, an independent client; empty when none.
    std::string lookUpWithSecretTool(const std::string &database, const std::string &user) const;
    // The stand-in's count of unlock prompts it showed (and dismissed).
    int promptsShown() const;
    // The folder the service keeps its files in, for the scan of everything a test leaves behind.
    const std::filesystem::path &home() const { return m_home.root(); }

private:
    void stop();

    Kind m_kind;
    TemporaryFolder m_home;
    pid_t m_pid = -1;
};

} // namespace tallowin::test
