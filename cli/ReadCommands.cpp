#include "cli/ReadCommands.h"

#include "TallowinCore/codec/TallowinDocumentJson.h"
#include "TallowinCore/codec/TaskMarkdownCodec.h"
#include "TallowinCore/workflow/TallowinReviewQueue.h"
#include "cli/CommandTable.h"

#include <ostream>
#include <unordered_map>

namespace tallowin::cli {

int runCheck(const CliContext &context)
{
    const TallowinDocument document = loadDeck(context.deckPath);
    context.out << "revision " << document.revision << ", " << document.tasks.size() << " cards, "
                << document.pendingCandidates.size() << " candidates\n";
    return 0;
}

int runShow(const CliContext &context)
{
    const TallowinDocument document = loadDeck(context.deckPath);
    context.out << TallowinDocumentJson::encode(document, JsonLayout::pretty, JsonSlashes::plain) << '\n';
    return 0;
}

int runRender(const CliContext &context)
{
    const TallowinDocument document = loadDeck(context.deckPath);
    context.out << TaskMarkdownCodec::encode(document);
    return 0;
}

int runQueue(const CliContext &context)
{
    const TallowinDocument document = loadDeck(context.deckPath);
    std::unordered_map<std::string_view, const TaskItem *> byID;
    byID.reserve(document.tasks.size());
    for (const TaskItem &task : document.tasks)
        byID.emplace(task.id, &task);
    for (const std::string &id : TallowinReviewQueue::ids(document)) {
        const TaskItem &task = *byID.at(id);
        context.out << task.id << '\t' << task.person << '\t' << task.title << '\n';
    }
    return 0;
}

void registerReadCommands(CommandTable &table)
{
    table.add("check", "Decode, migrate and validate the deck", runCheck);
    table.add("show", "Print the deck as the file's JSON block", runShow);
    table.add("render", "Print the deck file's text as it would be written", runRender);
    table.add("queue", "List the review queue: ID, person and title of each card", runQueue);
}

} // namespace tallowin::cli
