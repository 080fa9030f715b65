#include "cli/WritePath.h"

#include <optional>
#include <ostream>

namespace tallowin::cli {

TallowinRepository openRepository(const CliContext &context)
{
    const TallowinInstant now = context.now;
    return TallowinRepository(context.deckPath, [now] { return now; });
}

TallowinDocument emptySeed(const CliContext &context)
{
    TallowinDocument seed;
    seed.version = TallowinDocument::currentVersion;
    seed.revision = 1;
    seed.title = "Tallowin";
    seed.updatedAt = context.nowText();
    return seed;
}

int runChange(const CliContext &context, const std::function<DeckChange(const TallowinDocument &)> &compute)
{
    TallowinRepository repository = openRepository(context);
    std::optional<TallowinDocument> loaded = repository.prepareIfNeeded(emptySeed(context));
    DeckChange change = compute(*loaded);
    if (change.document == *loaded)
        return 0;
    const std::int64_t loadedRevision = loaded->revision;
    // A large deck need not be held twice while the save reads the file again.
    loaded.reset();
    change.document.revision = loadedRevision + 1;
    change.document.updatedAt = context.nowText();
    repository.save(std::move(change.document), loadedRevision);
    if (!change.notice.empty())
        context.out << change.notice << '\n';
    return 0;
}

} // namespace tallowin::cli
