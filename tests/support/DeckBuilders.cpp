#include "tests/support/DeckBuilders.h"

namespace tallowin::test {

TaskItem makeTask(const std::string &id, std::int64_t order, TaskState state)
{
    TaskItem task;
    task.id = id;
    task.order = order;
    task.person = "Me";
    task.title = "Task " + id;
    task.context = "Context of " + id;
    task.kind = TaskKind::commitment;
    task.state = state;
    if (state == TaskState::delayed)
        task.resumeAt = "2026-03-15T09:00:00.000Z";
    task.createdAt = fixedTime;
    task.updatedAt = fixedTime;
    return task;
}

TaskHistoryEvent makeEvent(
    const std::string &id, const std::string &at, const std::string &type, const std::string &note)
{
    return TaskHistoryEvent {id, at, type, note};
}

TaskCandidate makeCandidate(const std::string &id, const std::string &url)
{
    TaskCandidate candidate;
    candidate.id = id;
    candidate.person = "Ada";
    candidate.title = "Suggested " + id;
    candidate.context = "Seen in a thread";
    candidate.kind = TaskKind::open;
    candidate.source = TaskSource {"#general", url, std::nullopt, std::nullopt, std::nullopt};
    candidate.classificationReason = "Asked for a follow-up";
    candidate.discoveredAt = fixedTime;
    return candidate;
}

ScanReport makeCompleteScan(const std::string &finishedAt)
{
    ScanReport report;
    report.startedAt = "2026-03-14T08:00:00.000Z";
    report.finishedAt = finishedAt;
    report.selfMessages = report.directMessages = report.channels = report.mentions = report.allPagesRead = true;
    report.note = "Done.";
    return report;
}

TallowinDocument makeDocument()
{
    TallowinDocument document;
    document.version = 2;
    document.revision = 1;
    document.title = "Tallowin";
    document.updatedAt = fixedTime;
    return document;
}

TallowinDocument makeDocument(std::vector<TaskItem> tasks)
{
    TallowinDocument document = makeDocument();
    document.tasks = std::move(tasks);
    return document;
}

} // namespace tallowin::test
