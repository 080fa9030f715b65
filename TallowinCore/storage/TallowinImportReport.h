#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/document/TallowinDocument.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tallowin {

// What an import did, file by file.
struct TALLOWIN_CORE_EXPORT TallowinImportReport
{
    enum class Outcome { imported, duplicate, inaccessible, invalid };

    struct Source
    {
        std::filesystem::path path;
        Outcome outcome = Outcome::imported;
        std::optional<std::string> reason;

        friend bool operator==(const Source &, const Source &) = default;
    };

    TallowinDocument document;
    std::vector<Source> sources;
    std::optional<std::filesystem::path> backupPath;

    std::size_t importedCount() const;
    // "Import: 2 imported, 1 already present, 0 inaccessible, 1 invalid."
    std::string summary() const;

    friend bool operator==(const TallowinImportReport &, const TallowinImportReport &) = default;
};

TALLOWIN_CORE_EXPORT std::string_view rawValue(TallowinImportReport::Outcome outcome);

} // namespace tallowin
