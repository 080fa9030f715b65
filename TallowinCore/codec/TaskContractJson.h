#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/codec/JsonWriter.h"
#include "TallowinCore/document/TaskContract.h"

#include <string>
#include <string_view>
#include <vector>

namespace tallowin {

// The JSON form of task contracts, the pipeline's input.
struct TALLOWIN_CORE_EXPORT TaskContractJson
{
    // Reads a JSON array of contracts, or one contract object as a list of one, without validating them.
    // "context", "instruction" and "sources" may be missing or null; unknown keys are ignored. Throws JsonReadError
    // about pipeline input, naming the item (counted from 1; none for a single object) and the offending key.
    static std::vector<TaskContract> decode(std::string_view json);

    // All eight keys, sorted; absent optionals of the sources omitted.
    static std::string encode(const TaskContract &contract, JsonLayout layout, JsonSlashes slashes);
    static std::string encode(const std::vector<TaskContract> &contracts, JsonLayout layout, JsonSlashes slashes);
    static void write(JsonWriter &writer, const TaskContract &contract);
};

} // namespace tallowin
