#include "tests/app/support/WindowDecks.h"

#include "tests/support/DeckBuilders.h"

namespace tallowin::test {

namespace {

TaskSource source(const std::string &label, const std::string &url)
{
    return TaskSource {label, url, std::nullopt, std::nullopt, std::nullopt};
}

TaskItem delayed(TaskItem task, const std::string &target, const std::string &resumeAt)
{
    task.state = TaskState::delayed;
    task.delayTarget = target;
    task.resumeAt = resumeAt;
    return task;
}

} // namespace

TaskItem WindowDecks::card(const std::string &id, std::int64_t order, const std::string &person,
    const std::string &title, const std::string &context, TaskKind kind)
{
    TaskItem task = makeTask(id, order);
    task.person = person;
    task.title = title;
    task.context = context;
    task.kind = kind;
    return task;
}

TallowinDocument WindowDecks::review()
{
    std::vector<TaskItem> tasks;
    TaskItem first = card("KB-101", 1, "Ana Moreno",
        "Send the signed lease addendum back to the landlord before the Friday deadline, with the parking clause",
        "Ana forwarded the addendum on Tuesday. The parking clause still says “one space” — ask for the second space "
        "we agreed on the phone, then sign and scan all four pages.",
        TaskKind::commitment);
    first.highlighted = true;
    first.sources = {source("Email from Ana", "https://mail.example.com/thread/8812"),
        source("Lease addendum (PDF)", "https://files.example.com/lease-addendum.pdf"),
        source("#home channel", "https://example.slack.com/archives/C01/p1710400000")};
    tasks.push_back(first);
    tasks.push_back(card("KB-102", 2, "Jonas", "Review the pull request for the export dialog",
        "He asked for a look at the error handling before he merges.", TaskKind::waitingOn));
    tasks.push_back(card(
        "KB-103", 3, "Me", "Book the dentist for March", "Dr. Ilić has openings on Tuesday mornings.", TaskKind::open));
    tasks.push_back(card("KB-104", 4, "Priya", "Decide on the venue for the team offsite",
        "Two options left: the lake house or the old brewery. Budget is 4,000 €.", TaskKind::decision));
    tasks.push_back(card("KB-105", 5, "Me", "Renew the passport", "", TaskKind::atRisk));
    tasks.push_back(card(
        "KB-106", 6, "Lea", "Check the invoice numbers for February", "Two invoices share a number.", TaskKind::check));
    tasks.push_back(
        card("KB-107", 7, "Tom", "Wait for the design tokens before the theme work", "", TaskKind::dependency));
    for (int index = 8; index <= 12; ++index)
        tasks.push_back(card("KB-1" + std::to_string(index < 10 ? 0 : 1) + std::to_string(index % 10), index, "Me",
            "Follow up on item " + std::to_string(index), "Context for item " + std::to_string(index), TaskKind::open));
    tasks.push_back(delayed(card("KB-201", 20, "Ana Moreno", "Water the plants on the balcony", "", TaskKind::open),
        "tomorrow", "2026-03-15T09:26:53.589Z"));
    tasks.push_back(delayed(
        card("KB-202", 21, "Me", "Call the bank about the card limit", "They close at five.", TaskKind::commitment),
        "tomorrow", "2026-03-15T09:26:53.589Z"));
    tasks.push_back(delayed(card("KB-203", 22, "Jonas", "Send Jonas the slides from the talk",
                                "He wants the version with speaker notes.", TaskKind::commitment),
        "tomorrow", "2026-03-15T09:26:53.589Z"));
    tasks.push_back(delayed(
        card("KB-204", 23, "Me", "Plan the garden beds", "", TaskKind::open), "nextWeek", "2026-03-21T09:26:53.589Z"));
    tasks.push_back(delayed(card("KB-205", 24, "Me", "Sort the photos from the trip", "", TaskKind::open), "nextWeek",
        "2026-03-21T09:26:53.589Z"));
    TaskItem asked = card("KB-301", 30, "Priya", "Draft the offsite agenda", "", TaskKind::commitment);
    asked.state = TaskState::actionRequested;
    asked.instruction = "Draft a one-page agenda";
    tasks.push_back(asked);

    TallowinDocument deck = makeDocument(std::move(tasks));
    deck.runID = "4c1d7d2e-5b8e-4a52-9d0c-7d3f0c6b2a11";
    deck.runTaskIDs = std::vector<std::string> {};
    for (int index = 1; index <= 12; ++index)
        deck.runTaskIDs->push_back(deck.tasks[std::size_t(index - 1)].id);
    // Three decided earlier in this run, put back in front of the run so the queue starts at the first card.
    deck.runTaskIDs->insert(deck.runTaskIDs->begin(), {"KB-201", "KB-204", "KB-301"});
    deck.runProcessedIDs = std::vector<std::string> {"KB-201", "KB-204", "KB-301"};
    deck.pendingCandidates.push_back(makeCandidate("cand-1", "https://example.slack.com/archives/C02/p1"));
    deck.pendingCandidates.push_back(makeCandidate("cand-2", "https://example.slack.com/archives/C02/p2"));
    return deck;
}

TallowinDocument WindowDecks::allCaughtUp()
{
    TallowinDocument deck = review();
    deck.runID.reset();
    deck.runTaskIDs.reset();
    deck.runProcessedIDs.reset();
    for (TaskItem &task : deck.tasks) {
        if (task.state == TaskState::active) {
            task.state = TaskState::completed;
            task.result = "Done.";
        }
    }
    return deck;
}

TallowinDocument WindowDecks::runFinished()
{
    TallowinDocument deck = review();
    deck.runTaskIDs = std::vector<std::string> {"KB-101", "KB-102"};
    deck.runProcessedIDs = std::vector<std::string> {"KB-101", "KB-102"};
    deck.tasks[0].state = TaskState::completed;
    deck.tasks[1].state = TaskState::completed;
    return deck;
}

TallowinDocument WindowDecks::longCard()
{
    TaskItem task = card("KB-401", 1, "Dr. Konstantin Alexandrov-Papadopoulos",
        "Prepare the quarterly compliance report for the supervisory board, including the appendix on data "
        "retention, the vendor risk register and the updated incident timeline from January",
        "The board meets on the 28th. Last quarter they asked for the vendor list sorted by risk, not by spend. "
        "Legal wants the retention appendix reviewed by Marta first; she is away until Wednesday. The incident "
        "timeline needs the two late entries from the on-call log. Use the new template — the old one still has "
        "last year's logo. Send the draft to Priya and Jonas on Monday so they can add the finance and security "
        "sections. Keep it under twenty pages; the appendix does not count.",
        TaskKind::atRisk);
    task.highlighted = true;
    for (int index = 1; index <= 12; ++index)
        task.sources.push_back(
            source("Source " + std::to_string(index), "https://example.com/source/" + std::to_string(index)));
    TaskItem next = card("KB-402", 2, "Me", "Next", "", TaskKind::open);
    return makeDocument({task, next});
}

} // namespace tallowin::test
