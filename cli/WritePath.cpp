#include "cli/WritePath.h"

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
    const TallowinDocument loaded = repository.prepareIfNeeded(emptySeed(context));
    DeckChange change = compute(loaded);
    if (change.document == loaded)
        return 0;
    change.document.revision = loaded.revision + 1;
    change.document.updatedAt = context.nowText();
    repository.save(std::move(change.document), loaded.revision);
    if (!change.notice.empty())
        context.out << change.notice << '\n';
    return 0;
}

} // namespace tallowin::cli
