#include "tests/support/generator/DeckGenerator.h"

#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/document/SourceIdentity.h"
#include "tests/support/generator/DeckRandom.h"
#include "tests/support/generator/DeckText.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <unordered_set>

namespace tallowin::bench {

namespace {

using namespace std::chrono;
using namespace std::string_view_literals;

constexpr TallowinInstant deckStart = TallowinInstant {sys_days {2025y / June / 2}} + hours {8};

struct EventTemplate
{
    std::string_view type;
    std::string_view note;
};

constexpr std::array middleEvents
    = {EventTemplate {"pipeline_updated", "Updated by pipeline input."}, EventTemplate {"next_run", "nextRun"},
        EventTemplate {"delayed", "tomorrow"}, EventTemplate {"resumed", "Returned when its delay expired."},
        EventTemplate {"restored", "restored"}, EventTemplate {"delayed", "Waiting for Jürgen’s reply."}};

constexpr std::array delayTargets = {"custom"sv, "tomorrow"sv, "nextWeek"sv};
constexpr std::array captureOrigins = {"slack_shortcut"sv, "manual"sv, "pipeline"sv, "import"sv};

std::string numberedID(std::size_t number)
{
    std::string digits = std::to_string(number);
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), '0');
    return "KB-" + digits;
}

class Generator
{
public:
    Generator(std::size_t cardCount, std::uint64_t seed)
        : m_cardCount(cardCount)
        , m_random(seed)
    { }

    TallowinDocument run();

private:
    std::string timestamp(TallowinInstant instant)
    {
        m_latest = std::max(m_latest, instant);
        return TallowinClock::now(instant);
    }
    TallowinInstant later(TallowinInstant instant, std::int64_t minMinutes, std::int64_t maxMinutes)
    {
        // One draw per statement: the operands of + may be evaluated in either order, and compilers differ.
        const minutes wholeMinutes {m_random.between(minMinutes, maxMinutes)};
        const milliseconds extra {std::int64_t(m_random.below(60000))};
        return instant + wholeMinutes + extra;
    }
    // UUIDs are unique in practice; the check makes validity independent of luck.
    std::string freshID()
    {
        for (;;) {
            std::string id = m_random.uuid();
            if (m_usedIDs.insert(id).second)
                return id;
        }
    }

    std::vector<TaskState> drawStates();
    TaskSource source(bool withKey);
    TaskItem card(std::size_t index, TaskState state);
    void addHistory(TaskItem &task, TallowinInstant created, const std::string &mergedInto);
    TaskCandidate candidate();
    ScanReport scan(TallowinInstant started, bool complete, const ScanReport *previous);
    void openRun(TallowinDocument &document);

    std::size_t m_cardCount;
    DeckRandom m_random;
    std::unordered_set<std::string> m_usedIDs;
    TallowinInstant m_latest = deckStart;
};

std::vector<TaskState> Generator::drawStates()
{
    std::vector<TaskState> states(m_cardCount);
    for (std::size_t i = 0; i < m_cardCount; ++i) {
        // The first cards take every state once so that even small decks fill every section.
        if (i < allTaskStates.size()) {
            states[i] = allTaskStates[i];
            continue;
        }
        const std::uint64_t draw = m_random.below(100);
        states[i] = draw < 45 ? TaskState::active
            : draw < 57       ? TaskState::delayed
            : draw < 65       ? TaskState::actionRequested
            : draw < 85       ? TaskState::completed
            : draw < 92       ? TaskState::removed
                              : TaskState::merged;
    }
    return states;
}

