#include "Tallowin/store/TaskStore.h"

#include "Tallowin/store/FailureText.h"
#include "TallowinCore/storage/TallowinRepositoryError.h"

namespace tallowin {

namespace {

bool isRevisionConflict(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const TallowinRepositoryError &error) {
        return error.kind() == TallowinRepositoryError::Kind::revisionConflict;
    } catch (...) {
        return false;
    }
}

} // namespace

bool TaskStore::acceptsActions() const
{
    return m_hasLoaded && m_saveActivity == TallowinSaveActivity::idle && !m_reloadGate.isLoading;
}

bool TaskStore::commitChange(const Compute &compute, const Change &change)
{
    if (!acceptsActions())
        return false;
    const TallowinInstant now = m_services.clock();
    std::shared_ptr<TallowinDocument> changed;
    Working working(*m_document, std::exchange(m_spare, nullptr));
    try {
        changed = std::make_shared<TallowinDocument>(compute(working, now));
        if (*changed == *m_document) {
            // Nothing to save; the unchanged result serves as the next action's copy.
            m_spare = working.unusedSpare();
            if (!m_spare)
                m_spare = std::move(changed);
            return false;
        }
        changed->revision = m_document->revision + 1;
        changed->updatedAt = TallowinClock::now(now);
        if (!change.validatedByCore)
            changed->validate();
    } catch (...) {
        setErrorMessage(failureText(std::current_exception()));
        m_spare = working.unusedSpare();
        if (!m_spare)
            prepareSpare();
        return false;
    }

    std::shared_ptr<const TallowinDocument> undoCandidate = m_document;
    const std::int64_t expectedRevision = m_document->revision;
    std::shared_ptr<const TallowinDocument> published = std::move(changed);
    setDocument(published, NotificationRule::Arrival::ownChange, false);
    setSaveActivity(change.activity);
    if (change.notice)
        setNotice(change.notice);

    // The repository writes the published deck itself, revision and time included, without copying it; it knows the
    // file it last wrote, so it reads the file on disk only when another writer may have changed it.
    auto written = std::make_shared<std::optional<FileSnapshot>>();
    onWorker(
        [repository = m_repository, published, expectedRevision, written, watched = watchedFile()] {
            repository->save(*published, expectedRevision);
            if (watched)
                *written = FileSnapshot::of(*watched);
        },
        [undoCandidate = std::move(undoCandidate), change, written](TaskStore &store, std::exception_ptr failure) {
            store.acknowledgeOwnWrite(*written);
            store.finishSave(failure, undoCandidate, change);
        });
    // Behind the save on the worker, so the disk gets the change first.
    prepareSpare();
    return true;
}

void TaskStore::finishSave(
    std::exception_ptr failure, std::shared_ptr<const TallowinDocument> undoCandidate, const Change &change)
{
    if (failure) {
        setErrorMessage(failureText(failure));
        // The save is over either way; a conflict then reads what the other writer left.
        setSaveActivity(TallowinSaveActivity::idle);
        emit saveFinished();
        if (isRevisionConflict(failure))
            reload();
        else
            startPendingReload();
        return;
    }
    if (!change.keepsUndoSnapshot)
        m_undoDocument = change.undoable ? std::move(undoCandidate) : nullptr;
    if (m_cloudSync)
        m_cloudSync->requestSync();
    if (change.notice)
        setNotice(change.notice);
    setSaveActivity(TallowinSaveActivity::idle);
    emit saveFinished();
    startPendingReload();
}

void TaskStore::startPendingReload()
{
    if (m_reloadGate.beginIfReady(isWriting(m_saveActivity)))
        runLoad();
}

void TaskStore::undo()
{
    if (!m_undoDocument)
        return;
    const std::shared_ptr<const TallowinDocument> snapshot = m_undoDocument;
    Change change;
    change.notice = "Undid the last action.";
    change.undoable = false;
    commitChange([snapshot](Working &, TallowinInstant) { return *snapshot; }, change);
}

} // namespace tallowin
