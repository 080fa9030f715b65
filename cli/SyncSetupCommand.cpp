#include "TallowinCore/sync/TallowinCouchError.h"
#include "TallowinCore/sync/TallowinSecretService.h"
#include "TallowinCore/sync/TallowinSecretServiceError.h"
#include "TallowinCore/sync/TallowinSyncConfiguration.h"
#include "TallowinCore/sync/TallowinSyncSetup.h"
#include "cli/CommandTable.h"
#include "cli/TerminalInput.h"

#include <iostream>
#include <memory>
#include <optional>
#include <string>

// Keeps the sync password in the Secret Service and the address without it in the configuration file. The
// password is typed or piped in, never given as an argument, which every process on the machine could read.

namespace tallowin::cli {

namespace {

constexpr int usageError = 2;
constexpr int failure = 1;

struct SetupOptions
{
    std::optional<std::string> url;
    std::optional<std::string> user;
    bool plainFile = false;
    bool forget = false;
};

int usage(const std::string &sentence)
{
    std::cerr << sentence << '\n';
    return usageError;
}

std::string whereConfigured()
{
    return TallowinSyncConfiguration::isFromVariable() ? std::string(TallowinSyncConfiguration::variable)
                                                       : TallowinSyncConfiguration::configurationFile().string();
}

bool agrees(const std::optional<std::string> &answer)
{
    return answer && (*answer == "y" || *answer == "Y" || *answer == "yes" || *answer == "Yes");
}

int offerMove(const CliContext &context, TallowinPasswordStore &passwords)
{
    const std::optional<std::string> answer = readLine("The sync address in " + whereConfigured()
        + " still carries its password. Move the password into the Secret Service? [y/N] ");
    if (!agrees(answer)) {
        context.out << "Nothing was changed.\n";
        return 0;
    }
    context.out << TallowinSyncSetup::movePasswordIntoStore(passwords) << '\n';
    return 0;
}

int runSetup(const CliContext &context, const SetupOptions &options)
{
    TallowinSecretService passwords;
    if (options.forget) {
        context.out << TallowinSyncSetup::forget(passwords) << '\n';
        return 0;
    }

    TallowinSyncAddress address;
    if (options.url) {
        try {
            address = TallowinSyncAddress::parse(*options.url);
        } catch (const TallowinCouchError &error) {
            return usage(error.what());
        }
        if (address.password)
            return usage("The address carries a password, which every program on this machine can read in the "
                         "process list. Give the address without it; sync-setup asks for the password.");
    } else {
        const std::optional<TallowinSyncAddress> configured = TallowinSyncConfiguration::address();
        if (!configured)
            return usage("Give the address of the sync database: tallowin-cli sync-setup URL --user NAME");
        if (configured->password && !options.plainFile && !options.user)
            return offerMove(context, passwords);
        // The configured account again, with a new password.
        address = *configured;
        address.password.reset();
    }
    if (options.user) {
        if (options.url && !address.user.empty() && address.user != *options.user)
            return usage("The address names the user " + address.user + ", but --user gives " + *options.user + ".");
        address.user = *options.user;
    }
    if (address.user.empty())
        return usage("Give the user name with --user NAME.");

    const std::optional<std::string> password
        = readSecretLine("Password for " + address.account().description() + ": ");
    if (!password || password->empty()) {
        std::cerr << "No password was given, so nothing was changed.\n";
        return failure;
    }
    address.password = *password;
    const auto keeping
        = options.plainFile ? TallowinSyncSetup::Keeping::plainFile : TallowinSyncSetup::Keeping::secretService;
    try {
        context.out << TallowinSyncSetup::setUp(address, keeping, passwords) << '\n';
    } catch (const TallowinSecretServiceError &error) {
        std::cerr << error.what();
        if (error.kind() == TallowinSecretServiceError::Kind::notRunning)
            std::cerr << " Without one, tallowin-cli sync-setup --plain-file keeps the password in a file only you "
                         "can read.";
        std::cerr << '\n';
        return failure;
    }
    return 0;
}

} // namespace

void registerSyncSetupCommand(CommandTable &table)
{
    auto options = std::make_shared<SetupOptions>();
    CLI::App *command = table.add("sync-setup",
        "Check the sync password with the server and keep it in the Secret Service, the address in the configuration "
        "file; asks for the password (typed without echo, or one line of standard input)",
        [options](const CliContext &context) { return runSetup(context, *options); });
    CLI::Option *url = command->add_option("URL", options->url, "The database address, without the password");
    CLI::Option *user = command->add_option("--user", options->user, "The user name on the server");
    CLI::Option *plainFile = command->add_flag("--plain-file", options->plainFile,
        "Keep the password in the owner-only configuration file, for machines without a Secret Service");
    command->add_flag("--forget", options->forget, "Remove the stored password; the address stays")
        ->excludes(url)
        ->excludes(user)
        ->excludes(plainFile);
}

} // namespace tallowin::cli
