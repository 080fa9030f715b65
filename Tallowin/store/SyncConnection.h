#pragma once

#include "TallowinCore/base/TallowinEnvironment.h"
#include "TallowinCore/base/TallowinSerialExecutor.h"
#include "TallowinCore/sync/TallowinSyncCredentials.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tallowin {

// The sync connection as the settings screen shows and changes it: the configured address and user, what is
// known of the stored password, and the outcome of the last test, save or forget. Saving goes through the same
// setup as tallowin-cli sync-setup: checked against the server, the password into the Secret Service, the address
// without it into the configuration file. The calls wait for the server and perhaps for an unlock prompt, so they
// run on a worker of their own; each reports on the main thread. Lives on the main thread.
class SyncConnection : public QObject
{
    Q_OBJECT

public:
    struct Services
    {
        // Null where sync cannot be set up.
        std::shared_ptr<TallowinSyncCredentials> credentials;
        std::shared_ptr<TallowinSerialExecutor> worker;
        std::shared_ptr<TallowinSerialExecutor> mainThread;
    };

    // What the configuration holds now.
    struct Configured
    {
        std::string databaseURL;
        std::string user;
        bool fromVariable = false;
        // An address set up before the Secret Service, with the password in it.
        bool passwordInAddress = false;

        friend bool operator==(const Configured &, const Configured &) = default;
    };

    struct Outcome
    {
        bool succeeded = false;
        std::string text;

        friend bool operator==(const Outcome &, const Outcome &) = default;
    };

    SyncConnection(Services services, QObject *parent = nullptr);

    bool isAvailable() const { return m_services.credentials != nullptr; }
    const std::optional<Configured> &configured() const { return m_configured; }
    // Why the configuration could not be read, such as a file other users can read.
    const std::optional<std::string> &configurationProblem() const { return m_configurationProblem; }
    // A sentence on the stored password; empty while it is looked up or when there is no account to look for.
    const std::string &passwordStatus() const { return m_passwordStatus; }
    bool isBusy() const { return m_busy; }
    const std::optional<Outcome> &outcome() const { return m_outcome; }

    // Reads the configuration again and looks the password up, without asking to unlock the keyring.
    void refresh();
    // Signs in with the address, user and password typed; with an empty password, with the stored one.
    void test(const std::string &address, const std::string &user, const std::string &password);
    // Checks and keeps them; with an empty password, the one stored for the configured account is kept on.
    void save(const std::string &address, const std::string &user, const std::string &password);
    // Removes the stored password; the address stays.
    void forget();

signals:
    void changed();
    // A save finished, whether it succeeded or not; outcome() tells.
    void saveFinished();
    // A save or a forget changed what sync signs in with.
    void setupChanged();

private:
    enum class Job { test, save, forget };

    // Runs job on the worker; its sentence, or its failure's, becomes the outcome.
    void run(Job kind, std::function<std::string()> job);
    void setBusy(bool busy);

    Services m_services;
    std::optional<Configured> m_configured;
    std::optional<std::string> m_configurationProblem;
    std::string m_passwordStatus;
    bool m_busy = false;
    std::optional<Outcome> m_outcome;
    // Counts lookups, so that only the latest one's answer is shown.
    int m_lookups = 0;
};

} // namespace tallowin
