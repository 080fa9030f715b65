#include "tests/support/SyncConvergenceRun.h"

#include "TallowinCore/document/TaskContractError.h"
#include "TallowinCore/document/TaskKind.h"
#include "TallowinCore/merge/TallowinSyncError.h"
#include "TallowinCore/merge/TallowinSyncMerge.h"
#include "TallowinCore/workflow/TallowinAppending.h"
#include "TallowinCore/workflow/TallowinCommand.h"
#include "TallowinCore/workflow/TallowinDeciding.h"
#include "TallowinCore/workflow/TallowinDirectEdit.h"
#include "TallowinCore/workflow/TallowinDomainError.h"
#include "TallowinCore/workflow/TallowinReducer.h"
#include "tests/support/DeckBuilders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace tallowin::test {

namespace {

// A field of a card that edits write and conflicts can lose, and how its losing value reads in the note: after
// "; other edit: " for the card's own fields, after "Other result: " for the result of a conflicting decision.
struct TrackedField
{
    const char *name;
    const char *lostAs;
    std::string (*value)(const TaskItem &);
};

const TrackedField trackedFields[] = {
    {"title", "; other edit: ", [](const TaskItem &task) { return task.title; }},
    {"person", "; other edit: ", [](const TaskItem &task) { return task.person; }},
    {"context", "; other edit: ", [](const TaskItem &task) { return task.context; }},
    {"kind", "; other edit: ", [](const TaskItem &task) { return std::string(caseName(task.kind)); }},
    {"instruction", "; other edit: ", [](const TaskItem &task) { return task.instruction; }},
    {"result", "Other result: ", [](const TaskItem &task) { return task.result; }},
};

const TaskItem *findTask(const TallowinDocument &deck, const std::string &id)
{
    for (const auto &task : deck.tasks) {
        if (task.id == id)
            return &task;
    }
    return nullptr;
}

} // namespace

struct SyncConvergenceRun::Device
{
    Device(const TemporaryFolder &folder, const std::string &name, std::shared_ptr<TallowinSyncTransport> transport)
        : name(name)
        , repository(std::make_shared<TallowinRepository>(folder.path(name + "/Tallowin.md")))
        , engine(repository, std::move(transport), folder.path(name + "/CloudSync.json"))
    { }

    std::string name;
    std::shared_ptr<TallowinRepository> repository;
    TallowinSyncEngine engine;
    // The candidates this device accepted or dismissed.
    std::set<std::string> triaged;
};

SyncConvergenceRun::SyncConvergenceRun(ConvergenceCloud &cloud, std::uint64_t seed)
    : m_cloud(cloud)
    , m_random(seed)
    , m_start(*TallowinClock::date("2026-03-14T09:30:00.000Z"))
{
    for (const char *name : {"A", "B"}) {
        std::filesystem::create_directory(m_folder.path(name));
        m_devices.push_back(std::make_unique<Device>(m_folder, name, cloud.connect()));
        m_devices.back()->repository->prepareIfNeeded(makeDocument());
    }
}

SyncConvergenceRun::~SyncConvergenceRun() = default;

const std::set<std::string> &SyncConvergenceRun::allOperations()
{
    static const std::set<std::string> names {"pipeline new card", "pipeline update", "change person",
        "request agent action", "complete", "schedule", "remove", "next review", "tomorrow", "next week", "restore",
        "begin run", "review all", "activate due", "move to back", "merge", "add candidate", "accept candidate",
        "dismiss candidate"};
    return names;
}

TallowinInstant SyncConvergenceRun::now() const
{
    return m_start + std::chrono::seconds(613 * m_round);
}

// Values unique across the run, so that a lost one can be told from any other.
std::string SyncConvergenceRun::serial(const std::string &prefix, const Device &device)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s-%05d-%s", prefix.c_str(), ++m_serial, device.name.c_str());
    return text;
}

// Card text beyond ASCII, so that it crosses the codecs and the server as it must.
std::string SyncConvergenceRun::text(const std::string &prefix, const Device &device)
{
    return serial(prefix, device) + " \u00b7 Gr\u00fc\u00dfe \u2713";
}

std::string SyncConvergenceRun::newCardID()
{
    std::uniform_int_distribution<int> digit(0, 15);
    std::string uuid;
    for (int i = 0; i < 32; ++i) {
        int value = digit(m_random);
        if (i == 12)
            value = 4;
        if (i == 16)
            value = 8 + value % 4;
        uuid += "0123456789abcdef"[value];
        if (i == 7 || i == 11 || i == 15 || i == 19)
            uuid += '-';
    }
    return "KB-" + uuid;
}

