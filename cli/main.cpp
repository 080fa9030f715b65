#include "cli/CliContext.h"
#include "cli/CommandTable.h"

#include "TallowinCore/io/TallowinMappedFile.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>
#include <optional>
#include <string>

using namespace tallowin;
using namespace tallowin::cli;

namespace {

constexpr int usageError = 2;
constexpr int failure = 1;

} // namespace

int main(int argc, char **argv)
{
    // The deck is mapped rather than copied when read; see TallowinMappedFile.
    TallowinMappedFile::exitCleanlyOnTruncation();
    CLI::App app {"Review your Tallowin deck from a terminal.", "tallowin-cli"};
    app.set_version_flag("--version", std::string(TALLOWIN_VERSION));
    app.require_subcommand(1);

    std::optional<std::string> fileOption;
    std::optional<std::string> nowOption;
    app.add_option("--file", fileOption, "The deck file (else TALLOWIN_FILE_PATH, else the default location)");
    app.add_option("--now", nowOption, "The instant to use as now, for example 2026-03-14T09:26:53.589Z");

    CommandTable table(app);
    registerReadCommands(table);
    registerStorageCommands(table);
    registerReviewCommands(table);
    registerDeckCommands(table);
    registerSyncCommands(table);
    registerDiscoveryCommands(table);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp &help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion &version) {
        return app.exit(version);
    } catch (const CLI::ParseError &error) {
        app.exit(error);
        return usageError;
    }

    try {
        const CliContext context {resolveDeckPath(fileOption), resolveNow(nowOption), std::cout};
        const int status = table.chosen()(context);
        std::cout.flush();
        return status;
    } catch (const std::exception &error) {
        std::cout.flush();
        std::cerr << error.what() << '\n';
        return failure;
    }
}
