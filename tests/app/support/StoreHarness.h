#pragma once

#include "Tallowin/store/StorePanels.h"
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/base/TallowinClock.h"
#include "tests/app/support/ManualExecutor.h"
#include "tests/app/support/MemoryUserDefaults.h"
#include "tests/support/TemporaryFolder.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tallowin::test {

// Answers the store's panels as a test scripted them.
class ScriptedPanels : public StorePanels
{
public:
    std::optional<std::filesystem::path> importAnswer;
    std::optional<std::filesystem::path> diagnosticsAnswer;
    std::vector<std::string> proposedNames;

    std::optional<std::filesystem::path> chooseImportFile() override { return importAnswer; }
    std::optional<std::filesystem::path> chooseDiagnosticsDestination(const std::string &proposedName) override
    {
        proposedNames.push_back(proposedName);
        return diagnosticsAnswer;
    }
};

// A store over a deck in a temporary folder whose worker and main thread only run when the test says so,
// with a fixed clock, in-memory preferences and scripted panels.
class StoreHarness
{
public:
    StoreHarness();

    TemporaryFolder folder;
    std::filesystem::path deckFile;
    std::shared_ptr<ManualExecutor> mainThread = std::make_shared<ManualExecutor>();
    std::shared_ptr<ManualExecutor> worker = std::make_shared<ManualExecutor>();
    std::shared_ptr<MemoryUserDefaults> defaults = std::make_shared<MemoryUserDefaults>();
    std::shared_ptr<ScriptedPanels> panels = std::make_shared<ScriptedPanels>();
    TallowinInstant now;
    std::map<std::string, std::string> environment;
    // What the default location resolves to; nothing makes it fail.
    std::optional<std::filesystem::path> defaultDeckFile;
    std::vector<std::string> openedLinks;
    bool linksOpen = true;
    int cloudSyncsMade = 0;
    // When set, the store's sync coordinator is real and talks to this transport on the harness's executors;
    // otherwise the store gets none.
    std::shared_ptr<TallowinSyncTransport> cloudTransport;
    // Given to the store as they are; the sync connection's calls then run on the harness's worker.
    std::shared_ptr<TallowinSyncCredentials> syncCredentials;
    std::shared_ptr<DesktopNotifier> notifier;

    TaskStore::Services services();
    // A store on deckFile (explicit location) unless explicitFile is nothing.
    std::unique_ptr<TaskStore> makeStore(
        std::optional<std::filesystem::path> explicitFile, bool observesExternalChanges = false);
    std::unique_ptr<TaskStore> makeStore() { return makeStore(deckFile); }
    // A store that has loaded the deck file, seeding it first when missing.
    std::unique_ptr<TaskStore> loadedStore(const TallowinDocument *initial = nullptr);

    // Runs queued worker jobs and main-thread continuations until both are empty.
    void settle();
    // Runs one worker job and then the continuations it posted.
    void step();
    void writeDeck(const TallowinDocument &document);
    TallowinDocument readDeck() const;
};

} // namespace tallowin::test
