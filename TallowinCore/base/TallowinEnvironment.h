#pragma once

#include "TallowinCore/TallowinCoreExport.h"

#include <functional>
#include <optional>
#include <string>

namespace tallowin {

// Looks up an environment variable. Everything that reads the environment takes one, so tests pass their own.
using Environment = std::function<std::optional<std::string>(const std::string &name)>;

// The process's own environment; a variable set to the empty text is set.
TALLOWIN_CORE_EXPORT std::optional<std::string> processEnvironment(const std::string &name);

} // namespace tallowin
