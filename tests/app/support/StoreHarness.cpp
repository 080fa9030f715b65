#include "tests/app/support/StoreHarness.h"

#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "tests/support/DeckBuilders.h"

#include <fstream>
#include <stdexcept>

namespace tallowin::test {

StoreHarness::StoreHarness()
    : deckFile(folder.path("Tallowin.md"))
    , now(*TallowinClock::date(fixedTime))
{ }

TaskStore::Services StoreHarness::services()
{
    TaskStore::Services services;
    services.mainThread = mainThread;
    services.worker = worker;
    services.userDefaults = defaults;
    services.panels = panels;
    services.clock = [this] { return now; };
    services.environment = [this](const std::string &name) -> std::optional<std::string> {
        const auto found = environment.find(name);
        if (found == environment.end())
            return std::nullopt;
        return found->second;
    };
    services.defaultDeckFile = [this] {
        if (!defaultDeckFile)
            throw std::runtime_error("No home folder.");
        return *defaultDeckFile;
    };
    services.makeCloudSync = [this, environment = services.environment](
                                 std::shared_ptr<TallowinRepository> repository, const std::filesystem::path &folder) {
        ++cloudSyncsMade;
        if (!cloudTransport)
            return std::shared_ptr<TallowinCloudSync>();
        TallowinCloudSync::Services sync;
        sync.transport = cloudTransport;
        sync.mainThread = mainThread;
        sync.worker = worker;
        sync.environment = environment;
        return std::make_shared<TallowinCloudSync>(std::move(repository), folder, std::move(sync));
    };
    services.syncCredentials = syncCredentials;
    services.notifier = notifier;
    services.openLink = [this](const std::string &link) {
        openedLinks.push_back(link);
        return linksOpen;
    };
    return services;
}

std::unique_ptr<TaskStore> StoreHarness::makeStore(
    std::optional<std::filesystem::path> explicitFile, bool observesExternalChanges)
{
    return std::make_unique<TaskStore>(explicitFile, observesExternalChanges, services());
}

std::unique_ptr<TaskStore> StoreHarness::loadedStore(const TallowinDocument *initial)
{
    if (initial)
        writeDeck(*initial);
    auto store = makeStore();
    store->reload();
    settle();
    if (!store->hasLoaded())
        throw std::runtime_error("the deck did not load: " + store->errorMessage().value_or(""));
    return store;
}

void StoreHarness::settle()
{
    while (worker->runAll() + mainThread->runAll() > 0) { }
}

void StoreHarness::step()
{
    worker->runNext();
    mainThread->runAll();
}

void StoreHarness::writeDeck(const TallowinDocument &document)
{
    const std::string text = TaskMarkdownCodec::encode(document);
    std::ofstream(deckFile, std::ios::binary | std::ios::trunc) << text;
}

TallowinDocument StoreHarness::readDeck() const
{
    TallowinRepository repository(deckFile);
    return repository.load();
}

} // namespace tallowin::test
