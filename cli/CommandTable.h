#pragma once

#include "cli/CliContext.h"

#include <CLI/CLI.hpp>

#include <functional>

namespace tallowin::cli {

using CommandAction = std::function<int(const CliContext &)>;

// The subcommands of tallowin-cli; parsing picks one, whose action then runs with the resolved context.
class CommandTable
{
public:
    explicit CommandTable(CLI::App &app)
        : m_app(app)
    { }

    CLI::App *add(const char *name, const char *description, CommandAction action)
    {
        CLI::App *command = m_app.add_subcommand(name, description);
        command->callback([this, action = std::move(action)] { m_chosen = action; });
        return command;
    }

    const CommandAction &chosen() const { return m_chosen; }

private:
    CLI::App &m_app;
    CommandAction m_chosen;
};

void registerReadCommands(CommandTable &table);
void registerStorageCommands(CommandTable &table);
void registerReviewCommands(CommandTable &table);
void registerDeckCommands(CommandTable &table);
void registerSyncCommands(CommandTable &table);
void registerSyncSetupCommand(CommandTable &table);
void registerDiscoveryCommands(CommandTable &table);

} // namespace tallowin::cli
