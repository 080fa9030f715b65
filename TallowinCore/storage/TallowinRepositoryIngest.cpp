#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/workflow/TallowinAppending.h"

namespace tallowin {

// Another writer cannot slip in between the read and the write: both happen in one write under the writer lock.
TallowinDocument TallowinRepository::ingest(const std::vector<TaskContract> &contracts, TallowinAppending::Tally *tally)
{
    TallowinDocument current;
    Write request;
    request.change = [&](TallowinDocument &&onDisk) -> std::optional<TallowinDocument> {
        current = std::move(onDisk);
        TallowinDocument next = TallowinAppending::appending(current, contracts, TallowinClock::now(m_clock()), tally);
        if (next == current)
            return std::nullopt;
        next.revision = current.revision + 1;
        next.updatedAt = TallowinClock::now(m_clock());
        return next;
    };
    Written written = write(request);
    return written.stored ? std::move(*written.document) : std::move(current);
}

} // namespace tallowin
