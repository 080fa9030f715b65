#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/document/TaskKind.h"
#include "TallowinCore/document/TaskSource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tallowin {

// The record through which an outside pipeline creates or updates a card by ID.
struct TALLOWIN_CORE_EXPORT TaskContract
{
    static constexpr std::int64_t currentSchemaVersion = 1;

    std::int64_t schemaVersion = currentSchemaVersion;
    std::string id;
    std::string person;
    std::string title;
    std::string context;
    TaskKind kind = TaskKind::commitment;
    std::string instruction;
    std::vector<TaskSource> sources;

    // The contract with id, person, title, context and instruction trimmed. Throws the first TaskContractError:
    // schema version, then an empty id, person or title, then each source's label and link in order.
    TaskContract validated() const;

    friend bool operator==(const TaskContract &, const TaskContract &) = default;
};

} // namespace tallowin
