#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/storage/detail/TallowinRepositoryWriterLock.h"
#include "TallowinCore/workflow/TallowinAppending.h"

namespace tallowin {

// Another writer cannot slip in between the read and the write: both happen under the writer lock.
TallowinDocument TallowinRepository::ingest(const std::vector<TaskContract> &contracts)
{
    const std::lock_guard guard(m_mutex);
    const WriterLock lock(lockPath());
    const TallowinDocument current = readCanonical();
    TallowinDocument next = TallowinAppending::appending(current, contracts, TallowinClock::now(m_clock()));
    if (next == current)
        return current;
    next.revision = current.revision + 1;
    next.updatedAt = TallowinClock::now(m_clock());
    writeCanonical(next);
    return next;
}

} // namespace tallowin
