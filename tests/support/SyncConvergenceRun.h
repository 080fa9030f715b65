#pragma once

#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/sync/TallowinSyncEngine.h"
#include "tests/support/ConvergenceCloud.h"
#include "tests/support/TemporaryFolder.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace tallowin::test {

// Two devices, each with its own deck folder, repository and engine, change their decks at random (pipeline
// input, every decision, every deck command, direct edits, the agent's candidates and their triage) and sync
// in random order through one cloud, some runs failing part-way. Everything random comes from the seed, and
// time is passed in: a little over ten minutes later each round, so that delayed cards fall due. Runs on the
// calling thread only.
class SyncConvergenceRun
{
public:
    struct Tally
    {
        int edits = 0;
        int refusedEdits = 0;
        int successfulRuns = 0;
        // Runs that failed with TallowinSyncError::unavailable, and with changedRemotely.
        int unavailableRuns = 0;
        int changedRemotelyRuns = 0;
        // The "sync_conflict" events of the settled deck.
        int conflicts = 0;
        // The kinds of edit that changed a deck at least once.
        std::set<std::string> operations;
    };

    // Every kind of edit the run makes.
    static const std::set<std::string> &allOperations();

    SyncConvergenceRun(ConvergenceCloud &cloud, std::uint64_t seed);
    ~SyncConvergenceRun();
    SyncConvergenceRun(const SyncConvergenceRun &) = delete;
    SyncConvergenceRun &operator=(const SyncConvergenceRun &) = delete;

    // Each round changes the deck of one device and, now and then, syncs one of them.
    void play(int rounds);
    // Syncs the devices in turn until a whole pass changes neither the cloud nor either deck; false when ten
    // passes are not enough. Every sync must succeed.
    bool settle();
    // Checks the settled devices with gtest: both decks and the cloud copy are equivalent; every card ever
    // created is there; every value a device wrote into a card is still the card's, was replaced by a later
    // edit, or lost a conflict and stands in a "sync_conflict" note; no candidate that was accepted or
    // dismissed is pending again.
    void expectConverged();

    const Tally &tally() const { return m_tally; }

private:
    struct Device;
    // A card and one of its fields: the values written there and those a later edit replaced.
    using FieldKey = std::pair<std::string, std::size_t>;

    TallowinInstant now() const;
    std::string serial(const std::string &prefix, const Device &device);
    std::string text(const std::string &prefix, const Device &device);
    std::string newCardID();
    template<typename T> const T &pick(const std::vector<T> &items);
    const TaskItem *pickTask(const TallowinDocument &deck);

    std::optional<TallowinDocument> edit(const Device &device, const TallowinDocument &deck);
    std::optional<TallowinDocument> pipelineEdit(const Device &device, const TallowinDocument &deck);
    std::optional<TallowinDocument> deckCommand(const Device &device, const TallowinDocument &deck);
    std::optional<TallowinDocument> candidateEdit(const Device &device, const TallowinDocument &deck);
    void editAndSave(Device &device);
    void track(const TallowinDocument &before, const TallowinDocument &after);
    void sync(Device &device);
    Device &other(const Device &device);

    TemporaryFolder m_folder;
    ConvergenceCloud &m_cloud;
    std::vector<std::unique_ptr<Device>> m_devices;
    std::mt19937_64 m_random;
    TallowinInstant m_start;
    int m_round = 0;
    int m_serial = 0;
    Tally m_tally;

    std::set<std::string> m_created;
    std::map<FieldKey, std::set<std::string>> m_written;
    std::map<FieldKey, std::set<std::string>> m_replaced;
    std::set<std::string> m_resolvedCandidates;
    std::vector<std::string> m_comebacks;
    // What the edit being computed does, and the candidate it accepts or dismisses.
    std::string m_operation;
    std::optional<std::string> m_triaged;
};

} // namespace tallowin::test
