#include "TallowinCore/merge/TallowinSyncError.h"
#include "TallowinCore/sync/TallowinCloudTransport.h"
#include "TallowinCore/sync/TallowinCouchClient.h"
#include "tests/support/ConvergenceCloud.h"
#include "tests/support/CouchTestServer.h"
#include "tests/support/FakeSyncTransport.h"
#include "tests/support/InterceptingSyncTransport.h"
#include "tests/support/SyncConvergenceRun.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace tallowin {
namespace {

using test::CouchTestServer;

// The in-memory cloud, with its switches standing in for the network.
class FakeCloud : public test::ConvergenceCloud
{
public:
    std::shared_ptr<TallowinSyncTransport> connect() override { return m_fake; }
    void goAway() override { m_fake->failNextFetch(offline()); }
    void goAwayAfterNextFetch() override { m_fake->failNextSave(offline()); }
    void loseNextSaveAnswer() override { m_fake->loseNextSaveAnswer(offline()); }
    void afterNextFetch(std::function<void()> action) override { m_fake->afterNextFetch(std::move(action)); }
    void rewriteRecord() override { m_fake->touch(); }
    void restore() override { m_fake->clearSwitches(); }
    std::optional<TallowinRemoteSnapshot> record() override { return m_fake->record(); }

private:
    static std::exception_ptr offline() { return std::make_exception_ptr(TallowinSyncError::unavailable("Offline.")); }

    std::shared_ptr<test::FakeSyncTransport> m_fake = std::make_shared<test::FakeSyncTransport>();
};

// A real server behind a relay: going away refuses connections and resets open ones, a lost answer is a reset
// after the server stored the save, and the other writer is a conditional PUT of its own.
class CouchCloud : public test::ConvergenceCloud
{
public:
    std::shared_ptr<TallowinSyncTransport> connect() override
    {
        return std::make_shared<test::InterceptingSyncTransport>(
            std::make_shared<TallowinCloudTransport>(m_server.databaseURL()), m_actions);
    }
    void goAway() override { m_server.goAway(); }
    void goAwayAfterNextFetch() override
    {
        m_actions->afterNextFetch([this] { m_server.goAway(); });
    }
    void loseNextSaveAnswer() override
    {
        m_actions->beforeNextSave([this] { m_server.cutNextAnswer(); });
    }
    void afterNextFetch(std::function<void()> action) override { m_actions->afterNextFetch(std::move(action)); }
    void rewriteRecord() override
    {
        const TallowinCouchClient writer(m_server.databaseURL());
        const auto stored = writer.getDocument(TallowinCloudTransport::recordName);
        if (!stored)
            return;
        const std::string deck = writer.getAttachment(
            TallowinCloudTransport::recordName, TallowinCloudTransport::attachmentName, stored->rev);
        const CouchSaveResult saved = writer.putDocumentWithInlineAttachment(TallowinCloudTransport::recordName,
            stored->rev, {{"type", TallowinCloudTransport::recordType}}, TallowinCloudTransport::attachmentName,
            "text/markdown", deck);
        ASSERT_EQ(saved.outcome, CouchSaveResult::Outcome::saved);
    }
    void restore() override
    {
        m_actions->clear();
        m_server.comeBack();
    }
    std::optional<TallowinRemoteSnapshot> record() override { return m_observer.fetch(); }

private:
    CouchTestServer m_server {CouchTestServer::Front::relay};
    std::shared_ptr<test::InterceptingSyncTransport::Actions> m_actions
        = std::make_shared<test::InterceptingSyncTransport::Actions>();
    TallowinCloudTransport m_observer {m_server.databaseURL()};
};

constexpr int rounds = 320;

// Random edits on two devices with syncs in random order, some failing part-way. Afterwards both decks must
// agree with each other and the cloud, no card may be lost, and every value that lost a conflict must
// survive in a "sync_conflict" note. Returns what the run did.
test::SyncConvergenceRun::Tally expectConvergence(test::ConvergenceCloud &cloud, std::uint64_t seed)
{
    test::SyncConvergenceRun run(cloud, seed);
    run.play(rounds);
    EXPECT_TRUE(run.settle()) << "the devices did not settle";
    run.expectConverged();
    const auto &tally = run.tally();
    EXPECT_GT(tally.edits, rounds / 2);
    EXPECT_GT(tally.successfulRuns, 50);
    EXPECT_GT(tally.unavailableRuns, 5);
    EXPECT_GT(tally.changedRemotelyRuns, 5);
    return tally;
}

// The runs together must have exercised what they claim to: every kind of edit, and conflicts to record.
void expectEverythingExercised(const std::vector<test::SyncConvergenceRun::Tally> &tallies)
{
    std::set<std::string> operations;
    int conflicts = 0;
    for (const auto &tally : tallies) {
        operations.insert(tally.operations.begin(), tally.operations.end());
        conflicts += tally.conflicts;
    }
    EXPECT_EQ(operations, test::SyncConvergenceRun::allOperations());
    EXPECT_GT(conflicts, 10 * static_cast<int>(tallies.size()));
}

TEST(TallowinSyncConvergence, TwoDevicesMeetingInAFakeCloudConverge)
{
    std::vector<test::SyncConvergenceRun::Tally> tallies;
    for (const std::uint64_t seed : {20260314u, 7u, 1234567u, 99u, 31337u, 1024u}) {
        SCOPED_TRACE(seed);
        FakeCloud cloud;
        tallies.push_back(expectConvergence(cloud, seed));
    }
    expectEverythingExercised(tallies);
}

TEST(TallowinSyncConvergence, TwoDevicesMeetingOnARealServerConverge)
{
    std::vector<test::SyncConvergenceRun::Tally> tallies;
    for (const std::uint64_t seed : {20260315u, 11u, 424242u}) {
        SCOPED_TRACE(seed);
        std::unique_ptr<CouchCloud> cloud;
        try {
            cloud = std::make_unique<CouchCloud>();
        } catch (const std::exception &error) {
            FAIL() << error.what();
        }
        tallies.push_back(expectConvergence(*cloud, seed));
    }
    expectEverythingExercised(tallies);
}

} // namespace
} // namespace tallowin
