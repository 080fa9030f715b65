#include "TallowinCore/base/TallowinError.h"

namespace tallowin {

TallowinError::TallowinError(const std::string &message)
    : std::runtime_error(message)
{ }

TallowinError::~TallowinError() = default;

} // namespace tallowin
