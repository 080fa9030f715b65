#include "TallowinCore/storage/TallowinRepository.h"

#include "TallowinCore/base/TallowinError.h"
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/io/TallowinTextFile.h"
#include "TallowinCore/workflow/TallowinMerge.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace tallowin {

namespace {

using Outcome = TallowinImportReport::Outcome;

// The absolute path with "." and ".." resolved by text alone; links are not followed.
std::filesystem::path standardised(const std::filesystem::path &path)
{
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    return (absolute.empty() ? path : absolute).lexically_normal();
}

// Compares with revision and updatedAt taken from the reference. The document is restored before returning.
bool equalApartFromRevisionAndTime(TallowinDocument &document, const TallowinDocument &reference)
{
    const std::int64_t revision = std::exchange(document.revision, reference.revision);
    std::string updatedAt = std::exchange(document.updatedAt, reference.updatedAt);
    const bool equal = document == reference;
    document.revision = revision;
    document.updatedAt = std::move(updatedAt);
    return equal;
}

// The deck in the shape a merge gives it: cards, candidates and scans in merge order, each card's history
// and sources united. Its content is the deck's own.
TallowinDocument mergedWithItself(const TallowinDocument &document, TallowinInstant now)
{
    const std::vector<TallowinDocument> twice(2, document);
    return TallowinMerge::documents(twice, now);
}

// Whether the two decks hold the same content, so that the import that led to `document` brought nothing.
// Every merge stamps its result with the time of the merge and the largest revision, so those two deck fields
// are set aside; everything else counts, card updatedAt included, because a newer version of a card is news.
// A merge also puts cards, candidates and scans into its own order and unites each card's history and
// sources; a deck as the app keeps it is rarely in that shape, so when the plain look differs both sides
// are brought into it (each merged with itself) and looked at again. Without that, an exact copy of the
// canonical file would count as imported and rewrite the deck.
bool holdsSameContent(TallowinDocument &document, const TallowinDocument &reference, TallowinInstant now)
{
    if (equalApartFromRevisionAndTime(document, reference))
        return true;
    TallowinDocument documentShape = mergedWithItself(document, now);
    return equalApartFromRevisionAndTime(documentShape, mergedWithItself(reference, now));
}

using CardsByID = std::unordered_map<std::string_view, const TaskItem *>;

CardsByID cardsByID(const TallowinDocument &document)
{
    CardsByID cards;
    cards.reserve(document.tasks.size());
    for (const TaskItem &card : document.tasks)
        cards.emplace(card.id, &card);
    return cards;
}

// Two cards with one ID are versions of one record only when they were created at the same moment; anything
// else would silently overwrite a different task, so the first such card refuses the whole file.
std::optional<std::string> sharedIDProblem(const TallowinDocument &incoming, const CardsByID &known)
{
    for (const TaskItem &card : incoming.tasks) {
        const auto existing = known.find(card.id);
        if (existing != known.end() && existing->second->createdAt != card.createdAt)
            return "Task ID " + card.id
                + " belongs to different records in these files. Preserve both files and resolve their IDs before "
                  "importing.";
    }
    return std::nullopt;
}

// New active cards join an open run at its end, so the user reviews them in this run.
void addNewActiveCardsToRun(TallowinDocument &merged, const CardsByID &known)
{
    if (!merged.runID)
        return;
    std::vector<std::string> &runTaskIDs = merged.runTaskIDs ? *merged.runTaskIDs : merged.runTaskIDs.emplace();
    for (const TaskItem &card : merged.tasks) {
        if (card.state == TaskState::active && !known.contains(card.id))
            runTaskIDs.push_back(card.id);
    }
}

struct FileResult
{
    Outcome outcome;
    std::optional<std::string> reason;
};

// Merges one decoded file into the accumulated deck, which is replaced only when the file brought something.
FileResult mergeFile(TallowinDocument &accumulated, TallowinDocument incoming, TallowinInstant now)
{
    // The accumulated deck is lent to the merge's input list rather than copied; it comes back on every path
    // that keeps it.
    std::vector<TallowinDocument> inputs;
    inputs.reserve(2);
    inputs.push_back(std::move(accumulated));
    inputs.push_back(std::move(incoming));
    const TallowinDocument &before = inputs.front();
    const CardsByID known = cardsByID(before);

    FileResult result {Outcome::duplicate, std::nullopt};
    if (auto problem = sharedIDProblem(inputs.back(), known)) {
        result = {Outcome::invalid, std::move(problem)};
    } else {
        try {
            TallowinDocument merged = TallowinMerge::documents(inputs, now);
            addNewActiveCardsToRun(merged, known);
            merged.validate();
            if (!holdsSameContent(merged, before, now)) {
                accumulated = std::move(merged);
                return {Outcome::imported, std::nullopt};
            }
        } catch (const TallowinError &error) {
            result = {Outcome::invalid, std::string(error.what())};
        }
    }
    accumulated = std::move(inputs.front());
    return result;
}

} // namespace

// One write holds the writer lock throughout, so no other writer changes the canonical file between the read and
// the write. Input files are only read. Only the lock, the canonical file, the backup and the final write can
// fail the whole import; each input file's own trouble becomes its entry in the report.
TallowinImportReport TallowinRepository::importFiles(const std::vector<std::filesystem::path> &paths)
{
    const TallowinInstant now = m_clock();
    const std::filesystem::path canonical = standardised(m_filePath);
    TallowinImportReport report;

    Write request;
    request.whenMissing = [now] { return TallowinMerge::emptyDeck(now); };
    request.backupFolder = "ImportBackups";
    request.change = [&](TallowinDocument &&starting) -> std::optional<TallowinDocument> {
        TallowinDocument accumulated = starting.parallelCopy();
        std::unordered_set<std::string> seenPaths;
        for (const std::filesystem::path &given : paths) {
            const std::filesystem::path path = standardised(given);
            if (!seenPaths.insert(path.native()).second)
                continue;
            if (path == canonical) {
                report.sources.push_back({given, Outcome::duplicate, "This is the canonical file."});
                continue;
            }
            std::string text;
            try {
                text = TallowinTextFile::read(path, TallowinDocumentJson::paddingBytes());
            } catch (const std::filesystem::filesystem_error &error) {
                report.sources.push_back({given, Outcome::inaccessible, std::string(error.what())});
                continue;
            }
            TallowinDocument decoded;
            try {
                decoded = TaskMarkdownCodec::decode(text, TallowinTextFile::spareCapacity(text));
            } catch (const TallowinError &error) {
                report.sources.push_back({given, Outcome::invalid, std::string(error.what())});
                continue;
            }
            FileResult result = mergeFile(accumulated, std::move(decoded), now);
            report.sources.push_back({given, result.outcome, std::move(result.reason)});
        }
        if (holdsSameContent(accumulated, starting, now)) {
            report.document = std::move(starting);
            return std::nullopt;
        }
        accumulated.revision = starting.revision + 1;
        accumulated.updatedAt = TallowinClock::now(now);
        return accumulated;
    };
    Written written = write(request);
    if (written.stored) {
        report.document = std::move(*written.document);
        report.backupPath = std::move(written.backupPath);
    }
    return report;
}

} // namespace tallowin
