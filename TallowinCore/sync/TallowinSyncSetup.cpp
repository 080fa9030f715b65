#include "TallowinCore/sync/TallowinSyncSetup.h"

#include "TallowinCore/merge/TallowinSyncError.h"
#include "TallowinCore/sync/TallowinCouchClient.h"
#include "TallowinCore/sync/TallowinCouchError.h"
#include "TallowinCore/sync/TallowinSecretServiceError.h"
#include "TallowinCore/sync/TallowinSyncConfiguration.h"

namespace tallowin {

namespace {

constexpr const char *notSetUpMessage = "Sync is not set up: no database address is configured.";

// The variable comes before the file, so an address kept in the file is not the one in use while it is set.
std::string variableNotice(const Environment &environment)
{
    if (!TallowinSyncConfiguration::isFromVariable(environment))
        return {};
    return std::string(" ") + TallowinSyncConfiguration::variable
        + " is set and comes before that file; unset it to use the address kept there.";
}

std::string fileName(const Environment &environment)
{
    return TallowinSyncConfiguration::configurationFile(environment).string();
}

} // namespace

std::string TallowinSyncSetup::check(const TallowinSyncAddress &address)
{
    // A user the server does not know signs in nobody, which session() reports as refused credentials.
    const std::string user = TallowinCouchClient(address.withPassword()).session();
    return "Signed in to " + address.databaseURL + " as " + user + ".";
}

std::string TallowinSyncSetup::setUp(const TallowinSyncAddress &address, Keeping keeping,
    TallowinPasswordStore &passwords, const Environment &environment)
{
    check(address);
    const std::string file = fileName(environment);
    if (keeping == Keeping::plainFile) {
        TallowinSyncConfiguration::writeDatabaseURL(address.withPassword(), environment);
        return "Stored the address with the password for " + address.account().description() + " in " + file
            + ", a file only you can read. The password is in plain text there, so anyone who can read your files "
              "(a backup, another program running as you) can read it too."
            + variableNotice(environment);
    }
    const std::string where = passwords.store(address.account(), address.password.value_or(""));
    TallowinSyncConfiguration::writeDatabaseURL(address.withoutPassword(), environment);
    return "Stored the password for " + address.account().description() + " in " + where
        + ". The address, without the password, is in " + file + "." + variableNotice(environment);
}

std::string TallowinSyncSetup::movePasswordIntoStore(TallowinPasswordStore &passwords, const Environment &environment)
{
    std::optional<TallowinSyncAddress> configured = TallowinSyncConfiguration::address(environment);
    if (!configured)
        throw TallowinSyncError::unavailable(notSetUpMessage);
    if (!configured->password)
        return "The address in use carries no password; there is nothing to move.";
    const std::string where = passwords.store(configured->account(), *configured->password);
    TallowinSyncConfiguration::writeDatabaseURL(configured->withoutPassword(), environment);
    std::string sentence = "Moved the password for " + configured->account().description() + " into " + where
        + ". The address, without the password, is in " + fileName(environment) + ".";
    if (TallowinSyncConfiguration::isFromVariable(environment))
        sentence += std::string(" Remove the password from ") + TallowinSyncConfiguration::variable
            + ", or unset it, so that it is nowhere else.";
    return sentence;
}

std::string TallowinSyncSetup::forget(TallowinPasswordStore &passwords, const Environment &environment)
{
    std::optional<TallowinSyncAddress> configured = TallowinSyncConfiguration::address(environment);
    if (!configured)
        throw TallowinSyncError::unavailable(notSetUpMessage);
    std::string done;
    const std::string description = configured->account().description();
    if (configured->password && !TallowinSyncConfiguration::isFromVariable(environment)) {
        TallowinSyncConfiguration::writeDatabaseURL(configured->withoutPassword(), environment);
        done = "Removed the password for " + description + " from " + fileName(environment) + ".";
    }
    try {
        if (passwords.forget(configured->account()))
            done += (done.empty() ? "" : " ")
                + ("Removed the sync password for " + description + " from the Secret Service.");
    } catch (const TallowinSecretServiceError &) {
        // A machine that kept the password in the file may well have no Secret Service.
        if (done.empty())
            throw;
    }
    if (configured->password && TallowinSyncConfiguration::isFromVariable(environment))
        done += (done.empty() ? "" : " ") + std::string("The password is part of ")
            + TallowinSyncConfiguration::variable + "; remove it there.";
    if (done.empty())
        return "No sync password is stored for " + description + ".";
    return done;
}

} // namespace tallowin
