#include "TallowinCore/base/TallowinError.h"
#include "TallowinCore/codec/TaskContractJson.h"
#include "TallowinCore/io/TallowinTextFile.h"
#include "TallowinCore/workflow/ActionNotice.h"
#include "TallowinCore/workflow/TallowinAppending.h"
#include "TallowinCore/workflow/TallowinCommand.h"
#include "TallowinCore/workflow/TallowinNewTask.h"
#include "TallowinCore/workflow/TallowinReducer.h"
#include "cli/CommandTable.h"
#include "cli/IdResolution.h"
#include "cli/WritePath.h"

#include <algorithm>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>

// Actions on the deck as a whole and on the inbox, each printing the notice the application shows for it.

namespace tallowin::cli {

namespace {

struct DeckArguments
{
    std::string first;
    std::vector<std::string> more;
    std::string title;
    std::optional<std::string> person;
    std::optional<std::string> context;
    std::optional<std::string> kind;
};

// The application's add-task action, with the kind the command line may also choose.
TaskContract newTaskContract(const DeckArguments &arguments)
{
    TaskContract contract
        = TallowinNewTask::contract(arguments.first, arguments.context.value_or(""), arguments.person.value_or(""));
    if (arguments.kind) {
        const auto kind = taskKindFromRawValue(*arguments.kind);
        if (!kind)
            throw TallowinError("The kind " + *arguments.kind
                + " is not one of commitment, open, waiting_on, at_risk, decision, check, dependency.");
        contract.kind = *kind;
    }
    return contract;
}

std::vector<TaskContract> readContracts(const std::string &source)
{
    if (source == "-") {
        const std::string input(std::istreambuf_iterator<char>(std::cin), {});
        return TaskContractJson::decode(input);
    }
    return TaskContractJson::decode(TallowinTextFile::read(source));
}

DeckChange command(
    const TallowinDocument &document, const TallowinCommand &command, TallowinInstant now, std::string notice)
{
    return DeckChange {TallowinReducer::apply(command, document, now), std::move(notice)};
}

// For the commands that always change the deck (a fresh run ID, a card or candidate more or less).
DeckChange command(TallowinDocument &&document, const TallowinCommand &command, TallowinInstant now, std::string notice)
{
    return DeckChange {TallowinReducer::apply(command, std::move(document), now), std::move(notice)};
}

} // namespace

void registerDeckCommands(CommandTable &table)
{
    auto arguments = std::make_shared<DeckArguments>();

    auto add = table.add("add", "Add a task", [arguments](const CliContext &context) {
        const TaskContract contract = newTaskContract(*arguments);
        return runChange(context, [&](const TallowinDocument &document) {
            return DeckChange {
                TallowinAppending::appending(document, {contract}, context.nowText()), ActionNotice::taskAdded()};
        });
    });
    add->add_option("TITLE", arguments->first, "The task's title")->required();
    add->add_option("--context", arguments->context, "A longer description");
    add->add_option("--person", arguments->person, "Whom it concerns (you when blank)");
    add->add_option("--kind", arguments->kind, "commitment, open, waiting_on, at_risk, decision, check or dependency");

    table.add("run", "Begin a new review run over the active cards", [](const CliContext &context) {
        return runChangeInPlace(context, [&](TallowinDocument &&document) {
            return command(std::move(document), TallowinCommand::beginRun(), context.now, ActionNotice::startedRun());
        });
    });
    table.add("review-all", "Begin a run over every card still in play", [](const CliContext &context) {
        return runChangeInPlace(context, [&](TallowinDocument &&document) {
            return command(
                std::move(document), TallowinCommand::beginReviewAll(), context.now, ActionNotice::reviewingAll());
        });
    });
    table.add("due", "Return delayed cards whose time has come", [](const CliContext &context) {
        return runChange(context, [&](const TallowinDocument &document) {
            return command(document, TallowinCommand::activateDueTasks(context.now), context.now, "");
        });
    });

    auto merge = table.add("merge", "Merge related cards into one shared card", [arguments](const CliContext &context) {
        return runChangeInPlace(context, [&](TallowinDocument &&document) {
            const std::string primary = resolveCardID(document, arguments->first);
            std::set<std::string> selected;
            for (const std::string &argument : arguments->more)
                selected.insert(resolveCardID(document, argument));
            selected.erase(primary);
            const std::size_t count = selected.size() + 1;
            return command(std::move(document), TallowinCommand::mergeTasks(primary, selected, arguments->title),
                context.now, ActionNotice::merged(count));
        });
    });
    merge->add_option("PRIMARY", arguments->first, "The card whose kind and title the shared card takes")->required();
    merge->add_option("ID", arguments->more, "The related cards")->required();
    merge->add_option("--title", arguments->title, "The shared card's title");

    auto accept = table.add("accept", "Accept a suggested task from the inbox", [arguments](const CliContext &context) {
        return runChangeInPlace(context, [&](TallowinDocument &&document) {
            const std::string id = resolveCandidateID(document, arguments->first);
            // The candidate as reviewed: edited values replace the suggested ones before it becomes a card.
            TaskCandidate &candidate = *std::find_if(document.pendingCandidates.begin(),
                document.pendingCandidates.end(), [&](const TaskCandidate &c) { return c.id == id; });
            if (!arguments->title.empty())
                candidate.title = arguments->title;
            if (arguments->person)
                candidate.person = *arguments->person;
            if (arguments->context)
                candidate.context = *arguments->context;
            return command(std::move(document), TallowinCommand::acceptCandidate(id), context.now,
                ActionNotice::acceptedCandidate());
        });
    });
    accept->add_option("CANDIDATE", arguments->first, "The candidate's ID or the start of it")->required();
    accept->add_option("--title", arguments->title, "The title as reviewed");
    accept->add_option("--person", arguments->person, "The person as reviewed");
    accept->add_option("--context", arguments->context, "The context as reviewed");

    table
        .add("dismiss", "Dismiss a suggested task and remember its source",
            [arguments](const CliContext &context) {
                return runChangeInPlace(context, [&](TallowinDocument &&document) {
                    const std::string id = resolveCandidateID(document, arguments->first);
                    return command(std::move(document), TallowinCommand::dismissCandidate(id), context.now,
                        ActionNotice::dismissedCandidate());
                });
            })
        ->add_option("CANDIDATE", arguments->first, "The candidate's ID or the start of it")
        ->required();

    table
        .add("ingest", "Add or update cards from a JSON array of task contracts, or one contract",
            [arguments](const CliContext &context) {
                const std::vector<TaskContract> contracts = readContracts(arguments->first);
                const std::unique_ptr<TallowinRepository> repository = openRepository(context);
                repository->prepareIfNeeded(emptySeed(context));
                TallowinAppending::Tally tally;
                repository->ingest(contracts, &tally);
                if (tally.added + tally.updated > 0)
                    context.out << ActionNotice::pipelineInput(tally) << '\n';
                return 0;
            })
        ->add_option("FILE", arguments->first, "A file of contracts, or - for standard input")
        ->required();
}

} // namespace tallowin::cli
