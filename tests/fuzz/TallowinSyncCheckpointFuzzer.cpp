// Reads arbitrary bytes as the sync checkpoint (CloudSync.json). Rejections must be JsonReadError; what is read is
// JSON throughout. A checkpoint that decodes encodes to JSON that decodes to the same checkpoint and encodes to the
// same text again. Its deck is the base of the next three-way merge, so it is also merged as that base between two
// small decks: the merge may refuse it only with its documented errors, and both devices merging the same pair must
// agree.
#include "FuzzChecks.h"

#include "TallowinCore/codec/JsonReadError.h"
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/document/TallowinValidationError.h"
#include "TallowinCore/document/TaskContractError.h"
#include "TallowinCore/merge/TallowinSyncError.h"
#include "TallowinCore/merge/TallowinSyncMerge.h"
#include "TallowinCore/sync/TallowinSyncCheckpoint.h"

#include <cstdint>
#include <string>

namespace {

using namespace tallowin;
using fuzz::completes;
using fuzz::require;

constexpr const char *target = "sync checkpoint";

// Two devices' decks: both changed KB-001, each added a card of its own.
constexpr std::string_view localJson = R"({
  "dismissedCandidateKeys": [], "pendingCandidates": [], "revision": 7, "scanHistory": [],
  "tasks": [
    {"context": "", "createdAt": "2026-03-14T09:26:53.589Z", "history": [], "id": "KB-001", "instruction": "",
     "kind": "check", "order": 1, "person": "Ada", "result": "", "sources": [], "state": "active",
     "title": "Rotate the keys today", "updatedAt": "2026-03-15T08:00:00.000Z"},
    {"context": "", "createdAt": "2026-03-15T08:00:00.000Z", "history": [], "id": "KB-002", "instruction": "",
     "kind": "open", "order": 2, "person": "Me", "result": "", "sources": [], "state": "active",
     "title": "Local card", "updatedAt": "2026-03-15T08:00:00.000Z"}
  ],
  "title": "Tallowin", "updatedAt": "2026-03-15T08:00:00.000Z", "version": 2
})";
constexpr std::string_view remoteJson = R"({
  "dismissedCandidateKeys": [], "pendingCandidates": [], "revision": 9, "scanHistory": [],
  "tasks": [
    {"context": "", "createdAt": "2026-03-14T09:26:53.589Z",
     "history": [{"at": "2026-03-15T09:00:00.000Z", "id": "h9", "note": "Done.", "type": "completed"}],
     "id": "KB-001", "instruction": "", "kind": "check", "order": 1, "person": "Ada", "result": "Done.",
     "sources": [], "state": "completed", "title": "Rotate keys", "updatedAt": "2026-03-15T09:00:00.000Z"},
    {"context": "", "createdAt": "2026-03-15T09:00:00.000Z", "history": [], "id": "KB-003", "instruction": "",
     "kind": "decision", "order": 3, "person": "Bo", "result": "", "sources": [], "state": "active",
     "title": "Remote card", "updatedAt": "2026-03-15T09:00:00.000Z"}
  ],
  "title": "Tallowin", "updatedAt": "2026-03-15T09:00:00.000Z", "version": 2
})";

const TallowinDocument &localDeck()
{
    static const TallowinDocument deck = TallowinDocumentJson::decode(localJson).migratedAndValidated();
    return deck;
}

const TallowinDocument &remoteDeck()
{
    static const TallowinDocument deck = TallowinDocumentJson::decode(remoteJson).migratedAndValidated();
    return deck;
}

void checkMergeOnBase(const TallowinDocument &base)
{
    TallowinDocument merged;
    const bool mergedOnce = completes<TallowinValidationError, TallowinSyncError, TaskContractError>(
        target, true, [&] { merged = TallowinSyncMerge::reconcile(&base, localDeck(), remoteDeck()); });
    TallowinDocument mirrored;
    const bool mergedMirrored = completes<TallowinValidationError, TallowinSyncError, TaskContractError>(
        target, true, [&] { mirrored = TallowinSyncMerge::reconcile(&base, remoteDeck(), localDeck()); });
    require(mergedOnce == mergedMirrored, target, "one device merges what the other refuses");
    if (!mergedOnce)
        return;
    require(TallowinSyncMerge::equivalent(merged, mirrored), target, "the two devices merge to different decks");
    completes<>(target, true, [&] { merged.validate(); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    TallowinSyncCheckpoint checkpoint;
    try {
        checkpoint = TallowinSyncCheckpoint::decode(text);
    } catch (const JsonReadError &error) {
        fuzz::requireSentence(target, error);
        return 0;
    } catch (const std::exception &error) {
        fuzz::fail(target, std::string("an undocumented error escaped the decode: ") + error.what());
    }

    // Only JSON is read, also where the checkpoint holds what it ignores.
    simdjson::dom::parser parser;
    require(!parser.parse(simdjson::padded_string(text)).error(), target, "a checkpoint that is not JSON was read");

    completes<>(target, true, [&] {
        const std::string encoded = TallowinSyncCheckpoint::encode(checkpoint);
        const TallowinSyncCheckpoint again = TallowinSyncCheckpoint::decode(encoded);
        require(again == checkpoint, target, "decode(encode(checkpoint)) differs from the checkpoint");
        require(TallowinSyncCheckpoint::encode(again) == encoded, target, "encoding is not stable across a round trip");
    });
    if (checkpoint.document)
        checkMergeOnBase(*checkpoint.document);
    return 0;
}
