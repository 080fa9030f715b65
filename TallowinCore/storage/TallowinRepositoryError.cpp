#include "TallowinCore/storage/TallowinRepositoryError.h"

#include <string>

namespace tallowin {

TallowinRepositoryError::TallowinRepositoryError(
    Kind kind, std::int64_t expected, std::int64_t actual, const std::string &message)
    : TallowinError(message)
    , m_kind(kind)
    , m_expected(expected)
    , m_actual(actual)
{ }

TallowinRepositoryError TallowinRepositoryError::revisionConflict(std::int64_t expected, std::int64_t actual)
{
    return {Kind::revisionConflict, expected, actual,
        "The Tallowin file changed from revision " + std::to_string(expected) + " to " + std::to_string(actual)
            + ". Reload it before making another change."};
}

TallowinRepositoryError TallowinRepositoryError::writerBusy()
{
    return {Kind::writerBusy, 0, 0, "Tallowin is being updated by another writer. Reload and retry."};
}

} // namespace tallowin