TaskSource Generator::source(bool withKey)
{
    TaskSource source;
    if (m_random.chance(55)) {
        const std::string conversation = "C0" + m_random.upperAlphanumeric(m_random.between(7, 9));
        const std::string message = "17" + m_random.digits(14);
        source.label = DeckText::channelLabel(m_random);
        source.url = "https://acme.slack.com/archives/" + conversation + "/p" + message;
        if (m_random.chance(20))
            source.url += "?thread_ts=" + message.substr(0, 10) + "." + message.substr(10) + "&cid=" + conversation;
    } else {
        const std::string repository = DeckText::repository(m_random);
        const std::string number = std::to_string(m_random.between(1, 9999));
        source.label = repository + "#" + number;
        source.url = "https://github.com/" + repository + "/pull/" + number;
    }
    if (withKey)
        source.sourceKey = SourceIdentity::sourceKey(source.url);
    return source;
}

TaskItem Generator::card(std::size_t index, TaskState state)
{
    TaskItem task;
    // Most cards carry the numbered form, some the random one of cards made elsewhere.
    task.id = m_random.chance(12) ? "KB-" + freshID() : numberedID(index + 1);
    task.order = m_random.chance(10) ? m_random.between(1, std::int64_t(m_cardCount)) : std::int64_t(index) + 1;
    task.person = DeckText::person(m_random);
    task.title = DeckText::title(m_random);
    task.context = DeckText::context(m_random, m_random.between(130, 460));
    task.kind = allTaskKinds[m_random.below(allTaskKinds.size())];
    task.state = state;
    if (state == TaskState::actionRequested)
        task.instruction = DeckText::instruction(m_random);
    if (state == TaskState::completed)
        task.result = DeckText::result(m_random);
    if (m_random.chance(15))
        task.followUpPerson = DeckText::person(m_random);
    if (m_random.chance(15))
        task.highlighted = m_random.chance(70);
    if (m_random.chance(20))
        task.captureOrigin = std::string(m_random.pick(captureOrigins));
    const std::uint64_t sourceDraw = m_random.below(100);
    const int sourceCount = sourceDraw < 50 ? 1 : sourceDraw < 85 ? 2 : 3;
    for (int i = 0; i < sourceCount; ++i)
        task.sources.push_back(source(m_random.chance(50)));
    return task;
}

void Generator::addHistory(TaskItem &task, TallowinInstant created, const std::string &mergedInto)
{
    // Most cards see a handful of events; few go through many rounds.
    const std::uint64_t countDraw = m_random.below(100);
    const int count = countDraw < 30 ? 4 : countDraw < 60 ? 5 : countDraw < 80 ? 6 : countDraw < 92 ? 7 : 8;
    TallowinInstant at = created;
    task.createdAt = timestamp(at);
    if (m_random.chance(60))
        task.history.push_back({freshID(), task.createdAt, "pipeline_created", "Added by pipeline input."});
    else
        task.history.push_back(
            {freshID(), task.createdAt, "candidate_accepted", DeckText::classificationReason(m_random)});
    for (int i = 1; i + 1 < count; ++i) {
        at = later(at, 5, 3 * 24 * 60);
        const EventTemplate event = middleEvents[m_random.below(middleEvents.size())];
        task.history.push_back({freshID(), timestamp(at), std::string(event.type), std::string(event.note)});
    }

    at = later(at, 5, 3 * 24 * 60);
    TaskHistoryEvent last {freshID(), timestamp(at), "", ""};
    switch (task.state) {
    case TaskState::active:
        if (m_random.chance(30)) {
            task.delayTarget = "nextRun";
            last.type = "next_run";
            last.note = "nextRun";
        } else {
            last.type = "pipeline_updated";
            last.note = "Updated by pipeline input.";
        }
        break;
    case TaskState::delayed:
        task.delayTarget = std::string(m_random.pick(delayTargets));
        task.resumeAt = timestamp(later(at, 60, 14 * 24 * 60));
        last.type = "delayed";
        last.note = m_random.chance(30) ? "Waiting until after the offsite 🏝️" : *task.delayTarget;
        break;
    case TaskState::actionRequested:
        last.type = "action_requested";
        last.note = task.instruction;
        break;
    case TaskState::completed:
        last.type = "completed";
        last.note = task.result;
        for (TaskSource &source : task.sources) {
            if (m_random.chance(70)) {
                source.resolvedAt = last.at;
                source.resolvedItemKey = SourceIdentity::itemKey(source.url, task.title);
            }
        }
        break;
    case TaskState::removed:
        last.type = "removed";
        last.note = "removed";
        break;
    case TaskState::merged:
        task.mergedInto = mergedInto;
        last.type = "merged_into";
        last.note = "Merged into " + mergedInto + ".";
        break;
    }
    task.updatedAt = last.at;
    task.history.push_back(std::move(last));
}

