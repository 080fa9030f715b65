#include "TallowinCore/codec/JsonReadError.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/merge/TallowinSyncError.h"
#include "TallowinCore/merge/TallowinSyncMerge.h"
#include "TallowinCore/storage/TallowinRepositoryError.h"
#include "TallowinCore/sync/TallowinSyncCheckpoint.h"
#include "TallowinCore/sync/TallowinSyncEngine.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/FakeSyncTransport.h"
#include "tests/support/TemporaryFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

namespace tallowin {
namespace {

constexpr const char *later = "2026-03-14T11:00:00.000Z";

bool holdsTask(const TallowinDocument &deck, const std::string &id)
{
    return std::any_of(deck.tasks.begin(), deck.tasks.end(), [&](const TaskItem &task) { return task.id == id; });
}

class TallowinSyncEngineTest : public ::testing::Test
{
protected:
    TallowinSyncEngineTest()
        : repository(std::make_shared<TallowinRepository>(folder.path("Tallowin.md")))
        , cloud(std::make_shared<test::FakeSyncTransport>())
        , engine(repository, cloud, folder.path("CloudSync.json"))
    {
        repository->prepareIfNeeded(test::makeDocument({test::makeTask("KB-001")}));
    }

    std::string deckBytes() const { return folder.read("Tallowin.md"); }
    std::optional<TallowinSyncCheckpoint> checkpoint() const
    {
        return TallowinSyncCheckpoint::read(engine.checkpointPath());
    }

    // The current deck with one more card, saved as the user would.
    void addLocally(const std::string &id)
    {
        TallowinDocument deck = repository->load();
        TaskItem task = test::makeTask(id, static_cast<std::int64_t>(deck.tasks.size()));
        task.updatedAt = task.createdAt = later;
        deck.tasks.push_back(task);
        deck.updatedAt = later;
        const std::int64_t expected = deck.revision++;
        repository->save(deck, expected);
    }

    // A deck from another device: the given cards on top of one shared card.
    static TallowinDocument otherDevice(const std::string &id)
    {
        TaskItem task = test::makeTask(id, 5);
        task.updatedAt = task.createdAt = later;
        TallowinDocument deck = test::makeDocument({test::makeTask("KB-001"), task});
        deck.updatedAt = later;
        return deck;
    }

    template<typename Error> static std::string failureOf(TallowinSyncEngine &engine)
    {
        try {
            engine.synchronize();
        } catch (const Error &error) {
            return error.what();
        }
        return "no failure";
    }

