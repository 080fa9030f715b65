#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/merge/TallowinSyncError.h"
#include "TallowinCore/merge/TallowinSyncMerge.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/sync/TallowinCloudSync.h"
#include "TallowinCore/sync/TallowinCloudTransport.h"
#include "TallowinCore/sync/TallowinCouchClient.h"
#include "TallowinCore/sync/TallowinSyncCheckpoint.h"
#include "TallowinCore/sync/TallowinSyncEngine.h"
#include "tests/support/CouchTestServer.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/InterceptingSyncTransport.h"
#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <simdjson.h>

namespace tallowin {
namespace {

using test::CouchTestServer;

constexpr const char *notSigned = "This local build is not signed for iCloud. Tasks are saved on this Mac.";
constexpr const char *unreadable = "The iCloud deck could not be read. Your local tasks have not changed.";
constexpr auto notificationTimeout = std::chrono::seconds(20);

bool holdsTask(const TallowinDocument &deck, const std::string &id)
{
    return std::any_of(deck.tasks.begin(), deck.tasks.end(), [&](const TaskItem &task) { return task.id == id; });
}

template<typename Fn> TallowinSyncError syncErrorOf(Fn &&fn)
{
    try {
        fn();
    } catch (const TallowinSyncError &error) {
        return error;
    } catch (const std::exception &error) {
        ADD_FAILURE() << "another error was thrown: " << error.what();
    }
    ADD_FAILURE() << "no TallowinSyncError was thrown";
    return TallowinSyncError::unavailable("");
}

template<typename Fn> std::string statusAfter(Fn &&fn)
{
    try {
        fn();
    } catch (...) {
        return TallowinCloudSync::statusText(std::current_exception());
    }
    return TallowinCloudSync::statusText(nullptr);
}

void expectNoCredentials(const std::string &text)
{
    EXPECT_EQ(text.find(CouchTestServer::password), std::string::npos) << text;
    EXPECT_EQ(text.find("s3cret"), std::string::npos) << text;
    EXPECT_EQ(text.find(std::string(CouchTestServer::userName) + ":"), std::string::npos) << text;
}

// One installation of the application: its own deck folder, transport and engine.
struct Device
{
    Device(const std::string &databaseURL, std::vector<TaskItem> tasks)
        : repository(std::make_shared<TallowinRepository>(folder.path("Tallowin.md")))
        , transport(std::make_shared<TallowinCloudTransport>(databaseURL))
        , engine(repository, transport, folder.path("CloudSync.json"))
    {
        repository->prepareIfNeeded(test::makeDocument(std::move(tasks)));
    }

    test::TemporaryFolder folder;
    std::shared_ptr<TallowinRepository> repository;
    std::shared_ptr<TallowinCloudTransport> transport;
    TallowinSyncEngine engine;
};

class CloudTransport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        try {
            server = std::make_unique<CouchTestServer>(front);
        } catch (const std::exception &error) {
            FAIL() << error.what();
        }
    }

    std::unique_ptr<Device> device(std::vector<TaskItem> tasks) const
    {
        return std::make_unique<Device>(server->databaseURL(), std::move(tasks));
    }

    // The deck document as the database holds it, read around the transport.
    std::optional<CouchDocument> storedRecord() const
    {
        return TallowinCouchClient(server->databaseURL()).getDocument(TallowinCloudTransport::recordName);
    }

    CouchTestServer::Front front = CouchTestServer::Front::direct;
    std::unique_ptr<CouchTestServer> server;
};

