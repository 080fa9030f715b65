#include "TallowinCore/TaskContractJson.h"

#include "TallowinCore/JsonReadError.h"

#include <simdjson.h>

#include <array>
#include <stdexcept>

namespace tallowin {

namespace {

using simdjson::dom::array;
using simdjson::dom::element;
using simdjson::dom::object;

[[noreturn]] void wrongType(std::string_view key, const char *expected)
{
    throw JsonReadError::wrongType(std::string(key), expected);
}

std::string readString(element value, std::string_view key)
{
    std::string_view text;
    if (value.get_string().get(text))
        wrongType(key, "a string");
    return std::string(text);
}

// Missing and null both read as empty for the optional text keys of a contract.
std::string readOptionalText(element value, std::string_view key)
{
    return value.is_null() ? std::string() : readString(value, key);
}

std::optional<std::string> readOptionalString(element value, std::string_view key)
{
    if (value.is_null())
        return std::nullopt;
    return readString(value, key);
}

object readObject(element value, std::string_view key)
{
    object result;
    if (value.get_object().get(result))
        wrongType(key, "an object");
    return result;
}

TaskSource readSource(element value)
{
    TaskSource source;
    bool hasLabel = false;
    bool hasURL = false;
    for (const auto field : readObject(value, "")) {
        if (field.key == "label") {
            source.label = readString(field.value, field.key);
            hasLabel = true;
        } else if (field.key == "url") {
            source.url = readString(field.value, field.key);
            hasURL = true;
        } else if (field.key == "sourceKey") {
            source.sourceKey = readOptionalString(field.value, field.key);
        } else if (field.key == "resolvedAt") {
            source.resolvedAt = readOptionalString(field.value, field.key);
        } else if (field.key == "resolvedItemKey") {
            source.resolvedItemKey = readOptionalString(field.value, field.key);
        }
    }
    if (!hasLabel)
        throw JsonReadError::missingKey("label");
    if (!hasURL)
        throw JsonReadError::missingKey("url");
    return source;
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

TaskKind readKind(element value, std::string_view key)
{
    std::string_view raw;
    if (value.get_string().get(raw))
        wrongType(key, "a string");
    const std::optional<TaskKind> kind = taskKindFromRawValue(raw);
    if (!kind)
        throw JsonReadError::unknownValue(std::string(key), std::string(raw));
    return *kind;
}

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
            contract.kind = readKind(field.value, key);
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

std::string lowerFirst(std::string text)
{
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    while (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

void writeOptional(JsonWriter &writer, std::string_view key, const std::optional<std::string> &value)
{
    if (value)
        writer.member(key, *value);
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
        throw JsonReadError::malformed(lowerFirst(simdjson::error_message(error)));

    if (root.is_object())
        return {readContract(root)};
    array items;
    if (root.get_array().get(items))
        wrongType("contracts", "an array of task contracts or one task contract");

    std::vector<TaskContract> contracts;
    contracts.reserve(items.size());
    std::size_t index = 0;
    for (element item : items) {
        try {
            contracts.push_back(readContract(item));
        } catch (const JsonReadError &error) {
            throw error.nestedIn("contracts[" + std::to_string(index) + "]");
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
    for (const TaskSource &source : contract.sources) {
        writer.beginObject();
        writer.member("label", source.label);
        writeOptional(writer, "resolvedAt", source.resolvedAt);
        writeOptional(writer, "resolvedItemKey", source.resolvedItemKey);
        writeOptional(writer, "sourceKey", source.sourceKey);
        writer.member("url", source.url);
        writer.endObject();
    }
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
