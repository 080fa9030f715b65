#include "TallowinCore/document/TallowinDocument.h"

#include "TallowinCore/base/HelperThread.h"
#include "TallowinCore/base/RandomIdentifier.h"
#include "TallowinCore/base/TallowinClock.h"
#include "TallowinCore/document/TallowinValidationError.h"
#include "TallowinCore/document/TallowinValidationHints.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>

namespace tallowin {

namespace {

bool startsWithNumberedPrefix(std::string_view id)
{
    return id.size() >= 3 && (id[0] == 'K' || id[0] == 'k') && (id[1] == 'B' || id[1] == 'b') && id[2] == '-';
}

// A whole decimal integer with an optional sign, within the signed 64-bit range.
std::optional<std::int64_t> wholeInteger(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || text.front() == '+')
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::vector<TaskItem> copiedCards(const std::vector<TaskItem> &tasks)
{
    std::vector<TaskItem> copy(tasks.size());
    const auto middle = static_cast<std::ptrdiff_t>(tasks.size() / 2);
    HelperThread::runBoth([&] { std::copy(tasks.begin(), tasks.begin() + middle, copy.begin()); },
        [&] { std::copy(tasks.begin() + middle, tasks.end(), copy.begin() + middle); });
    return copy;
}

// Every field is copied by hand in parallelCopy(); one added to the document has to be added there too.
struct EveryDocumentField
{
    std::int64_t version;
    std::int64_t revision;
    std::string title;
    std::string updatedAt;
    std::vector<TaskItem> tasks;
    std::optional<std::string> runID;
    std::optional<std::vector<std::string>> runTaskIDs;
    std::optional<std::vector<std::string>> runProcessedIDs;
    std::optional<ScanReport> lastSlackScan;
    std::vector<ScanReport> scanHistory;
    std::optional<std::string> lastCompleteSlackScanAt;
    std::vector<TaskCandidate> pendingCandidates;
    std::vector<std::string> dismissedCandidateKeys;
};
static_assert(sizeof(EveryDocumentField) == sizeof(TallowinDocument), "copy the new field in parallelCopy()");

} // namespace

TallowinDocument TallowinDocument::parallelCopy() const
{
    if (tasks.size() < cardsWorthASecondThread)
        return *this;
    TallowinDocument copy;
    copy.version = version;
    copy.revision = revision;
    copy.title = title;
    copy.updatedAt = updatedAt;
    copy.tasks = copiedCards(tasks);
    copy.runID = runID;
    copy.runTaskIDs = runTaskIDs;
    copy.runProcessedIDs = runProcessedIDs;
    copy.lastSlackScan = lastSlackScan;
    copy.scanHistory = scanHistory;
    copy.lastCompleteSlackScanAt = lastCompleteSlackScanAt;
    copy.pendingCandidates = pendingCandidates;
    copy.dismissedCandidateKeys = dismissedCandidateKeys;
    return copy;
}

std::string TallowinDocument::newTaskID()
{
    return "KB-" + RandomIdentifier::lowercaseUUID();
}

std::string TallowinDocument::nextTaskID() const
{
    std::int64_t largest = 0;
    bool found = false;
    for (const TaskItem &task : tasks) {
        if (!startsWithNumberedPrefix(task.id))
            continue;
        if (const auto number = wholeInteger(std::string_view(task.id).substr(3))) {
            largest = found ? std::max(largest, *number) : *number;
            found = true;
        }
    }
    char buffer[32];
    if (largest == std::numeric_limits<std::int64_t>::max()) {
        // One past the largest 64-bit number still names a distinct card.
        std::snprintf(buffer, sizeof buffer, "KB-%llu", static_cast<unsigned long long>(largest) + 1);
    } else {
        std::snprintf(buffer, sizeof buffer, "KB-%03lld", static_cast<long long>(largest + 1));
    }
    return buffer;
}

TallowinDocument TallowinDocument::migratedAndValidated() const &
{
    return parallelCopy().migratedAndValidated();
}

TallowinDocument TallowinDocument::migratedAndValidated() &&
{
    return tallowin::migratedAndValidated(std::move(*this), nullptr);
}

TallowinDocument migratedAndValidated(TallowinDocument &&document, const TallowinValidationHints *hints)
{
    if (document.version != 1 && document.version != 2)
        throw TallowinValidationError::unsupportedVersion(document.version);
    for (TaskItem &task : document.tasks) {
        if (task.state == TaskState::removed && task.mergedInto)
            task.state = TaskState::merged;
    }
    document.version = TallowinDocument::currentVersion;
    validateDocument(document, hints);
    return std::move(document);
}

} // namespace tallowin
