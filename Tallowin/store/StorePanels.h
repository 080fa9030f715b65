#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tallowin {

// The modal file panels the store asks the user through. An interface so that tests answer for the user.
class StorePanels
{
public:
    virtual ~StorePanels() = default;
    // The import panel; nothing when the user cancels.
    virtual std::optional<std::filesystem::path> chooseImportFile() = 0;
    // The save panel of the diagnostics export, proposing proposedName; nothing when the user cancels.
    virtual std::optional<std::filesystem::path> chooseDiagnosticsDestination(const std::string &proposedName) = 0;
};

} // namespace tallowin
