#include "Tallowin/presentation/SourceLink.h"
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/workflow/ActionNotice.h"

#include "TallowinCore/workflow/TallowinAppending.h"
#include "TallowinCore/workflow/TallowinCommand.h"
#include "TallowinCore/workflow/TallowinDeciding.h"
#include "TallowinCore/workflow/TallowinDirectEdit.h"
#include "TallowinCore/workflow/TallowinDomainError.h"
#include "TallowinCore/workflow/TallowinNewTask.h"
#include "TallowinCore/workflow/TallowinReducer.h"

#include <algorithm>
#include <cctype>

// The user's actions on the deck. Each picks its core operation, notice and save activity; the commit path
// does the rest. The card is looked up when the action runs, so a card a reload removed is reported, not
// acted on.

namespace tallowin {

namespace {

TaskStore::Change taskChange(std::optional<std::string> notice)
{
    TaskStore::Change change;
    change.notice = std::move(notice);
    return change;
}

// Decisions and commands validate what they return.
TaskStore::Change validatedTaskChange(std::optional<std::string> notice)
{
    TaskStore::Change change = taskChange(std::move(notice));
    change.validatedByCore = true;
    return change;
}

} // namespace

std::string TaskStore::titleOf(const std::string &taskID) const
{
    for (const TaskItem &task : m_document->tasks) {
        if (task.id == taskID)
            return task.title;
    }
    return {};
}

void TaskStore::finishPileCarousel(const std::set<std::string> &taskIDs)
{
    if (!m_review.pileCarousel || taskIDs.empty())
        return;
    m_review.pileCarousel->finish(taskIDs);
    emit reviewChanged();
}

void TaskStore::leaveReview(const std::string &taskID)
{
    finishPileCarousel({taskID});
}

bool TaskStore::addTask(const std::string &title, const std::string &context, const std::string &person)
{
    if (!acceptsActions())
        return false;
    return commitChange(
        [&](Working &working, TallowinInstant now) {
            return TallowinAppending::appending(
                working.current(), {TallowinNewTask::contract(title, context, person)}, TallowinClock::now(now));
        },
        taskChange(ActionNotice::taskAdded()));
}

bool TaskStore::complete(const std::string &taskID, const std::string &outcome)
{
    const bool committed = commitChange(
        [&](Working &working, TallowinInstant now) {
            return TallowinDeciding::deciding(working.take(), taskID, TaskDecision::complete(outcome), "", now);
        },
        validatedTaskChange(ActionNotice::completed(titleOf(taskID))));
    if (committed)
        leaveReview(taskID);
    return committed;
}

bool TaskStore::delay(
    const std::string &taskID, DelayChoice choice, std::optional<TallowinInstant> customDate, const std::string &note)
{
    const TallowinInstant date = customDate.value_or(m_services.clock());
    const bool committed = commitChange(
        [&](Working &working, TallowinInstant now) {
            return TallowinDeciding::deciding(working.take(), taskID, decision(choice, date), note, now);
        },
        validatedTaskChange(ActionNotice::delayed(titleOf(taskID), choice)));
    if (committed)
        leaveReview(taskID);
    return committed;
}

bool TaskStore::remove(const std::string &taskID)
{
    const bool committed = commitChange(
        [&](Working &working, TallowinInstant now) {
            return TallowinDeciding::deciding(working.take(), taskID, TaskDecision::remove(), "", now);
        },
        validatedTaskChange(ActionNotice::removed()));
    if (committed)
        leaveReview(taskID);
    return committed;
}

bool TaskStore::restore(const std::string &taskID)
{
    return commitChange(
        [&](Working &working, TallowinInstant now) {
            return TallowinDeciding::deciding(working.take(), taskID, TaskDecision::restore(), "", now);
        },
        validatedTaskChange(std::nullopt));
}

void TaskStore::nextCard(const std::string &taskID)
{
    Change change;
    change.activity = TallowinSaveActivity::reviewOrder;
    change.keepsUndoSnapshot = true;
    change.validatedByCore = true;
    const bool accepted = acceptsActions();
    commitChange(
        [&](Working &working, TallowinInstant now) {
            return TallowinReducer::apply(TallowinCommand::moveToBack(taskID), working.take(), now);
        },
        change);
    // The pile being browsed moves on even when the deck's own order had nothing to change.
    if (accepted && m_review.pileCarousel) {
        m_review.pileCarousel->moveCurrentToBack();
        emit reviewChanged();
    }
}

void TaskStore::beginRun()
{
    commitChange(
        [](Working &working, TallowinInstant now) {
            return TallowinReducer::apply(TallowinCommand::beginRun(), working.take(), now);
        },
        validatedTaskChange(ActionNotice::startedRun()));
}

void TaskStore::reviewAll()
{
    commitChange(
        [](Working &working, TallowinInstant now) {
            return TallowinReducer::apply(TallowinCommand::beginReviewAll(), working.take(), now);
        },
        validatedTaskChange(ActionNotice::reviewingAll()));
}

bool TaskStore::merge(const std::string &primaryID, const std::set<std::string> &selectedIDs, const std::string &title)
{
    // The count is of the cards given to the merge, the primary among them.
    const std::size_t count = selectedIDs.size() + (selectedIDs.count(primaryID) ? 0 : 1);
    return commitChange(
        [&](Working &working, TallowinInstant now) {
            return TallowinReducer::apply(
                TallowinCommand::mergeTasks(primaryID, selectedIDs, title), working.take(), now);
        },
        validatedTaskChange(ActionNotice::merged(count)));
}

bool TaskStore::acceptCandidate(const TaskCandidate &reviewed)
{
    return commitChange(
        [&](Working &working, TallowinInstant now) {
            const std::vector<TaskCandidate> &pending = working.current().pendingCandidates;
            const auto found = std::find_if(pending.begin(), pending.end(),
                [&](const TaskCandidate &candidate) { return candidate.id == reviewed.id; });
            if (found == pending.end())
                throw TallowinDomainError::candidateNotFound(reviewed.id);
            const std::size_t index = std::size_t(found - pending.begin());
            // The candidate as the user reviewed it replaces the suggestion before it becomes a card.
            TallowinDocument edited = working.take();
            edited.pendingCandidates[index] = reviewed;
            return TallowinReducer::apply(TallowinCommand::acceptCandidate(reviewed.id), std::move(edited), now);
        },
        validatedTaskChange(ActionNotice::acceptedCandidate()));
}

bool TaskStore::dismissCandidate(const std::string &candidateID)
{
    return commitChange(
        [&](Working &working, TallowinInstant now) {
            return TallowinReducer::apply(TallowinCommand::dismissCandidate(candidateID), working.take(), now);
        },
        validatedTaskChange(ActionNotice::dismissedCandidate()));
}

bool TaskStore::changePerson(const std::string &taskID, const std::string &person)
{
    return commitChange(
        [&](Working &working, TallowinInstant now) {
            return TallowinDirectEdit::changingPerson(working.current(), taskID, person, now);
        },
        taskChange(ActionNotice::changedPerson()));
}

bool TaskStore::requestAgentAction(const std::string &taskID, const std::string &instruction)
{
    const bool committed = commitChange(
        [&](Working &working, TallowinInstant now) {
            return TallowinDirectEdit::requestingAgentAction(working.current(), taskID, instruction, now);
        },
        taskChange(ActionNotice::requestedAgentAction(titleOf(taskID))));
    if (committed)
        leaveReview(taskID);
    return committed;
}

void TaskStore::present(const TallowinPresentation &presentation)
{
    m_presentation = presentation;
    emit presentationChanged();
}

void TaskStore::dismissPresentation()
{
    m_presentation.reset();
    emit presentationChanged();
}

void TaskStore::setOpenFilter(OpenFilter filter)
{
    if (m_openFilter == filter)
        return;
    m_openFilter = filter;
    emit openFilterChanged();
}

void TaskStore::openPileCarousel(DelayChoice choice)
{
    const TallowinInstant now = m_services.clock();
    std::vector<std::string> ids;
    for (const TaskItem &task : orderedTasks()) {
        if (task.state == TaskState::delayed && pileOf(task, now) == choice)
            ids.push_back(task.id);
    }
    m_review.pileCarouselChoice = choice;
    m_review.pileCarousel = TaskCarouselSession(ids);
    m_review.carouselTitle = std::string(pileLabel(choice));
    emit reviewChanged();
}

void TaskStore::closePileCarousel()
{
    m_review.pileCarouselChoice.reset();
    m_review.pileCarousel.reset();
    m_review.carouselTitle.reset();
    emit reviewChanged();
}

void TaskStore::setReview(const TaskReviewInteraction &review)
{
    if (m_review == review)
        return;
    m_review = review;
    emit reviewChanged();
}

void TaskStore::clearNotice()
{
    setNotice(std::nullopt);
}

void TaskStore::clearErrorMessage()
{
    setErrorMessage(std::nullopt);
}

void TaskStore::reportError(std::string message)
{
    setErrorMessage(std::move(message));
}

bool TaskStore::openSourceLink(const std::string &link)
{
    if (const std::optional<std::string> refusal = SourceLink::refusal(link)) {
        setErrorMessage(*refusal);
        return false;
    }
    if (!m_services.openLink || !m_services.openLink(link)) {
        setErrorMessage(std::string(SourceLink::noBrowser));
        return false;
    }
    return true;
}

} // namespace tallowin