TaskCandidate Generator::candidate()
{
    TaskCandidate candidate;
    candidate.id = freshID();
    candidate.person = DeckText::person(m_random);
    candidate.title = DeckText::title(m_random);
    candidate.context = DeckText::context(m_random, m_random.between(100, 400));
    candidate.kind = allTaskKinds[m_random.below(allTaskKinds.size())];
    candidate.source = source(m_random.chance(30));
    const TallowinInstant seen = later(deckStart, 260 * 24 * 60, 275 * 24 * 60);
    if (m_random.chance(80))
        candidate.sourceAuthor = DeckText::person(m_random);
    if (m_random.chance(70))
        candidate.sourceTimestamp = timestamp(seen - hours {m_random.between(1, 72)});
    candidate.classificationReason = DeckText::classificationReason(m_random);
    // Thousandths, 0 and 1 included: the bounds of the valid range occur.
    if (m_random.chance(85))
        candidate.confidence = double(m_random.below(1001)) / 1000.0;
    candidate.discoveredAt = timestamp(seen);
    return candidate;
}

ScanReport Generator::scan(TallowinInstant started, bool complete, const ScanReport *previous)
{
    ScanReport report;
    const TallowinInstant finished = later(started, 2, 40);
    report.startedAt = timestamp(started);
    report.finishedAt = timestamp(finished);
    report.lowerBoundAt = timestamp(started - days {m_random.between(1, 14)});
    if (complete)
        report.watermarkAt = report.finishedAt;
    if (previous && !previous->isComplete())
        report.resumeOfStartedAt = previous->startedAt;
    report.selfMessages = report.directMessages = report.channels = report.mentions = true;
    report.allPagesRead = complete;
    report.note = complete ? "Read every lane to the end." : DeckText::scanNote(m_random);
    const std::size_t failing = complete ? allScanLanes.size() : m_random.below(allScanLanes.size());
    report.lanes.emplace();
    for (std::size_t i = 0; i < allScanLanes.size(); ++i) {
        ScanLaneEvidence lane;
        lane.lane = allScanLanes[i];
        lane.lowerBoundAt = report.lowerBoundAt;
        lane.upperBoundAt = report.finishedAt;
        lane.conversationsInspected = m_random.between(0, 120);
        lane.pagesRead = m_random.between(1, 12);
        lane.threadsRead = m_random.between(0, 60);
        lane.exhausted = i != failing;
        if (i == failing) {
            lane.failure = "Slack rate limit (HTTP 429) after page " + std::to_string(lane.pagesRead) + ".";
            lane.continuationCursor = "dXNlcjpVMDYxTkZUVDI=" + m_random.digits(6);
            lane.pendingThreadURLs
                = std::vector<std::string> {"https://acme.slack.com/archives/C0RELEASE/p17" + m_random.digits(14),
                    "https://acme.slack.com/archives/C0GENERAL/p17" + m_random.digits(14)};
        } else if (m_random.chance(25)) {
            // Empty leftovers still count as exhausted.
            lane.continuationCursor = "";
            lane.pendingThreadURLs = std::vector<std::string> {};
        }
        report.lanes->push_back(std::move(lane));
    }
    return report;
}

