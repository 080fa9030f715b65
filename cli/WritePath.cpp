#include "cli/WritePath.h"

#include "TallowinCore/workflow/TallowinMerge.h"

#include <optional>
#include <ostream>

namespace tallowin::cli {

namespace {

// Seeding takes the lock on its own; a deck that appears meanwhile is simply used. Anything at the path, a
// dangling link included, is left to the repository to accept or refuse.
void createIfMissing(TallowinRepository &repository, const CliContext &context)
{
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(context.deckPath, error)))
        repository.prepareIfNeeded(emptySeed(context));
}

int commit(const CliContext &context, const std::function<std::optional<DeckChange>(TallowinDocument &&)> &compute)
{
    const std::unique_ptr<TallowinRepository> repository = openRepository(context);
    createIfMissing(*repository, context);
    std::string notice;
    TallowinRepository::Write request;
    request.change = [&](TallowinDocument &&loaded) -> std::optional<TallowinDocument> {
        const std::int64_t readRevision = loaded.revision;
        std::optional<DeckChange> computed = compute(std::move(loaded));
        if (!computed)
            return std::nullopt;
        notice = std::move(computed->notice);
        computed->document.revision = readRevision + 1;
        computed->document.updatedAt = context.nowText();
        return std::move(computed->document);
    };
    // The command only prints the notice, so the stored deck is freed while the file is written.
    request.returnsStored = false;
    if (repository->write(request).stored && !notice.empty())
        context.out << notice << '\n';
    return 0;
}

} // namespace

std::unique_ptr<TallowinRepository> openRepository(const CliContext &context)
{
    return openRepository(context.deckPath, context.now);
}

TallowinDocument emptySeed(const CliContext &context)
{
    return TallowinMerge::emptyDeck(context.now);
}

int runChange(const CliContext &context, const std::function<DeckChange(const TallowinDocument &)> &compute)
{
    return commit(context, [&](TallowinDocument &&loaded) -> std::optional<DeckChange> {
        DeckChange change = compute(loaded);
        if (change.document == loaded)
            return std::nullopt;
        return change;
    });
}

int runChangeInPlace(const CliContext &context, const std::function<DeckChange(TallowinDocument &&)> &compute)
{
    return commit(
        context, [&](TallowinDocument &&loaded) -> std::optional<DeckChange> { return compute(std::move(loaded)); });
}

} // namespace tallowin::cli
