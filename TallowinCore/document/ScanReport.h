#pragma once

#include "TallowinCore/TallowinCoreExport.h"
#include "TallowinCore/document/ScanLaneEvidence.h"

#include <optional>
#include <string>
#include <vector>

namespace tallowin {

// Record of one discovery scan.
struct TALLOWIN_CORE_EXPORT ScanReport
{
    std::string startedAt;
    std::string finishedAt;
    std::optional<std::string> lowerBoundAt;
    std::optional<std::string> watermarkAt;
    std::optional<std::string> resumeOfStartedAt;
    bool selfMessages = false;
    bool directMessages = false;
    bool channels = false;
    bool mentions = false;
    bool allPagesRead = false;
    std::string note;
    std::optional<std::vector<ScanLaneEvidence>> lanes;

    // Every lane covered and, when per-lane evidence exists, each lane read to its end without leftovers.
    bool isComplete() const;

    friend bool operator==(const ScanReport &, const ScanReport &) = default;
};

} // namespace tallowin
