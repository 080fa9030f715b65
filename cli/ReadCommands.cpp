#include "cli/ReadCommands.h"

#include "TallowinCore/TallowinDocumentJson.h"
#include "TallowinCore/TaskMarkdownCodec.h"

#include <ostream>

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

} // namespace tallowin::cli
