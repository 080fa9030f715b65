#pragma once

#include "Tallowin/store/StorePanels.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tallowin::test {

// Panels that answer for the user with the answers a test set beforehand and record what they were asked.
// An unset answer is a cancel.
class MemoryStorePanels final : public StorePanels
{
public:
    std::optional<std::filesystem::path> chooseImportFile() override;
    std::optional<std::filesystem::path> chooseDiagnosticsDestination(const std::string &proposedName) override;

    std::optional<std::filesystem::path> importAnswer;
    std::optional<std::filesystem::path> diagnosticsAnswer;
    int importPanelsShown = 0;
    // The file name each diagnostics panel proposed, in order.
    std::vector<std::string> proposedDiagnosticsNames;
};

} // namespace tallowin::test