    test::TemporaryFolder folder;
    std::shared_ptr<TallowinRepository> repository;
    std::shared_ptr<test::FakeSyncTransport> cloud;
    TallowinSyncEngine engine;
};

TEST_F(TallowinSyncEngineTest, FirstSyncEverUploadsTheLocalDeckWithoutToken)
{
    const TallowinDocument local = repository->load();
    const TallowinDocument applied = engine.synchronize();

    EXPECT_EQ(applied, local);
    EXPECT_EQ(cloud->saveCount(), 1);
    ASSERT_TRUE(cloud->record());
    EXPECT_TRUE(TallowinSyncMerge::equivalent(cloud->record()->document, local));
    EXPECT_EQ(checkpoint(), (TallowinSyncCheckpoint {"account-1", applied}));
    EXPECT_FALSE(engine.isRunning());
}

TEST_F(TallowinSyncEngineTest, FirstSyncWithACloudDeckBindsTheAccountBeforeMerging)
{
    addLocally("KB-003");
    const TallowinDocument remote = otherDevice("KB-002");
    cloud->store(remote);
    cloud->failNextSave(std::make_exception_ptr(TallowinSyncError::unavailable("Network down.")));

    EXPECT_EQ(failureOf<TallowinSyncError>(engine), "Network down.");
    // The binding checkpoint carries the cloud deck, and the merge used no base: the local file is untouched.
    EXPECT_EQ(checkpoint(), (TallowinSyncCheckpoint {"account-1", remote}));
    EXPECT_FALSE(holdsTask(repository->load(), "KB-002"));

    const TallowinDocument applied = engine.synchronize();
    EXPECT_TRUE(holdsTask(applied, "KB-002"));
    EXPECT_TRUE(holdsTask(applied, "KB-003"));
    EXPECT_EQ(repository->load(), applied);
    EXPECT_EQ(checkpoint(), (TallowinSyncCheckpoint {"account-1", applied}));
}

TEST_F(TallowinSyncEngineTest, FreshDeviceAdoptsTheCloudDeckWhole)
{
    test::TemporaryFolder fresh;
    auto freshRepository = std::make_shared<TallowinRepository>(fresh.path("Tallowin.md"));
    freshRepository->prepareIfNeeded(test::makeDocument());
    TallowinSyncEngine freshEngine(freshRepository, cloud, fresh.path("CloudSync.json"));
    cloud->store(otherDevice("KB-002"));

    const TallowinDocument applied = freshEngine.synchronize();
    EXPECT_TRUE(TallowinSyncMerge::equivalent(applied, otherDevice("KB-002")));
    EXPECT_EQ(cloud->saveCount(), 0);
    EXPECT_EQ(applied.revision, 2);
}

TEST_F(TallowinSyncEngineTest, NothingChangedUploadsNothingButRewritesTheCheckpoint)
{
    const TallowinDocument first = engine.synchronize();
    // A checkpoint without a document proves the second run writes it again.
    TallowinFileOperations operations;
    TallowinSyncCheckpoint::write(engine.checkpointPath(), {"account-1", std::nullopt}, operations);
    const std::string bytes = deckBytes();
    const std::string tag = cloud->record()->token;

    const TallowinDocument second = engine.synchronize();
    EXPECT_EQ(second, first);
    EXPECT_EQ(cloud->saveCount(), 1);
    EXPECT_EQ(cloud->record()->token, tag);
    EXPECT_EQ(deckBytes(), bytes);
    EXPECT_EQ(checkpoint(), (TallowinSyncCheckpoint {"account-1", second}));
}

TEST_F(TallowinSyncEngineTest, SecondCallDuringARunIsTurnedAwayAtOnce)
{
    std::string secondFailure;
    cloud->afterNextFetch([&] {
        EXPECT_TRUE(engine.isRunning());
        try {
            engine.synchronize();
            secondFailure = "no failure";
        } catch (const TallowinRepositoryError &error) {
            EXPECT_EQ(error.kind(), TallowinRepositoryError::Kind::writerBusy);
            secondFailure = error.what();
        }
    });

    const TallowinDocument applied = engine.synchronize();
    EXPECT_EQ(secondFailure, TallowinRepositoryError::writerBusy().what());
    EXPECT_EQ(cloud->fetchCount(), 1);
    EXPECT_EQ(cloud->saveCount(), 1);
    EXPECT_EQ(checkpoint(), (TallowinSyncCheckpoint {"account-1", applied}));
    EXPECT_FALSE(engine.isRunning());
}

TEST_F(TallowinSyncEngineTest, AccountChangeLeavesDeckAndCheckpointAlone)
{
    engine.synchronize();
    addLocally("KB-002");
    const std::string deck = deckBytes();
    const std::string stored = folder.read("CloudSync.json");
    cloud->setAccountID("account-2");

    EXPECT_EQ(failureOf<TallowinSyncError>(engine),
        "This deck belongs to another Apple Account. Sign back into that account to sync. Your local tasks are "
        "safe.");
    EXPECT_EQ(failureOf<TallowinSyncError>(engine), TallowinSyncError::accountChanged().what());
    EXPECT_EQ(deckBytes(), deck);
    EXPECT_EQ(folder.read("CloudSync.json"), stored);
    EXPECT_EQ(cloud->fetchCount(), 1);
    EXPECT_EQ(cloud->saveCount(), 1);
}

TEST_F(TallowinSyncEngineTest, SignedOutAccountFailsBeforeBindingAnything)
{
    cloud->signOut("Sign into iCloud in system settings to sync. Your tasks stay saved on this device.");
    EXPECT_EQ(failureOf<TallowinSyncError>(engine),
        "Sign into iCloud in system settings to sync. Your tasks stay saved on this device.");
    EXPECT_EQ(checkpoint(), std::nullopt);
    EXPECT_EQ(cloud->fetchCount(), 0);
    EXPECT_FALSE(engine.isRunning());
}

TEST_F(TallowinSyncEngineTest, CloudChangedBetweenFetchAndSaveFailsThenMergesOnTheNextRun)
{
    engine.synchronize();
    const TallowinSyncCheckpoint agreed = *checkpoint();
    addLocally("KB-003");
    const std::string deck = deckBytes();
    cloud->afterNextFetch([&] { cloud->store(otherDevice("KB-002")); });

    EXPECT_EQ(failureOf<TallowinSyncError>(engine), "Another device just saved changes. Sync again to combine them.");
    EXPECT_TRUE(holdsTask(cloud->record()->document, "KB-002"));
    EXPECT_FALSE(holdsTask(cloud->record()->document, "KB-003"));
    EXPECT_EQ(deckBytes(), deck);
    EXPECT_EQ(checkpoint(), agreed);

    const TallowinDocument applied = engine.synchronize();
    EXPECT_TRUE(holdsTask(applied, "KB-002"));
    EXPECT_TRUE(holdsTask(applied, "KB-003"));
    EXPECT_TRUE(TallowinSyncMerge::equivalent(cloud->record()->document, applied));
}

TEST_F(TallowinSyncEngineTest, ATagChangeAloneIsRefusedBeforeUpload)
{
    engine.synchronize();
    addLocally("KB-003");
    const int saves = cloud->saveCount();
    cloud->afterNextFetch([&] { cloud->touch(); });

    EXPECT_EQ(failureOf<TallowinSyncError>(engine), TallowinSyncError::changedRemotely().what());
    EXPECT_EQ(cloud->saveCount(), saves);
    EXPECT_FALSE(holdsTask(cloud->record()->document, "KB-003"));
}

TEST_F(TallowinSyncEngineTest, FailedFetchChangesNothingAndTheEngineStaysUsable)
{
    engine.synchronize();
    const std::string stored = folder.read("CloudSync.json");
    addLocally("KB-003");
    const std::string deck = deckBytes();
    cloud->failNextFetch(std::make_exception_ptr(TallowinSyncError::unavailable("Offline.")));

    EXPECT_EQ(failureOf<TallowinSyncError>(engine), "Offline.");
    EXPECT_EQ(deckBytes(), deck);
    EXPECT_EQ(folder.read("CloudSync.json"), stored);
    EXPECT_FALSE(engine.isRunning());
    EXPECT_TRUE(holdsTask(engine.synchronize(), "KB-003"));
}

TEST_F(TallowinSyncEngineTest, LocalEditDuringTheRunIsMergedIntoTheAppliedDeck)
{
    engine.synchronize();
    cloud->store(otherDevice("KB-002"));
    cloud->afterNextFetch([&] { addLocally("KB-004"); });

    const TallowinDocument applied = engine.synchronize();
    EXPECT_TRUE(holdsTask(applied, "KB-002"));
    EXPECT_TRUE(holdsTask(applied, "KB-004"));
    EXPECT_EQ(repository->load(), applied);
    // The checkpoint holds what the cloud holds, not the late edit.
    ASSERT_TRUE(checkpoint() && checkpoint()->document);
    EXPECT_TRUE(TallowinSyncMerge::equivalent(*checkpoint()->document, cloud->record()->document));
    // The cloud learns of the late edit on the next run.
    EXPECT_FALSE(holdsTask(cloud->record()->document, "KB-004"));
    engine.synchronize();
    EXPECT_TRUE(holdsTask(cloud->record()->document, "KB-004"));
}

TEST_F(TallowinSyncEngineTest, FieldEditedDuringTheRunIsNotUndoneByTheNextRun)
{
    engine.synchronize();
    cloud->store(otherDevice("KB-002"));
    cloud->afterNextFetch([&] {
        TallowinDocument deck = repository->load();
        deck.tasks[0].title = "Renamed during the sync";
        deck.tasks[0].updatedAt = deck.updatedAt = later;
        const std::int64_t expected = deck.revision++;
        repository->save(deck, expected);
    });
    engine.synchronize();

    const TallowinDocument next = engine.synchronize();
    ASSERT_TRUE(holdsTask(next, "KB-001"));
    EXPECT_EQ(next.tasks[0].title, "Renamed during the sync");
    EXPECT_EQ(cloud->record()->document.tasks[0].title, "Renamed during the sync");
}

TEST_F(TallowinSyncEngineTest, UnreadableCheckpointIsReportedAndTouchesNothing)
{
    folder.write("CloudSync.json", "{not json");
    const std::string deck = deckBytes();
    EXPECT_THROW(engine.synchronize(), JsonReadError);
    EXPECT_EQ(deckBytes(), deck);
    EXPECT_EQ(cloud->fetchCount(), 0);
    EXPECT_EQ(folder.read("CloudSync.json"), "{not json");
}

TEST_F(TallowinSyncEngineTest, InvalidLocalDeckIsReportedBeforeFetching)
{
    folder.write("Tallowin.md", "no deck here");
    EXPECT_ANY_THROW(engine.synchronize());
    EXPECT_EQ(cloud->fetchCount(), 0);
    EXPECT_FALSE(engine.isRunning());
}

} // namespace
} // namespace tallowin
