#pragma once

#include "TallowinCore/document/TallowinDocument.h"

#include <string>

namespace tallowin::test {

inline constexpr const char *fixedTime = "2026-03-14T09:26:53.589Z";

// A valid active card with every required field filled; tests change what they look at.
TaskItem makeTask(const std::string &id, std::int64_t order = 0, TaskState state = TaskState::active);
TaskHistoryEvent makeEvent(const std::string &id, const std::string &at = fixedTime,
    const std::string &type = "pipeline_created", const std::string &note = "Created.");
TaskCandidate makeCandidate(const std::string &id, const std::string &url = "https://example.com/item/1");
ScanReport makeCompleteScan(const std::string &finishedAt = fixedTime);
// An empty, valid version 2 deck at revision 1.
TallowinDocument makeDocument();
TallowinDocument makeDocument(std::vector<TaskItem> tasks);

} // namespace tallowin::test
