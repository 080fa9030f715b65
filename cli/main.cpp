#include "cli/CliContext.h"
#include "cli/ReadCommands.h"
#include "cli/StorageCommands.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

using namespace tallowin;
using namespace tallowin::cli;

namespace {

constexpr int usageError = 2;
constexpr int failure = 1;

} // namespace

int main(int argc, char **argv)
{
    CLI::App app {"Review your Tallowin deck from a terminal.", "tallowin-cli"};
    app.set_version_flag("--version", std::string(TALLOWIN_VERSION));
    app.require_subcommand(1);

    std::optional<std::string> fileOption;
    std::optional<std::string> nowOption;
    app.add_option("--file", fileOption, "The deck file (else TALLOWIN_FILE_PATH, else the default location)");
    app.add_option("--now", nowOption, "The instant to use as now, for example 2026-03-14T09:26:53.589Z");

    std::function<int(const CliContext &)> command;
    auto addCommand = [&](const char *name, const char *description, std::function<int(const CliContext &)> run) {
        CLI::App *sub = app.add_subcommand(name, description);
        sub->callback([&command, run] { command = run; });
        return sub;
    };
    addCommand("check", "Decode, migrate and validate the deck", runCheck);
    addCommand("show", "Print the deck as the file's JSON block", runShow);
    addCommand("render", "Print the deck file's text as it would be written", runRender);
    addCommand("init", "Create the deck from the empty seed when it is missing", runInit);
    std::vector<std::string> importFiles;
    addCommand("import", "Merge other deck files into the deck", [&importFiles](const CliContext &context) {
        return runImport(context, importFiles);
    })->add_option("FILE", importFiles, "Deck files to import")->required();
    addCommand("settings", "Create the settings file when missing and print it", runSettings);

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
        const int status = command(context);
        std::cout.flush();
        return status;
    } catch (const std::exception &error) {
        std::cout.flush();
        std::cerr << error.what() << '\n';
        return failure;
    }
}