template<typename T> const T &SyncConvergenceRun::pick(const std::vector<T> &items)
{
    return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(m_random)];
}

// Half the time one of the oldest few cards, which both devices hold, so that their edits meet often.
const TaskItem *SyncConvergenceRun::pickTask(const TallowinDocument &deck)
{
    if (deck.tasks.empty())
        return nullptr;
    const std::size_t hot = std::min<std::size_t>(deck.tasks.size(), 4);
    const std::size_t range = std::bernoulli_distribution(0.5)(m_random) ? hot : deck.tasks.size();
    return &deck.tasks[std::uniform_int_distribution<std::size_t>(0, range - 1)(m_random)];
}

SyncConvergenceRun::Device &SyncConvergenceRun::other(const Device &device)
{
    return *m_devices[m_devices[0].get() == &device ? 1 : 0];
}

// One random change of the deck; nothing when the chosen change does not apply to it. Throws what the
// operation refuses with.
std::optional<TallowinDocument> SyncConvergenceRun::edit(const Device &device, const TallowinDocument &deck)
{
    const int choice = std::uniform_int_distribution<int>(0, 13)(m_random);
    if (choice <= 3)
        return pipelineEdit(device, deck);
    if (choice >= 12)
        return candidateEdit(device, deck);
    if (choice >= 9)
        return deckCommand(device, deck);
    const TaskItem *task = pickTask(deck);
    if (!task)
        return std::nullopt;
    if (choice == 4) {
        m_operation = "change person";
        return TallowinDirectEdit::changingPerson(deck, task->id, text("P", device), now());
    }
    if (choice == 5) {
        m_operation = "request agent action";
        return TallowinDirectEdit::requestingAgentAction(deck, task->id, text("I", device), now());
    }
    const std::vector<TaskDecision> decisions {TaskDecision::complete(text("R", device)), TaskDecision::tomorrow(),
        TaskDecision::nextWeek(), TaskDecision::remove(), TaskDecision::nextReview(), TaskDecision::restore(),
        TaskDecision::schedule(now() + std::chrono::hours(std::uniform_int_distribution<int>(1, 6)(m_random)))};
    const TaskDecision &decision = pick(decisions);
    static const char *const names[]
        = {"complete", "schedule", "remove", "next review", "tomorrow", "next week", "restore"};
    m_operation = names[static_cast<int>(decision.kind())];
    return TallowinDeciding::deciding(deck, task->id, decision, "", now());
}

// New cards and updates of existing ones, as an agent pipeline sends them.
std::optional<TallowinDocument> SyncConvergenceRun::pipelineEdit(const Device &device, const TallowinDocument &deck)
{
    const std::vector<TaskKind> kinds(allTaskKinds.begin(), allTaskKinds.end());
    const std::string stamp = TallowinClock::now(now());
    std::bernoulli_distribution often(0.6);
    std::bernoulli_distribution sometimes(0.3);
    const TaskItem *task = std::bernoulli_distribution(0.5)(m_random) ? pickTask(deck) : nullptr;
    TaskContract contract;
    if (!task) {
        contract.id = newCardID();
        contract.person = "Me";
        contract.title = text("T", device);
        contract.context = text("C", device);
        contract.kind = pick(kinds);
        if (sometimes(m_random))
            contract.sources.push_back(TaskSource {
                "link", "https://example.com/card/" + serial("S", device), std::nullopt, std::nullopt, std::nullopt});
        m_operation = "pipeline new card";
        return TallowinAppending::appending(deck, {contract}, stamp);
    }
    contract = TaskContract {TaskContract::currentSchemaVersion, task->id, task->person, task->title, task->context,
        task->kind, task->instruction, task->sources};
    if (often(m_random))
        contract.title = text("T", device);
    if (sometimes(m_random))
        contract.context = text("C", device);
    if (sometimes(m_random))
        contract.kind = pick(kinds);
    if (sometimes(m_random))
        contract.person = text("P", device);
    if (sometimes(m_random))
        contract.sources.push_back(TaskSource {
            "link", "https://example.com/card/" + serial("S", device), std::nullopt, std::nullopt, std::nullopt});
    m_operation = "pipeline update";
    return TallowinAppending::appending(deck, {contract}, stamp);
}

