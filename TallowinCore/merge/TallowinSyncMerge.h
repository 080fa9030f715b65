#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/document/TallowinDocument.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallowin {

// The three-way merge of the deck copies of two devices. Pure and stateless. Wherever the two sides hold
// different values and neither is the common ancestor's, the winner is chosen by content (later updatedAt,
// then smaller canonical JSON), never by which side is local, so both devices merging the same pair agree.
// The losing side of a conflicting card edit is kept as a "sync_conflict" history event.
class TALLOWIN_CORE_EXPORT TallowinSyncMerge
{
public:
    // The decision taken on a card, merged as one unit.
    struct Workflow
    {
        TaskState state = TaskState::active;
        std::optional<std::string> resumeAt;
        std::optional<std::string> delayTarget;
        std::string result;
        std::optional<std::string> mergedInto;
        std::optional<std::vector<std::string>> mergedTaskIDs;

        static Workflow of(const TaskItem &task);
        void applyTo(TaskItem &task) const &;
        void applyTo(TaskItem &task) &&;

        friend bool operator==(const Workflow &, const Workflow &) = default;
    };

    // Equal in every field but revision.
    static bool equivalent(const TallowinDocument &a, const TallowinDocument &b);

    // Merges remote into local against base, the deck both last agreed on (nullptr when unknown). The result
    // carries local's revision. Throws TallowinValidationError for an invalid input or result, and
    // TallowinSyncError::unavailable when a legacy card ID names different cards on the two sides; the inputs
    // are never changed.
    static TallowinDocument reconcile(
        const TallowinDocument *base, const TallowinDocument &local, const TallowinDocument &remote);
    static TallowinDocument reconcile(
        const std::optional<TallowinDocument> &base, const TallowinDocument &local, const TallowinDocument &remote);

    // Compact JSON with sorted keys and escaped slashes, compared byte by byte to break ties; a record
    // that cannot be encoded counts as empty. The document's is taken as if its revision were 0.
    static std::string canonicalJSON(const TaskItem &task);
    static std::string canonicalJSON(const TallowinDocument &document);

    // "ts-" and one or more numeric characters: the IDs of an old format, which two devices could both mint.
    static bool isLegacyID(std::string_view id);

private:
    static std::vector<TaskItem> mergingTasks(
        const TallowinDocument *base, const TallowinDocument &local, const TallowinDocument &remote);
    static TaskItem mergingTask(const TaskItem *base, const TaskItem &local, const TaskItem &remote);
    // Chooses the workflow of the merged card and notes a conflicting decision.
    static void mergeWorkflow(TaskItem &result, const TaskItem *base, const TaskItem &local, const TaskItem &remote,
        const TaskItem &preferred, const TaskItem &other, std::vector<std::string> &notes);
    // Appends the conflict event for the notes unless the history already holds it.
    static void recordConflict(TaskItem &result, const std::vector<std::string> &notes);

    // Sets runTaskIDs and runProcessedIDs of merged, whose runID and tasks are already merged.
    static void mergeRun(TallowinDocument &merged, const TallowinDocument *base, const TallowinDocument &preferred,
        const TallowinDocument &other);
    // Needs the merged tasks and dismissedCandidateKeys.
    static std::vector<TaskCandidate> mergingCandidates(const TallowinDocument *base, const TallowinDocument &local,
        const TallowinDocument &remote, const TallowinDocument &merged);
};

} // namespace tallowin