TEST_F(CloudTransport, FirstSyncOfAnEmptyCloudCreatesTheRecordWithTheDeckFile)
{
    auto first = device({test::makeTask("KB-001")});
    ASSERT_FALSE(storedRecord());

    first->engine.synchronize();

    const std::optional<CouchDocument> record = storedRecord();
    ASSERT_TRUE(record);
    simdjson::dom::parser parser;
    const simdjson::dom::element root = parser.parse(simdjson::padded_string(record->json));
    EXPECT_EQ(std::string_view(root["type"]), "TallowinDocument");
    EXPECT_EQ(std::string_view(root["_attachments"]["markdown"]["content_type"]), "text/markdown");
    const std::string attachment
        = TallowinCouchClient(server->databaseURL()).getAttachment("canonical-tallowin", "markdown", record->rev);
    EXPECT_EQ(attachment, first->folder.read("Tallowin.md"));

    // The account is the signed-in user on that server, which the checkpoint binds the deck to.
    const std::string account = first->transport->accountID();
    EXPECT_EQ(account, std::string(CouchTestServer::userName) + " at " + server->origin());
    const auto checkpoint = TallowinSyncCheckpoint::read(first->engine.checkpointPath());
    ASSERT_TRUE(checkpoint);
    EXPECT_EQ(checkpoint->accountID, account);
    expectNoCredentials(first->folder.read("CloudSync.json"));

    // The fetched change tag is the document's revision.
    const auto snapshot = first->transport->fetch();
    ASSERT_TRUE(snapshot);
    EXPECT_EQ(snapshot->token, record->rev);
    EXPECT_TRUE(holdsTask(snapshot->document, "KB-001"));
}

TEST_F(CloudTransport, ASecondDeviceGetsTheFirstDevicesCardsAndGivesItsOwn)
{
    auto first = device({test::makeTask("KB-001")});
    auto second = device({test::makeTask("KB-002")});

    first->engine.synchronize();
    const TallowinDocument onSecond = second->engine.synchronize();
    EXPECT_TRUE(holdsTask(onSecond, "KB-001"));
    EXPECT_TRUE(holdsTask(onSecond, "KB-002"));
    EXPECT_EQ(TaskMarkdownCodec::decode(second->folder.read("Tallowin.md")).tasks, onSecond.tasks);

    const TallowinDocument onFirst = first->engine.synchronize();
    EXPECT_TRUE(holdsTask(onFirst, "KB-002"));
    EXPECT_EQ(onFirst.tasks, onSecond.tasks);
}

TEST_F(CloudTransport, ConditionalSavesRefuseAStaleChangeTag)
{
    TallowinCloudTransport mine(server->databaseURL());
    TallowinCloudTransport theirs(server->databaseURL());
    const TallowinDocument deck = test::makeDocument({test::makeTask("KB-001")});

    EXPECT_FALSE(mine.fetch());
    mine.save(deck, std::nullopt);
    const auto fetched = theirs.fetch();
    ASSERT_TRUE(fetched);

    // Creating over an existing record is a conflict the server reports.
    TallowinCloudTransport creator(server->databaseURL());
    EXPECT_EQ(syncErrorOf([&] { creator.save(deck, std::nullopt); }).kind(), TallowinSyncError::Kind::changedRemotely);

    // Another device saves first: the server turns the older revision away with 409.
    theirs.save(test::makeDocument({test::makeTask("KB-002")}), fetched->token);
    const std::string theirRevision = storedRecord()->rev;
    const auto held = mine.fetch();
    ASSERT_TRUE(held);
    EXPECT_EQ(held->token, theirRevision);
    theirs.save(test::makeDocument({test::makeTask("KB-003")}), theirRevision);
    const TallowinSyncError conflict = syncErrorOf([&] { mine.save(deck, theirRevision); });
    EXPECT_EQ(conflict.kind(), TallowinSyncError::Kind::changedRemotely);
    EXPECT_EQ(std::string(conflict.what()), "Another device just saved changes. Sync again to combine them.");

    // A token that is not the held one is refused before anything is sent.
    const std::string before = storedRecord()->rev;
    EXPECT_EQ(syncErrorOf([&] { mine.save(deck, "1-0000"); }).kind(), TallowinSyncError::Kind::changedRemotely);
    EXPECT_EQ(storedRecord()->rev, before);
    EXPECT_TRUE(holdsTask(mine.fetch()->document, "KB-003"));
}

TEST_F(CloudTransport, ARecordThatIsNotADeckCannotBeRead)
{
    TallowinCouchClient client(server->databaseURL());
    client.putDocumentWithInlineAttachment(
        "canonical-tallowin", std::nullopt, {{"type", "Something"}}, "markdown", "text/markdown", "# Tallowin\n");
    TallowinCloudTransport transport(server->databaseURL());
    EXPECT_EQ(syncErrorOf([&] { transport.fetch(); }), TallowinSyncError::unavailable(unreadable));

    const auto stored = client.getDocument("canonical-tallowin");
    ASSERT_TRUE(stored);
    client.putDocumentWithInlineAttachment(
        "canonical-tallowin", stored->rev, {{"type", "TallowinDocument"}}, "notes", "text/plain", "not the deck");
    EXPECT_EQ(syncErrorOf([&] { transport.fetch(); }), TallowinSyncError::unavailable(unreadable));
}

