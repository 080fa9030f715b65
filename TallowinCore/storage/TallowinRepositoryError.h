#pragma once

#include "TallowinCore/base/TallowinError.h"

#include <cstdint>

namespace tallowin {

// Why the repository refused a write: another writer got there first, or holds the file right now.
class TALLOWIN_CORE_EXPORT TallowinRepositoryError : public TallowinError
{
public:
    enum class Kind { revisionConflict, writerBusy };

    static TallowinRepositoryError revisionConflict(std::int64_t expected, std::int64_t actual);
    static TallowinRepositoryError writerBusy();

    Kind kind() const { return m_kind; }
    // The revision the caller read, and the one found on disk (both 0 for writerBusy).
    std::int64_t expected() const { return m_expected; }
    std::int64_t actual() const { return m_actual; }

    friend bool operator==(const TallowinRepositoryError &a, const TallowinRepositoryError &b)
    {
        return a.m_kind == b.m_kind && a.m_expected == b.m_expected && a.m_actual == b.m_actual;
    }

private:
    TallowinRepositoryError(Kind kind, std::int64_t expected, std::int64_t actual, const std::string &message);

    Kind m_kind;
    std::int64_t m_expected = 0;
    std::int64_t m_actual = 0;
};

} // namespace tallowin
