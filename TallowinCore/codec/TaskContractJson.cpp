#include "TallowinCore/codec/TaskContractJson.h"

#include "TallowinCore/codec/JsonReadError.h"
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/detail/JsonReading.h"

#include <simdjson.h>

#include <array>
#include <stdexcept>

namespace tallowin {

namespace {

using namespace jsonreading;
using simdjson::dom::array;
using simdjson::dom::element;

// Missing and null both read as empty for the optional text keys of a contract.
std::string readOptionalText(element value, std::string_view key)
{
    return value.is_null() ? std::string() : readString(value, key);
}

std::vector<TaskSource> readSources(element value)
{
    std::vector<TaskSource> sources;
    if (value.is_null())
        return sources;
    array items;
    if (value.get_array().get(items))
        wrongType("sources", "an array");
    std::size_t index = 0;
    for (element item : items) {
        try {
            sources.push_back(readSource(item));
        } catch (const JsonReadError &error) {
            throw error.nestedIn("sources[" + std::to_string(index) + "]");
        }
        ++index;
    }
    return sources;
}

// Required keys in the contract's field order, which is also the order in which a missing one is reported.
constexpr std::array<std::string_view, 5> requiredKeys = {"schemaVersion", "id", "person", "title", "kind"};

TaskContract readContract(element value)
{
    TaskContract contract;
    std::array<bool, requiredKeys.size()> seen {};
    for (const auto field : readObject(value, "")) {
        const std::string_view key = field.key;
        if (key == "schemaVersion") {
            if (field.value.get_int64().get(contract.schemaVersion))
                wrongType(key, "an integer within the signed 64-bit range");
            seen[0] = true;
        } else if (key == "id") {
            contract.id = readString(field.value, key);
            seen[1] = true;
        } else if (key == "person") {
            contract.person = readString(field.value, key);
            seen[2] = true;
        } else if (key == "title") {
            contract.title = readString(field.value, key);
            seen[3] = true;
        } else if (key == "kind") {
            contract.kind = readEnum(field.value, key, taskKindFromRawValue);
            seen[4] = true;
        } else if (key == "context") {
            contract.context = readOptionalText(field.value, key);
        } else if (key == "instruction") {
            contract.instruction = readOptionalText(field.value, key);
        } else if (key == "sources") {
            contract.sources = readSources(field.value);
        }
    }
    for (std::size_t index = 0; index < requiredKeys.size(); ++index) {
        if (!seen[index])
            throw JsonReadError::missingKey(std::string(requiredKeys[index]));
    }
    return contract;
}

std::string checkedUTF8(std::string output)
{
    if (!simdjson::validate_utf8(output.data(), output.size()))
        throw std::invalid_argument(
            "The task contract holds text that is not valid UTF-8 and cannot be written as JSON.");
    return output;
}

} // namespace

std::vector<TaskContract> TaskContractJson::decode(std::string_view json)
{
    simdjson::dom::parser parser;
    const simdjson::padded_string padded(json);
    element root;
    if (const auto error = parser.parse(padded).get(root))
        throw JsonReadError::malformed(malformedDetail(simdjson::error_message(error))).inPipelineInput(std::nullopt);

    if (root.is_object()) {
        try {
            return {readContract(root)};
        } catch (const JsonReadError &error) {
            throw error.inPipelineInput(std::nullopt);
        }
    }
    array items;
    if (root.get_array().get(items))
        throw JsonReadError::wrongType("", "an array of task contracts or one task contract")
            .inPipelineInput(std::nullopt);

    std::vector<TaskContract> contracts;
    contracts.reserve(items.size());
    std::size_t index = 0;
    for (element item : items) {
        try {
            contracts.push_back(readContract(item));
        } catch (const JsonReadError &error) {
            throw error.inPipelineInput(index + 1);
        }
        ++index;
    }
    return contracts;
}

void TaskContractJson::write(JsonWriter &writer, const TaskContract &contract)
{
    writer.beginObject();
    writer.member("context", contract.context);
    writer.member("id", contract.id);
    writer.member("instruction", contract.instruction);
    writer.member("kind", rawValue(contract.kind));
    writer.member("person", contract.person);
    writer.member("schemaVersion", contract.schemaVersion);
    writer.key("sources");
    writer.beginArray();
    for (const TaskSource &source : contract.sources)
        TallowinDocumentJson::write(writer, source);
    writer.endArray();
    writer.member("title", contract.title);
    writer.endObject();
}

std::string TaskContractJson::encode(const TaskContract &contract, JsonLayout layout, JsonSlashes slashes)
{
    std::string output;
    JsonWriter writer(output, layout, slashes);
    write(writer, contract);
    return checkedUTF8(std::move(output));
}

std::string TaskContractJson::encode(const std::vector<TaskContract> &contracts, JsonLayout layout, JsonSlashes slashes)
{
    std::string output;
    JsonWriter writer(output, layout, slashes);
    writer.beginArray();
    for (const TaskContract &contract : contracts)
        write(writer, contract);
    writer.endArray();
    return checkedUTF8(std::move(output));
}

} // namespace tallowin