TEST_F(CloudTransport, AccountAndFailureMessagesNameNoCredentials)
{
    TallowinCloudTransport wrongPassword(server->databaseURL(CouchTestServer::userName, "not-the-password"));
    EXPECT_EQ(syncErrorOf([&] { wrongPassword.accountID(); }),
        TallowinSyncError::unavailable(
            "Sign into iCloud in system settings to sync. Your tasks stay saved on this device."));

    TallowinCloudTransport unconfigured(std::nullopt);
    EXPECT_EQ(syncErrorOf([&] { unconfigured.accountID(); }), TallowinSyncError::unavailable(notSigned));
    EXPECT_EQ(syncErrorOf([&] { unconfigured.fetch(); }), TallowinSyncError::unavailable(notSigned));
    EXPECT_EQ(syncErrorOf([&] { unconfigured.subscribe(); }), TallowinSyncError::unavailable(notSigned));

    TallowinCloudTransport gone(server->databaseURL());
    server->stop();
    const TallowinSyncError unreachable = syncErrorOf([&] { gone.fetch(); });
    EXPECT_EQ(unreachable.kind(), TallowinSyncError::Kind::unavailable);
    EXPECT_NE(unreachable.message().find(server->plainDatabaseURL()), std::string::npos) << unreachable.message();
    expectNoCredentials(unreachable.message());
}

TEST_F(CloudTransport, EveryRunSignsInWithTheAddressAsItIsThen)
{
    // What the configuration says at each run: first nothing, then a password the server refuses, then the right
    // one; the same transport follows along, as the application's does when the settings change.
    std::vector<std::optional<std::string>> answers {
        std::nullopt, server->databaseURL(CouchTestServer::userName, "old-password"), server->databaseURL()};
    std::size_t asked = 0;
    TallowinCloudTransport transport([&]() -> std::optional<std::string> {
        const std::optional<std::string> answer = answers[std::min(asked, answers.size() - 1)];
        ++asked;
        return answer;
    });
    EXPECT_EQ(syncErrorOf([&] { transport.accountID(); }), TallowinSyncError::unavailable(notSigned));
    EXPECT_EQ(syncErrorOf([&] { transport.accountID(); }),
        TallowinSyncError::unavailable(
            "Sign into iCloud in system settings to sync. Your tasks stay saved on this device."));
    EXPECT_EQ(transport.accountID(), "tallowin-tester at " + server->origin());
    // Within a run the address is not asked for again.
    EXPECT_EQ(transport.fetch(), std::nullopt);
    EXPECT_EQ(asked, 3u);

    // A failure to find the password ends the run with its own sentence, before anything is sent.
    TallowinCloudTransport locked([]() -> std::optional<std::string> {
        throw TallowinSyncError::unavailable("The keyring that holds the sync password is locked.");
    });
    EXPECT_EQ(
        statusAfter([&] { locked.accountID(); }), "Saved locally. The keyring that holds the sync password is locked.");
}

TEST_F(CloudTransport, APushFromOneDevicePostsTheOthersRemoteChange)
{
    auto first = device({test::makeTask("KB-001")});
    auto notifications = std::make_shared<TallowinRemoteChangeCenter>();
    auto listening = std::make_unique<TallowinCloudTransport>(server->databaseURL(), notifications);

    std::promise<void> posted;
    std::atomic<bool> once = false;
    auto observation = notifications->observe(TallowinRemoteChangeCenter::remoteChange, [&] {
        if (!once.exchange(true))
            posted.set_value();
    });
    listening->subscribe();
    listening->subscribe(); // the running listener is kept
    EXPECT_TRUE(listening->isListening());

    first->engine.synchronize();
    EXPECT_EQ(posted.get_future().wait_for(notificationTimeout), std::future_status::ready);

    // Going away cancels the long poll instead of waiting it out.
    const auto started = std::chrono::steady_clock::now();
    listening.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
}

