#include "TallowinCore/document/ScanReport.h"

#include <algorithm>

namespace tallowin {

namespace {

bool absentOrEmpty(const std::optional<std::string> &text)
{
    return !text || text->empty();
}

} // namespace

bool ScanReport::isComplete() const
{
    if (!(selfMessages && directMessages && channels && mentions && allPagesRead))
        return false;
    if (!lanes)
        return true;
    if (lanes->size() != allScanLanes.size())
        return false;
    for (ScanLane lane : allScanLanes) {
        const auto matching = std::count_if(
            lanes->begin(), lanes->end(), [lane](const ScanLaneEvidence &evidence) { return evidence.lane == lane; });
        if (matching != 1)
            return false;
        const auto &evidence
            = *std::find_if(lanes->begin(), lanes->end(), [lane](const ScanLaneEvidence &e) { return e.lane == lane; });
        if (!evidence.exhausted || !absentOrEmpty(evidence.failure) || !absentOrEmpty(evidence.continuationCursor))
            return false;
        if (evidence.pendingThreadURLs && !evidence.pendingThreadURLs->empty())
            return false;
    }
    return true;
}

} // namespace tallowin
