#include "cli/WritePath.h"

#include "TallowinCore/codec/TallowinDocumentJson.h"
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
    const auto change = [&](TallowinDocument &&loaded) -> std::optional<TallowinDocument> {
        // This process reads the deck once: the parser's buffers would only raise the peak while the new deck
        // is encoded.
        TallowinDocumentJson::releaseParserMemory();
        std::optional<DeckChange> computed = compute(std::move(loaded));
        if (!computed)
            return std::nullopt;
        notice = std::move(computed->notice);
        return std::move(computed->document);
    };
    // A command is all this process does. Handing a large deck back to the allocator one string at a time takes
    // about as long as writing it, so the stored deck is kept until the process ends and goes with the rest.
    static std::optional<TallowinDocument> *const stored = new std::optional<TallowinDocument>;
    *stored = repository->update(change);
    if (*stored && !notice.empty())
        context.out << notice << '\n';
    return 0;
}

} // namespace

std::unique_ptr<TallowinRepository> openRepository(const CliContext &context)
{
    const TallowinInstant now = context.now;
    auto repository = std::make_unique<TallowinRepository>(context.deckPath, [now] { return now; });
    // main() has made a file cut short under a mapping end the process cleanly.
    repository->mapFileWhenReading(true);
    return repository;
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