std::optional<TallowinDocument> SyncConvergenceRun::deckCommand(const Device &device, const TallowinDocument &deck)
{
    const TaskItem *task = pickTask(deck);
    // Returning due cards gets two chances: it changes something only when a delay has run out.
    switch (std::uniform_int_distribution<int>(0, 5)(m_random)) {
    case 0:
        m_operation = "begin run";
        return TallowinReducer::apply(TallowinCommand::beginRun(), deck, now());
    case 1:
        m_operation = "review all";
        return TallowinReducer::apply(TallowinCommand::beginReviewAll(), deck, now());
    case 2:
    case 5:
        m_operation = "activate due";
        return TallowinReducer::apply(TallowinCommand::activateDueTasks(now()), deck, now());
    case 3: {
        const bool inRun = deck.runTaskIDs && !deck.runTaskIDs->empty();
        if (!inRun && !task)
            return std::nullopt;
        const std::string id = inRun ? pick(*deck.runTaskIDs) : task->id;
        m_operation = "move to back";
        return TallowinReducer::apply(TallowinCommand::moveToBack(id), deck, now());
    }
    default: {
        if (deck.tasks.size() < 2)
            return std::nullopt;
        std::set<std::string> selected {pick(deck.tasks).id};
        if (std::bernoulli_distribution(0.4)(m_random))
            selected.insert(pick(deck.tasks).id);
        const std::string title = std::bernoulli_distribution(0.5)(m_random) ? text("T", device) : std::string();
        m_operation = "merge";
        return TallowinReducer::apply(TallowinCommand::mergeTasks(task->id, selected, title), deck, now());
    }
    }
}

// The agent adds candidates to the inbox; the user accepts or dismisses them.
std::optional<TallowinDocument> SyncConvergenceRun::candidateEdit(const Device &device, const TallowinDocument &deck)
{
    if (deck.pendingCandidates.empty() || std::bernoulli_distribution(0.4)(m_random)) {
        TallowinDocument changed = deck;
        const std::string id = serial("cand", device);
        changed.pendingCandidates.push_back(makeCandidate(id, "https://example.com/item/" + id));
        changed.updatedAt = TallowinClock::now(now());
        m_operation = "add candidate";
        return changed;
    }
    const std::string id = pick(deck.pendingCandidates).id;
    m_triaged = id;
    if (std::bernoulli_distribution(0.5)(m_random)) {
        m_operation = "dismiss candidate";
        return TallowinReducer::apply(TallowinCommand::dismissCandidate(id), deck, now());
    }
    m_operation = "accept candidate";
    return TallowinReducer::apply(TallowinCommand::acceptCandidate(id), deck, now());
}

void SyncConvergenceRun::editAndSave(Device &device)
{
    const TallowinDocument deck = device.repository->load();
    m_triaged.reset();
    std::optional<TallowinDocument> changed;
    try {
        changed = edit(device, deck);
    } catch (const TallowinDomainError &) {
        // Refused as the application refuses it: a merged or missing card, a merge of one card.
        ++m_tally.refusedEdits;
    } catch (const TaskContractError &) {
        ++m_tally.refusedEdits;
    }
    if (!changed || *changed == deck)
        return;
    changed->revision = deck.revision + 1;
    changed->updatedAt = TallowinClock::now(now());
    const TallowinDocument saved = device.repository->save(std::move(*changed), deck.revision);
    ++m_tally.edits;
    m_tally.operations.insert(m_operation);
    track(deck, saved);
    if (m_triaged) {
        device.triaged.insert(*m_triaged);
        m_resolvedCandidates.insert(*m_triaged);
    }
}

// Notes what a local edit wrote and what it replaced; changes that syncs make are what the checks judge.
void SyncConvergenceRun::track(const TallowinDocument &before, const TallowinDocument &after)
{
    for (const auto &task : after.tasks) {
        m_created.insert(task.id);
        const TaskItem *old = findTask(before, task.id);
        for (std::size_t field = 0; field < std::size(trackedFields); ++field) {
            const std::string value = trackedFields[field].value(task);
            const std::optional<std::string> previous
                = old ? std::optional(trackedFields[field].value(*old)) : std::nullopt;
            if (previous == value)
                continue;
            m_written[{task.id, field}].insert(value);
            if (previous)
                m_replaced[{task.id, field}].insert(*previous);
        }
    }
}