TEST_F(CloudTransport, AServerGoingAwayLeavesTheDeckAsItWas)
{
    auto first = device({test::makeTask("KB-001")});
    first->engine.synchronize();
    const std::string deck = first->folder.read("Tallowin.md");
    const std::string checkpoint = first->folder.read("CloudSync.json");
    const std::string address = server->plainDatabaseURL();

    server->stop();
    const std::string status = statusAfter([&] { first->engine.synchronize(); });
    EXPECT_EQ(status.rfind("Saved locally. Could not reach the cloud database at " + address, 0), 0u) << status;
    expectNoCredentials(status);
    EXPECT_EQ(first->folder.read("Tallowin.md"), deck);
    EXPECT_EQ(first->folder.read("CloudSync.json"), checkpoint);

    // A server at another address is another account: the deck bound to the first is not merged into it.
    CouchTestServer elsewhere;
    auto moved = std::make_shared<TallowinCloudTransport>(elsewhere.databaseURL());
    TallowinSyncEngine engine(first->repository, moved, first->engine.checkpointPath());
    EXPECT_EQ(statusAfter([&] { engine.synchronize(); }),
        "Saved locally. " + std::string(TallowinSyncError::accountChanged().what()));
    EXPECT_EQ(first->folder.read("Tallowin.md"), deck);
}

// The server behind a relay: it drops off the network and comes back at its address with everything it stored,
// as a server that restarts does.
class CloudOutage : public CloudTransport
{
protected:
    CloudOutage() { front = CouchTestServer::Front::relay; }

    void addTask(Device &device, const std::string &id) const
    {
        TallowinDocument deck = device.repository->load();
        deck.tasks.push_back(test::makeTask(id, static_cast<std::int64_t>(deck.tasks.size()) + 1));
        const std::int64_t loaded = deck.revision;
        deck.revision = loaded + 1;
        device.repository->save(std::move(deck), loaded);
    }

    TallowinDocument cloudDeck() const
    {
        const auto snapshot = TallowinCloudTransport(server->databaseURL()).fetch();
        return snapshot ? snapshot->document : TallowinDocument {};
    }

    // The device's transport, wrapped so that a test's action runs in the middle of a run.
    std::shared_ptr<test::InterceptingSyncTransport> intercept(Device &device) const
    {
        return std::make_shared<test::InterceptingSyncTransport>(device.transport);
    }

    std::string unreachableStatus() const
    {
        return "Saved locally. Could not reach the cloud database at " + server->plainDatabaseURL() + ": ";
    }
};

TEST_F(CloudOutage, TheServerComingBackAtItsAddressTakesTheEditsMadeWhileItWasAway)
{
    auto first = device({test::makeTask("KB-001")});
    auto second = device({test::makeTask("KB-002")});
    first->engine.synchronize();
    second->engine.synchronize();

    server->goAway();
    addTask(*first, "KB-003");
    const std::string deck = first->folder.read("Tallowin.md");
    const std::string checkpoint = first->folder.read("CloudSync.json");
    const std::string status = statusAfter([&] { first->engine.synchronize(); });
    EXPECT_EQ(status.rfind(unreachableStatus(), 0), 0u) << status;
    expectNoCredentials(status);
    EXPECT_EQ(first->folder.read("Tallowin.md"), deck);
    EXPECT_EQ(first->folder.read("CloudSync.json"), checkpoint);

    // Same address, same account, same stored deck: the bound device merges with it as before.
    server->comeBack();
    EXPECT_EQ(statusAfter([&] { first->engine.synchronize(); }), "Synced with iCloud");
    const TallowinDocument onFirst = first->repository->load();
    for (const char *id : {"KB-001", "KB-002", "KB-003"})
        EXPECT_TRUE(holdsTask(onFirst, id)) << id;
    EXPECT_TRUE(TallowinSyncMerge::equivalent(cloudDeck(), onFirst));
    EXPECT_EQ(TallowinSyncCheckpoint::read(first->engine.checkpointPath())->document, onFirst);
    EXPECT_TRUE(holdsTask(second->engine.synchronize(), "KB-003"));
}

