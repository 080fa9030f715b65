#pragma once

#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/settings/TallowinSettings.h"
#include "TallowinCore/storage/TallowinImportReport.h"

#include <filesystem>
#include <optional>
#include <string>

namespace tallowin {

// What a diagnostics report describes: the application's state and where it runs.
struct TallowinDiagnosticsInput
{
    TallowinDocument document;
    TallowinSettings settings = TallowinSettings::defaults();
    std::filesystem::path filePath;
    std::filesystem::path settingsFilePath;
    // The last import of this session, if any.
    std::optional<TallowinImportReport> importReport;
    // Empty texts are reported as "unknown".
    std::string shortVersion;
    std::string buildNumber;
    std::string operatingSystemVersion;

    friend bool operator==(const TallowinDiagnosticsInput &, const TallowinDiagnosticsInput &) = default;
};

} // namespace tallowin
