#include "TallowinCore/document/ScanLane.h"

namespace tallowin {

std::string_view rawValue(ScanLane lane)
{
    switch (lane) {
    case ScanLane::selfMessages:
        return "self_messages";
    case ScanLane::directMessages:
        return "direct_messages";
    case ScanLane::channels:
        return "channels";
    case ScanLane::mentions:
        return "mentions";
    }
    return "channels";
}

std::optional<ScanLane> scanLaneFromRawValue(std::string_view raw)
{
    for (ScanLane lane : allScanLanes) {
        if (rawValue(lane) == raw)
            return lane;
    }
    return std::nullopt;
}

} // namespace tallowin