void Generator::openRun(TallowinDocument &document)
{
    std::vector<const std::string *> active;
    for (const TaskItem &task : document.tasks) {
        if (task.state == TaskState::active)
            active.push_back(&task.id);
    }
    if (active.empty())
        return;
    const std::size_t size = std::min(active.size(), 5 + m_cardCount / 100);
    const std::size_t stride = active.size() / size;
    const std::size_t offset = m_random.below(stride);
    document.runID = freshID();
    document.runTaskIDs.emplace();
    for (std::size_t i = 0; i < size; ++i)
        document.runTaskIDs->push_back(*active[offset + i * stride]);
    document.runProcessedIDs.emplace(document.runTaskIDs->begin(), document.runTaskIDs->begin() + size * 2 / 5);
}

TallowinDocument Generator::run()
{
    TallowinDocument document;
    document.version = TallowinDocument::currentVersion;
    document.title = "Tallowin";

    const std::vector<TaskState> states = drawStates();
    std::vector<std::size_t> hosts;
    for (std::size_t i = 0; i < m_cardCount; ++i) {
        if (states[i] != TaskState::merged)
            hosts.push_back(i);
    }
    document.tasks.reserve(m_cardCount);
    for (std::size_t i = 0; i < m_cardCount; ++i)
        document.tasks.push_back(card(i, states[i]));

    // Every merged card points at a live card that lists it back.
    for (std::size_t i = 0; i < m_cardCount; ++i) {
        std::string mergedInto;
        if (states[i] == TaskState::merged) {
            TaskItem &host = document.tasks[hosts[m_random.below(hosts.size())]];
            mergedInto = host.id;
            if (!host.mergedTaskIDs)
                host.mergedTaskIDs.emplace();
            host.mergedTaskIDs->push_back(document.tasks[i].id);
        } else if (m_random.chance(1) && !document.tasks[i].mergedTaskIDs) {
            // Present but empty differs from absent and must survive a round trip.
            document.tasks[i].mergedTaskIDs.emplace();
        }
        addHistory(document.tasks[i], later(deckStart, 0, 270 * 24 * 60), mergedInto);
    }

    openRun(document);

    const std::size_t candidateCount = m_cardCount == 0 ? 0 : std::max<std::size_t>(1, (m_cardCount + 25) / 50);
    for (std::size_t i = 0; i < candidateCount; ++i)
        document.pendingCandidates.push_back(candidate());

    const std::int64_t scanCount = m_random.between(3, 5);
    TallowinInstant scanStart = later(deckStart, 250 * 24 * 60, 255 * 24 * 60);
    for (std::int64_t i = 0; i < scanCount; ++i) {
        const ScanReport *previous = document.scanHistory.empty() ? nullptr : &document.scanHistory.back();
        ScanReport report = scan(scanStart, m_random.chance(60), previous);
        document.scanHistory.push_back(std::move(report));
        scanStart = later(scanStart, 4 * 60, 8 * 60);
    }
    document.lastSlackScan = scan(scanStart, true, &document.scanHistory.back());
    document.lastCompleteSlackScanAt = document.lastSlackScan->finishedAt;

    const std::size_t dismissedCount = m_cardCount / 100 + 2;
    for (std::size_t i = 0; i < dismissedCount; ++i) {
        const std::string url = source(false).url;
        const std::string title = DeckText::title(m_random);
        document.dismissedCandidateKeys.push_back(SourceIdentity::itemKey(url, title));
    }

    document.revision = std::int64_t(m_cardCount) * 3 + m_random.between(1, 97);
    document.updatedAt = TallowinClock::now(m_latest);
    document.validate();
    return document;
}

} // namespace

TallowinDocument generateDeck(std::size_t cardCount, std::uint64_t seed)
{
    return Generator(cardCount, seed).run();
}

std::string generateDeckText(std::size_t cardCount, std::uint64_t seed)
{
    return TaskMarkdownCodec::encode(generateDeck(cardCount, seed));
}

} // namespace tallowin::bench
