#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/io/TallowinFileOperations.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tallowin {

// The deck this device last agreed on with the cloud, and the account it agreed with: the base of the next
// three-way merge. Stored as compact JSON ("CloudSync.json" beside the deck), owner-only.
struct TALLOWIN_CORE_EXPORT TallowinSyncCheckpoint
{
    std::string accountID;
    std::optional<TallowinDocument> document;

    friend bool operator==(const TallowinSyncCheckpoint &, const TallowinSyncCheckpoint &) = default;

    // Compact, sorted keys, slashes escaped; "document" is omitted when absent.
    static std::string encode(const TallowinSyncCheckpoint &checkpoint);
    // Ignores unknown keys; a null document counts as absent. Throws JsonReadError.
    static TallowinSyncCheckpoint decode(std::string_view json);

    // Protects the file first; nothing at the path means no checkpoint. Throws TallowinFileError and
    // JsonReadError. Readers never see a half-written file because writes replace it whole.
    static std::optional<TallowinSyncCheckpoint> read(const std::filesystem::path &path);
    // Replaces the file atomically (temporary file in the same folder, fsync, rename, fsync of the folder),
    // then protects it. Only the sync engine writes it, one run at a time, so no lock is taken.
    static void write(const std::filesystem::path &path, const TallowinSyncCheckpoint &checkpoint,
        TallowinFileOperations &operations);
};

} // namespace tallowin
