#include "TallowinCore/base/TallowinError.h"
#include "TallowinCore/workflow/ActionNotice.h"
#include "TallowinCore/workflow/DelayChoice.h"
#include "TallowinCore/workflow/TallowinCommand.h"
#include "TallowinCore/workflow/TallowinDeciding.h"
#include "TallowinCore/workflow/TallowinDirectEdit.h"
#include "TallowinCore/workflow/TallowinReducer.h"
#include "cli/CommandTable.h"
#include "cli/IdResolution.h"
#include "cli/ReadCommands.h"
#include "cli/WritePath.h"

#include <algorithm>
#include <memory>

// The actions on one card, each printing the notice the application shows for it.

namespace tallowin::cli {

namespace {

const std::string &titleOf(const TallowinDocument &document, const std::string &taskID)
{
    return std::find_if(document.tasks.begin(), document.tasks.end(), [&](const TaskItem &task) {
        return task.id == taskID;
    })->title;
}

// The pile a WHEN argument names, and the date of a chosen one.
struct DelayRequest
{
    DelayChoice choice;
    TallowinInstant date;
};

DelayRequest delayRequest(const std::string &when, TallowinInstant now)
{
    if (when == "tomorrow")
        return {DelayChoice::tomorrow, now};
    if (when == "next-week")
        return {DelayChoice::nextWeek, now};
    if (when == "next-run")
        return {DelayChoice::nextRun, now};
    if (const auto instant = TallowinClock::date(when))
        return {DelayChoice::custom, *instant};
    throw TallowinError(
        "Delay to tomorrow, next-week, next-run or a time such as 2026-03-14T09:26:53.589Z, not " + when + ".");
}

struct CardArguments
{
    std::string id;
    std::string text;
    std::string note;
};

CLI::App *addCardCommand(CommandTable &table, const char *name, const char *description,
    const std::shared_ptr<CardArguments> &arguments, CommandAction action)
{
    CLI::App *command = table.add(name, description, std::move(action));
    command->add_option("ID", arguments->id, "The card's ID or the start of it")->required();
    return command;
}

} // namespace

void registerReviewCommands(CommandTable &table)
{
    auto arguments = std::make_shared<CardArguments>();

    addCardCommand(table, "complete", "Complete a card; links in the outcome become evidence", arguments,
        [arguments](const CliContext &context) {
            return runChangeInPlace(context, [&](TallowinDocument &&document) {
                const std::string id = resolveCardID(document, arguments->id);
                std::string notice = ActionNotice::completed(titleOf(document, id));
                return DeckChange {TallowinDeciding::deciding(std::move(document), id,
                                       TaskDecision::complete(arguments->text), "", context.now),
                    std::move(notice)};
            });
        })
        ->add_option("OUTCOME", arguments->text, "What came of it");

    auto delay = addCardCommand(
        table, "delay", "Send a card to a later pile", arguments, [arguments](const CliContext &context) {
            const DelayRequest request = delayRequest(arguments->text, context.now);
            return runChangeInPlace(context, [&](TallowinDocument &&document) {
                const std::string id = resolveCardID(document, arguments->id);
                std::string notice = ActionNotice::delayed(titleOf(document, id), request.choice);
                return DeckChange {TallowinDeciding::deciding(std::move(document), id,
                                       decision(request.choice, request.date), arguments->note, context.now),
                    std::move(notice)};
            });
        });
    delay->add_option("WHEN", arguments->text, "tomorrow, next-week, next-run or a timestamp")->required();
    delay->add_option("--note", arguments->note, "Why");

    addCardCommand(table, "remove", "Remove a card", arguments, [arguments](const CliContext &context) {
        return runChangeInPlace(context, [&](TallowinDocument &&document) {
            const std::string id = resolveCardID(document, arguments->id);
            return DeckChange {
                TallowinDeciding::deciding(std::move(document), id, TaskDecision::remove(), "", context.now),
                ActionNotice::removed()};
        });
    });

    addCardCommand(
        table, "restore", "Bring a finished card back into review", arguments, [arguments](const CliContext &context) {
            return runChangeInPlace(context, [&](TallowinDocument &&document) {
                const std::string id = resolveCardID(document, arguments->id);
                return DeckChange {
                    TallowinDeciding::deciding(std::move(document), id, TaskDecision::restore(), "", context.now), ""};
            });
        });

    addCardCommand(
        table, "next", "Move a card of the run behind the others", arguments, [arguments](const CliContext &context) {
            return runChange(context, [&](const TallowinDocument &document) {
                const std::string id = resolveCardID(document, arguments->id);
                return DeckChange {TallowinReducer::apply(TallowinCommand::moveToBack(id), document, context.now), ""};
            });
        });

    addCardCommand(table, "person", "Change whom a card concerns", arguments,
        [arguments](const CliContext &context) {
            return runChange(context, [&](const TallowinDocument &document) {
                const std::string id = resolveCardID(document, arguments->id);
                return DeckChange {TallowinDirectEdit::changingPerson(document, id, arguments->text, context.now),
                    ActionNotice::changedPerson()};
            });
        })
        ->add_option("NAME", arguments->text, "The person")
        ->required();

    addCardCommand(table, "ask", "Queue an instruction for the outside agent", arguments,
        [arguments](const CliContext &context) {
            return runChange(context, [&](const TallowinDocument &document) {
                const std::string id = resolveCardID(document, arguments->id);
                return DeckChange {
                    TallowinDirectEdit::requestingAgentAction(document, id, arguments->text, context.now),
                    ActionNotice::requestedAgentAction(titleOf(document, id))};
            });
        })
        ->add_option("INSTRUCTION", arguments->text, "What the agent should do")
        ->required();
}

} // namespace tallowin::cli
