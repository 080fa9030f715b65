#include "tests/app/support/MemoryStorePanels.h"

namespace tallowin::test {

std::optional<std::filesystem::path> MemoryStorePanels::chooseImportFile()
{
    ++importPanelsShown;
    return importAnswer;
}

std::optional<std::filesystem::path> MemoryStorePanels::chooseDiagnosticsDestination(const std::string &proposedName)
{
    proposedDiagnosticsNames.push_back(proposedName);
    return diagnosticsAnswer;
}

} // namespace tallowin::test
