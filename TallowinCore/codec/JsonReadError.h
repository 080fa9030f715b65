#pragma once

#include "TallowinCore/base/TallowinError.h"

#include <cstddef>
#include <optional>
#include <string>

namespace tallowin {

// A JSON text that is malformed or does not fit the records; the message names the offending key.
class TALLOWIN_CORE_EXPORT JsonReadError : public TallowinError
{
public:
    enum class Kind { malformed, missingKey, wrongType, unknownValue };

    static JsonReadError malformed(const std::string &detail);
    static JsonReadError missingKey(const std::string &keyPath);
    static JsonReadError wrongType(const std::string &keyPath, const std::string &expected);
    static JsonReadError unknownValue(const std::string &keyPath, const std::string &value);

    Kind kind() const { return m_kind; }
    const std::string &keyPath() const { return m_keyPath; }
    // The same error found inside the value at prefix (for example "tasks[3]").
    JsonReadError nestedIn(const std::string &prefix) const;
    // The same error in pipeline input rather than in the deck: its sentence names the input, and the item
    // (counted from 1) when the input is a list.
    JsonReadError inPipelineInput(std::optional<std::size_t> item) const;

    friend bool operator==(const JsonReadError &a, const JsonReadError &b)
    {
        return a.m_kind == b.m_kind && a.m_keyPath == b.m_keyPath && a.m_detail == b.m_detail
            && a.m_pipelineInput == b.m_pipelineInput && a.m_item == b.m_item;
    }

private:
    JsonReadError(Kind kind, std::string keyPath, std::string detail, bool pipelineInput = false,
        std::optional<std::size_t> item = std::nullopt);
    static std::string message(Kind kind, const std::string &keyPath, const std::string &detail);
    static std::string pipelineMessage(
        Kind kind, const std::string &keyPath, const std::string &detail, std::optional<std::size_t> item);

    Kind m_kind;
    std::string m_keyPath;
    std::string m_detail;
    bool m_pipelineInput = false;
    std::optional<std::size_t> m_item;
};

} // namespace tallowin