TEST_F(CloudOutage, AServerGoingAwayBetweenFetchAndSaveLeavesBothSidesAsTheyWere)
{
    auto first = device({test::makeTask("KB-001")});
    first->engine.synchronize();
    addTask(*first, "KB-002");
    const std::string deck = first->folder.read("Tallowin.md");
    const std::string checkpoint = first->folder.read("CloudSync.json");
    const std::string stored = storedRecord()->rev;

    const auto transport = intercept(*first);
    TallowinSyncEngine engine(first->repository, transport, first->engine.checkpointPath());
    transport->actions().afterNextFetch([&] { server->goAway(); });
    const std::string status = statusAfter([&] { engine.synchronize(); });
    EXPECT_EQ(status.rfind(unreachableStatus(), 0), 0u) << status;
    EXPECT_EQ(first->folder.read("Tallowin.md"), deck);
    EXPECT_EQ(first->folder.read("CloudSync.json"), checkpoint);

    server->comeBack();
    EXPECT_EQ(storedRecord()->rev, stored);
    EXPECT_EQ(statusAfter([&] { engine.synchronize(); }), "Synced with iCloud");
    EXPECT_TRUE(holdsTask(cloudDeck(), "KB-002"));
}

TEST_F(CloudOutage, ASaveWhoseAnswerWasLostIsNeitherRepeatedNorTakenForAConflict)
{
    auto first = device({test::makeTask("KB-001")});
    auto second = device({});
    first->engine.synchronize();
    second->engine.synchronize();
    addTask(*first, "KB-002");
    first->engine.synchronize();
    addTask(*second, "KB-003");
    const std::string deck = second->folder.read("Tallowin.md");
    const std::string checkpoint = second->folder.read("CloudSync.json");

    // The server stores the merged deck, but the device only sees the connection reset.
    const auto transport = intercept(*second);
    TallowinSyncEngine engine(second->repository, transport, second->engine.checkpointPath());
    transport->actions().beforeNextSave([&] { server->cutNextAnswer(); });
    const std::string status = statusAfter([&] { engine.synchronize(); });
    EXPECT_EQ(status.rfind(unreachableStatus(), 0), 0u) << status;
    EXPECT_EQ(second->folder.read("Tallowin.md"), deck);
    EXPECT_EQ(second->folder.read("CloudSync.json"), checkpoint);
    const std::string stored = storedRecord()->rev;
    EXPECT_TRUE(holdsTask(cloudDeck(), "KB-003"));

    // The next run finds its own merge in the cloud: nothing to upload, no conflict to note.
    const TallowinDocument onSecond = engine.synchronize();
    EXPECT_EQ(storedRecord()->rev, stored);
    EXPECT_TRUE(TallowinSyncMerge::equivalent(onSecond, cloudDeck()));
    for (const char *id : {"KB-001", "KB-002", "KB-003"})
        EXPECT_TRUE(holdsTask(onSecond, id)) << id;
    for (const auto &task : onSecond.tasks) {
        for (const auto &event : task.history)
            EXPECT_NE(event.type, "sync_conflict") << task.id << ": " << event.note;
    }
}

TEST_F(CloudOutage, AnotherDeviceSavingBetweenFetchAndSaveIsMergedByTheNextRun)
{
    auto first = device({test::makeTask("KB-001")});
    auto second = device({});
    first->engine.synchronize();
    second->engine.synchronize();
    addTask(*first, "KB-002");
    addTask(*second, "KB-003");
    const std::string deck = first->folder.read("Tallowin.md");
    const std::string checkpoint = first->folder.read("CloudSync.json");

    const auto transport = intercept(*first);
    TallowinSyncEngine engine(first->repository, transport, first->engine.checkpointPath());
    transport->actions().afterNextFetch([&] { second->engine.synchronize(); });
    EXPECT_EQ(statusAfter([&] { engine.synchronize(); }),
        "Saved locally. Another device just saved changes. Sync again to combine them.");
    EXPECT_EQ(first->folder.read("Tallowin.md"), deck);
    EXPECT_EQ(first->folder.read("CloudSync.json"), checkpoint);

    const TallowinDocument onFirst = engine.synchronize();
    for (const char *id : {"KB-001", "KB-002", "KB-003"})
        EXPECT_TRUE(holdsTask(onFirst, id)) << id;
    EXPECT_TRUE(TallowinSyncMerge::equivalent(cloudDeck(), onFirst));
}

} // namespace
} // namespace tallowin
