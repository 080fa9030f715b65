#include "TallowinCore/discovery/TallowinDiagnosticsReport.h"

#include "TallowinCore/document/TaskOrder.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

namespace tallowin {

namespace {

constexpr std::string_view yesNo(bool value)
{
    return value ? "true" : "false";
}

std::string orUnknown(const std::string &text)
{
    return text.empty() ? "unknown" : text;
}

std::string joined(const std::vector<std::string> &items, std::string_view separator)
{
    std::string result;
    for (std::size_t index = 0; index < items.size(); ++index) {
        if (index > 0)
            result += separator;
        result += items[index];
    }
    return result;
}

std::string idsOrNone(const std::optional<std::vector<std::string>> &ids)
{
    return ids && !ids->empty() ? joined(*ids, ", ") : "none";
}

std::size_t countIn(const std::vector<TaskItem> &tasks, TaskState state)
{
    return static_cast<std::size_t>(
        std::count_if(tasks.begin(), tasks.end(), [state](const TaskItem &task) { return task.state == state; }));
}

// Highlighted cards first, then ascending order; cards that tie keep their place in the deck.
std::vector<const TaskItem *> inTaskOrder(const std::vector<TaskItem> &tasks)
{
    std::vector<const TaskItem *> ordered;
    ordered.reserve(tasks.size());
    for (const TaskItem &task : tasks)
        ordered.push_back(&task);
    std::stable_sort(ordered.begin(), ordered.end(),
        [](const TaskItem *a, const TaskItem *b) { return TaskOrder::precedes(*a, *b); });
    return ordered;
}

std::string pile(const TaskItem &task)
{
    switch (task.state) {
    case TaskState::completed:
    case TaskState::merged:
    case TaskState::removed:
        return std::string(rawValue(task.state));
    case TaskState::actionRequested:
        return "with_chatgpt";
    case TaskState::active:
    case TaskState::delayed:
        break;
    }
    return task.delayTarget.value_or("active");
}

void appendTaskRow(std::string &out, const TaskItem &task)
{
    out += "| " + task.id + " | ";
    out += rawValue(task.state);
    out += " | " + pile(task) + " | " + task.resumeAt.value_or("") + " | " + task.updatedAt + " | ";
    for (const TaskHistoryEvent &event : task.history) {
        if (&event != &task.history.front())
            out += ", ";
        out += event.type;
    }
    out += " |\n";
}

std::string laneEntry(const ScanLaneEvidence &lane)
{
    std::string entry(rawValue(lane.lane));
    entry += ": pages=" + std::to_string(lane.pagesRead);
    entry += ", threads=" + std::to_string(lane.threadsRead);
    entry += ", exhausted=";
    entry += yesNo(lane.exhausted);
    entry += ", cursor=";
    entry += lane.continuationCursor ? "saved" : "none";
    entry += ", pendingThreads=" + std::to_string(lane.pendingThreadURLs ? lane.pendingThreadURLs->size() : 0);
    entry += ", failure=" + lane.failure.value_or("none");
    return entry;
}

void appendScanLine(std::string &out, const ScanReport &scan)
{
    out += "- " + scan.startedAt + " to " + scan.finishedAt;
    out += ", lower bound " + scan.lowerBoundAt.value_or("none");
    out += ", complete ";
    out += yesNo(scan.isComplete());
    out += ", note " + scan.note + ": ";
    if (scan.lanes) {
        for (const ScanLaneEvidence &lane : *scan.lanes) {
            if (&lane != &scan.lanes->front())
                out += "; ";
            out += laneEntry(lane);
        }
    }
    out += '\n';
}

void appendImport(std::string &out, const TallowinImportReport &report)
{
    out += report.summary() + "\n";
    for (const TallowinImportReport::Source &source : report.sources) {
        if (&source != &report.sources.front())
            out += '\n';
        out += "- " + source.path.string() + ": ";
        out += rawValue(source.outcome);
        out += ". " + source.reason.value_or("");
    }
    out += '\n';
}

} // namespace

std::string TallowinDiagnosticsReport::build(const TallowinDiagnosticsInput &input, TallowinInstant now)
{
    const TallowinDocument &document = input.document;
    const TallowinSettings &settings = input.settings;
    std::string out;
    out.reserve(1024 + document.tasks.size() * 128);

    out += "# Tallowin diagnostics\n\n";
    out += "Exported: " + TallowinClock::now(now) + "\n";
    out += "App: " + orUnknown(input.shortVersion) + " (" + orUnknown(input.buildNumber) + ")\n";
    // The wording of the platform the report format was made for.
    out += "macOS: " + orUnknown(input.operatingSystemVersion) + "\n";
    out += "Canonical file: " + input.filePath.string() + "\n";
    out += "Settings file: " + input.settingsFilePath.string() + "\n";
    out += "Automatic scan: ";
    out += yesNo(settings.automaticScanEnabled);
    out += "\nScan interval hours: " + std::to_string(settings.scanIntervalHours) + "\n";
    out += "VIP count: " + std::to_string(settings.vipNames.size()) + "\n";
    out += "VIP activity/comments/pushed changes: ";
    out += yesNo(settings.trackVIPActivity);
    out += "/";
    out += yesNo(settings.trackVIPComments);
    out += "/";
    out += yesNo(settings.trackVIPPushedChanges);
    out += "\nDocument version: " + std::to_string(document.version) + "\n";
    out += "Revision: " + std::to_string(document.revision) + "\n";
    out += "Updated: " + document.updatedAt + "\n";
    out += "Run ID: " + document.runID.value_or("none") + "\n";
    out += "Run tasks: " + idsOrNone(document.runTaskIDs) + "\n";
    out += "Processed tasks: " + idsOrNone(document.runProcessedIDs) + "\n";
    out += "Active: " + std::to_string(countIn(document.tasks, TaskState::active)) + "\n";
    out += "Delayed: " + std::to_string(countIn(document.tasks, TaskState::delayed)) + "\n";
    out += "With ChatGPT: " + std::to_string(countIn(document.tasks, TaskState::actionRequested)) + "\n";
    out += "Completed: " + std::to_string(countIn(document.tasks, TaskState::completed)) + "\n";
    out += "Merged: " + std::to_string(countIn(document.tasks, TaskState::merged)) + "\n";
    out += "Removed: " + std::to_string(countIn(document.tasks, TaskState::removed)) + "\n";

    out += "\n## Activity by task\n\n";
    out += "Task text and source URLs are omitted. Event names remain for diagnosis.\n\n";
    out += "| Task | State | Pile | Resume at | Updated | Events |\n";
    out += "| --- | --- | --- | --- | --- | --- |\n";
    if (document.tasks.empty())
        out += "| None | | | | | |\n";
    for (const TaskItem *task : inTaskOrder(document.tasks))
        appendTaskRow(out, *task);

    out += "\n## Scan history\n\n";
    if (document.scanHistory.empty())
        out += "No scan history is stored.\n";
    for (const ScanReport &scan : document.scanHistory)
        appendScanLine(out, scan);

    out += "\n## Last import\n\n";
    if (input.importReport)
        appendImport(out, *input.importReport);
    else
        out += "No import in this session.\n";
    return out;
}

} // namespace tallowin