void SyncConvergenceRun::sync(Device &device)
{
    const auto attempt = [this](Device &syncing) {
        try {
            const TallowinDocument synced = syncing.engine.synchronize();
            ++m_tally.successfulRuns;
            // The other device may not have heard of the triage yet; this one has, and must not forget it.
            for (const auto &candidate : synced.pendingCandidates) {
                if (syncing.triaged.contains(candidate.id))
                    m_comebacks.push_back(
                        candidate.id + " on " + syncing.name + " in round " + std::to_string(m_round));
            }
        } catch (const TallowinSyncError &error) {
            if (error.kind() == TallowinSyncError::Kind::changedRemotely)
                ++m_tally.changedRemotelyRuns;
            else
                ++m_tally.unavailableRuns;
        }
    };
    switch (std::uniform_int_distribution<int>(0, 11)(m_random)) {
    case 0:
        m_cloud.goAway();
        break;
    case 1:
        m_cloud.goAwayAfterNextFetch();
        break;
    case 2:
        m_cloud.loseNextSaveAnswer();
        break;
    case 3:
        m_cloud.afterNextFetch([this] { m_cloud.rewriteRecord(); });
        break;
    case 4:
        // The other device edits and syncs between this one's fetch and save.
        m_cloud.afterNextFetch([this, &device, attempt] {
            Device &second = other(device);
            editAndSave(second);
            attempt(second);
        });
        break;
    case 5:
        // A local edit while the run is under way, which the apply must merge rather than overwrite.
        m_cloud.afterNextFetch([this, &device] { editAndSave(device); });
        break;
    default:
        break;
    }
    attempt(device);
    m_cloud.restore();
}

void SyncConvergenceRun::play(int rounds)
{
    for (int round = 0; round < rounds; ++round) {
        ++m_round;
        editAndSave(*m_devices[std::uniform_int_distribution<std::size_t>(0, 1)(m_random)]);
        if (std::bernoulli_distribution(0.4)(m_random))
            sync(*m_devices[std::uniform_int_distribution<std::size_t>(0, 1)(m_random)]);
    }
}

bool SyncConvergenceRun::settle()
{
    for (int pass = 0; pass < 10; ++pass) {
        const auto before = m_cloud.record();
        const TallowinDocument a = m_devices[0]->repository->load();
        const TallowinDocument b = m_devices[1]->repository->load();
        for (auto &device : m_devices)
            device->engine.synchronize();
        const auto after = m_cloud.record();
        if (before && after && before->token == after->token && m_devices[0]->repository->load() == a
            && m_devices[1]->repository->load() == b)
            return true;
    }
    return false;
}

void SyncConvergenceRun::expectConverged()
{
    const TallowinDocument a = m_devices[0]->repository->load();
    const TallowinDocument b = m_devices[1]->repository->load();
    EXPECT_TRUE(TallowinSyncMerge::equivalent(a, b));
    const auto record = m_cloud.record();
    ASSERT_TRUE(record);
    EXPECT_TRUE(TallowinSyncMerge::equivalent(record->document, a));

    for (const auto &id : m_created)
        EXPECT_TRUE(findTask(a, id)) << "the card " << id << " was lost";

    m_tally.conflicts = 0;
    std::map<std::string, std::string> notes;
    for (const auto &task : a.tasks) {
        for (const auto &event : task.history) {
            if (event.type == "sync_conflict") {
                notes[task.id] += event.note + "\n";
                ++m_tally.conflicts;
            }
        }
    }
    for (const auto &[key, values] : m_written) {
        const auto &[id, field] = key;
        const TaskItem *task = findTask(a, id);
        if (!task)
            continue;
        const std::string current = trackedFields[field].value(*task);
        const std::set<std::string> &replaced = m_replaced[key];
        for (const auto &value : values) {
            const bool kept = value == current || replaced.contains(value)
                || notes[id].find(trackedFields[field].lostAs + value + "\n") != std::string::npos;
            EXPECT_TRUE(kept) << id << " lost the " << trackedFields[field].name << " \"" << value << "\" (now \""
                              << current << "\")\nconflict notes:\n"
                              << notes[id];
        }
    }

    for (const auto &candidate : a.pendingCandidates)
        EXPECT_FALSE(m_resolvedCandidates.contains(candidate.id)) << candidate.id << " came back to the inbox";
    for (const auto &comeback : m_comebacks)
        ADD_FAILURE() << "the candidate " << comeback << " came back to the inbox of the device that triaged it";
}

} // namespace tallowin::test
