#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <stdexcept>
#include <string>

namespace tallowin {

// Base of every error a user can meet; what() is the complete user-facing sentence.
class TALLOWIN_CORE_EXPORT TallowinError : public std::runtime_error
{
public:
    explicit TallowinError(const std::string &message);
    ~TallowinError() override;
    TallowinError(const TallowinError &) = default;
    TallowinError &operator=(const TallowinError &) = default;
};

} // namespace tallowin
