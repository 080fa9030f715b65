#pragma once

#include "TallowinCore/base/TallowinError.h"

#include <cstdint>

namespace tallowin {

class TALLOWIN_CORE_EXPORT TaskMarkdownCodecError : public TallowinError
{
public:
    enum class Kind { invalidVersion, missingDataBlock };

    static TaskMarkdownCodecError invalidVersion(std::int64_t version);
    static TaskMarkdownCodecError missingDataBlock();

    Kind kind() const { return m_kind; }
    std::int64_t version() const { return m_version; }

    friend bool operator==(const TaskMarkdownCodecError &a, const TaskMarkdownCodecError &b)
    {
        return a.m_kind == b.m_kind && a.m_version == b.m_version;
    }

private:
    TaskMarkdownCodecError(Kind kind, std::int64_t version, const std::string &message);

    Kind m_kind;
    std::int64_t m_version = 0;
};

} // namespace tallowin
