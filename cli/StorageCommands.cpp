#include "cli/StorageCommands.h"

#include "TallowinCore/io/TallowinFileLocation.h"
#include "TallowinCore/settings/TallowinSettingsFile.h"
#include "TallowinCore/settings/TallowinSettingsTOML.h"
#include "cli/CommandTable.h"
#include "cli/ReadCommands.h"
#include "cli/WritePath.h"

#include <memory>
#include <ostream>

namespace tallowin::cli {

int runInit(const CliContext &context)
{
    openRepository(context)->prepareIfNeeded(emptySeed(context));
    return runCheck(context);
}

int runImport(const CliContext &context, const std::vector<std::string> &files)
{
    std::vector<std::filesystem::path> paths;
    paths.reserve(files.size());
    for (const std::string &file : files)
        paths.push_back(std::filesystem::absolute(file));
    const TallowinImportReport report = openRepository(context)->importFiles(paths);
    context.out << report.summary() << '\n';
    for (const TallowinImportReport::Source &source : report.sources) {
        context.out << source.path.string() << ": " << rawValue(source.outcome);
        if (source.reason)
            context.out << ". " << *source.reason;
        context.out << '\n';
    }
    return 0;
}

int runSettings(const CliContext &context)
{
    const TallowinSettings settings
        = TallowinSettingsFile::loadOrCreate(TallowinFileLocation::settingsPath(context.deckPath));
    context.out << TallowinSettingsTOML::encode(settings);
    return 0;
}

void registerStorageCommands(CommandTable &table)
{
    table.add("init", "Create the deck from the empty seed when it is missing", runInit);
    auto files = std::make_shared<std::vector<std::string>>();
    table
        .add("import", "Merge other deck files into the deck",
            [files](const CliContext &context) { return runImport(context, *files); })
        ->add_option("FILE", *files, "Deck files to import")
        ->required();
    table.add("settings", "Create the settings file when missing and print it", runSettings);
}

} // namespace tallowin::cli
