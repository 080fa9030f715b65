#include "TallowinCore/codec/JsonReadError.h"

namespace tallowin {

JsonReadError::JsonReadError(
    Kind kind, std::string keyPath, std::string detail, bool pipelineInput, std::optional<std::size_t> item)
    : TallowinError(pipelineInput ? pipelineMessage(kind, keyPath, detail, item) : message(kind, keyPath, detail))
    , m_kind(kind)
    , m_keyPath(std::move(keyPath))
    , m_detail(std::move(detail))
    , m_pipelineInput(pipelineInput)
    , m_item(item)
{ }

std::string JsonReadError::message(Kind kind, const std::string &keyPath, const std::string &detail)
{
    switch (kind) {
    case Kind::malformed:
        return "Tallowin data is not valid JSON: " + detail + ".";
    case Kind::missingKey:
        return "Tallowin data is missing the required key " + keyPath + ".";
    case Kind::wrongType:
        return "Tallowin data key " + keyPath + " must be " + detail + ".";
    case Kind::unknownValue:
        return "Tallowin data key " + keyPath + " has the unknown value \"" + detail + "\".";
    }
    return "Tallowin data could not be read.";
}

// What agents write is named as such, so that nobody takes a fault of theirs for a damaged deck.
std::string JsonReadError::pipelineMessage(
    Kind kind, const std::string &keyPath, const std::string &detail, std::optional<std::size_t> item)
{
    const std::string subject = item ? "Pipeline input item " + std::to_string(*item) : "Pipeline input";
    const std::string key = keyPath.empty() ? subject : subject + " key " + keyPath;
    switch (kind) {
    case Kind::malformed:
        return "Pipeline input is not valid JSON: " + detail + ".";
    case Kind::missingKey:
        return subject + " is missing the key " + keyPath + ".";
    case Kind::wrongType:
        return key + " must be " + detail + ".";
    case Kind::unknownValue:
        return key + " has the unknown value \"" + detail + "\".";
    }
    return "Pipeline input could not be read.";
}

JsonReadError JsonReadError::malformed(const std::string &detail)
{
    return {Kind::malformed, {}, detail};
}

JsonReadError JsonReadError::missingKey(const std::string &keyPath)
{
    return {Kind::missingKey, keyPath, {}};
}

JsonReadError JsonReadError::wrongType(const std::string &keyPath, const std::string &expected)
{
    return {Kind::wrongType, keyPath, expected};
}

JsonReadError JsonReadError::unknownValue(const std::string &keyPath, const std::string &value)
{
    return {Kind::unknownValue, keyPath, value};
}

JsonReadError JsonReadError::nestedIn(const std::string &prefix) const
{
    if (m_kind == Kind::malformed)
        return *this;
    std::string path = prefix;
    if (!m_keyPath.empty() && m_keyPath.front() != '[')
        path += '.';
    path += m_keyPath;
    return {m_kind, path, m_detail, m_pipelineInput, m_item};
}

JsonReadError JsonReadError::inPipelineInput(std::optional<std::size_t> item) const
{
    return {m_kind, m_keyPath, m_detail, true, m_kind == Kind::malformed ? std::nullopt : item};
}

} // namespace tallowin
