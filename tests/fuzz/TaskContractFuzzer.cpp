// Reads arbitrary bytes as `ingest` does: pipeline input decoded into contracts, validated, and applied to a small
// deck. Rejections must be JsonReadError (naming pipeline input) or TaskContractError. Contracts that decode must
// encode and decode to the same contracts; a deck they were applied to must validate, count what changed, hold
// every contract's card, read back from its file as it was, and stay as it is when the same input comes again.
#include "FuzzChecks.h"

#include "TallowinCore/codec/JsonReadError.h"
#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/TaskContractJson.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/document/TallowinValidationError.h"
#include "TallowinCore/document/TaskContractError.h"
#include "TallowinCore/workflow/TallowinAppending.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace tallowin;
using fuzz::completes;
using fuzz::require;

constexpr const char *target = "task contract";
constexpr const char *now = "2026-03-20T12:00:00.000Z";

// An open run over an active card and one whose agent instruction is queued.
constexpr std::string_view deckJson = R"({
  "dismissedCandidateKeys": [], "pendingCandidates": [], "revision": 4, "scanHistory": [],
  "runID": "run-1", "runProcessedIDs": ["KB-001"], "runTaskIDs": ["KB-001", "KB-002"],
  "tasks": [
    {"context": "", "createdAt": "2026-03-14T09:26:53.589Z", "history": [], "id": "KB-001", "instruction": "",
     "kind": "check", "order": 1, "person": "Ada", "result": "", "sources": [], "state": "active",
     "title": "Rotate keys", "updatedAt": "2026-03-14T09:26:53.589Z"},
    {"context": "Ask twice.", "createdAt": "2026-03-14T09:26:53.589Z",
     "history": [{"at": "2026-03-14T09:26:53.589Z", "id": "h1", "note": "Queued.", "type": "action_requested"}],
     "id": "KB-002", "instruction": "Draft the reply", "kind": "open", "order": 2, "person": "Zoë",
     "result": "", "sources": [{"label": "thread", "url": "https://acme.slack.com/archives/C0123/p1700000000123456"}],
     "state": "action_requested", "title": "Answer the café", "updatedAt": "2026-03-14T09:26:53.589Z"}
  ],
  "title": "Tallowin", "updatedAt": "2026-03-14T09:26:53.589Z", "version": 2
})";

const TallowinDocument &smallDeck()
{
    static const TallowinDocument deck = TallowinDocumentJson::decode(deckJson).migratedAndValidated();
    return deck;
}

void checkRoundTrip(const std::vector<TaskContract> &contracts)
{
    completes<>(target, true, [&] {
        const std::string encoded = TaskContractJson::encode(contracts, JsonLayout::compact, JsonSlashes::plain);
        require(TaskContractJson::decode(encoded) == contracts, target, "decode(encode(contracts)) differs");
        if (contracts.size() == 1) {
            const std::string single = TaskContractJson::encode(contracts[0], JsonLayout::pretty, JsonSlashes::escaped);
            require(TaskContractJson::decode(single) == contracts, target, "one encoded contract reads differently");
        }
    });
}

const TaskItem *cardWithID(const TallowinDocument &deck, const std::string &id)
{
    for (const TaskItem &task : deck.tasks) {
        if (task.id == id)
            return &task;
    }
    return nullptr;
}

void checkApplied(
    const std::vector<TaskContract> &contracts, const TallowinDocument &result, const TallowinAppending::Tally &tally)
{
    const TallowinDocument &deck = smallDeck();
    // The last contract for an ID is what its card holds.
    std::map<std::string, TaskContract> last;
    for (const TaskContract &contract : contracts) {
        const TaskContract valid = contract.validated();
        last.insert_or_assign(valid.id, valid);
    }
    require(tally.added == result.tasks.size() - deck.tasks.size(), target, "the tally's added cards are off");
    require(tally.added + tally.updated + tally.unchanged == last.size(), target, "the tally misses a card");
    for (const auto &[id, contract] : last) {
        const TaskItem *card = cardWithID(result, id);
        require(card != nullptr, target, "a contract's card is missing");
        require(card->person == contract.person && card->title == contract.title && card->context == contract.context
                && card->kind == contract.kind && card->instruction == contract.instruction
                && card->sources == contract.sources,
            target, "a card does not hold its contract");
    }

    completes<>(target, true, [&] {
        result.validate();
        TallowinDocument saved = result;
        saved.revision += 1;
        saved.updatedAt = now;
        require(TaskMarkdownCodec::decode(TaskMarkdownCodec::encode(saved)) == saved, target,
            "the deck after ingest reads back differently from its file");
    });

    // Input that names each card once changes nothing the second time.
    if (last.size() == contracts.size()) {
        completes<>(target, true, [&] {
            TallowinAppending::Tally again;
            require(TallowinAppending::appending(result, contracts, now, &again) == result, target,
                "the same input applied again changed the deck");
            require(again == TallowinAppending::Tally {0, 0, last.size()}, target, "the second tally is off");
        });
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    std::vector<TaskContract> contracts;
    bool decoded = false;
    try {
        contracts = TaskContractJson::decode(text);
        decoded = true;
    } catch (const JsonReadError &error) {
        fuzz::requireSentence(target, error);
        require(std::string_view(error.what()).starts_with("Pipeline input "), target,
            "a fault of the input is not named as pipeline input's");
    } catch (const std::exception &error) {
        fuzz::fail(target, std::string("an undocumented error escaped the decode: ") + error.what());
    }
    if (!decoded)
        return 0;
    checkRoundTrip(contracts);

    TallowinDocument result;
    TallowinAppending::Tally tally;
    const bool applied = completes<TaskContractError>(
        target, true, [&] { result = TallowinAppending::appending(smallDeck(), contracts, now, &tally); });
    if (applied)
        checkApplied(contracts, result, tally);
    return 0;
}
