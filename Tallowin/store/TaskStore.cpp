#include "Tallowin/store/TaskStore.h"

#include "Tallowin/platform/CanonicalFilePresenter.h"
#include "Tallowin/store/FailureText.h"
#include "TallowinCore/document/TaskOrder.h"
#include "TallowinCore/io/TallowinFileLocation.h"
#include "TallowinCore/io/TallowinPrivateStorage.h"
#include "TallowinCore/io/TallowinTextFile.h"
#include "TallowinCore/settings/TallowinSettingsFile.h"
#include "TallowinCore/workflow/TallowinCommand.h"
#include "TallowinCore/workflow/TallowinMerge.h"
#include "TallowinCore/workflow/TallowinReducer.h"
#include "TallowinCore/workflow/TallowinReviewQueue.h"

#include <QPointer>

#include <algorithm>

namespace tallowin {

// What a load hands back to the main thread.
struct TaskStore::LoadResult
{
    std::shared_ptr<const TallowinDocument> document;
    std::exception_ptr failure;
    // Set when the load saved the deck itself.
    std::optional<FileSnapshot> written;
};

TaskStore::TaskStore(
    std::optional<std::filesystem::path> filePath, bool observesExternalChanges, Services services, QObject *parent)
    : QObject(parent)
    , m_services(std::move(services))
    , m_document(std::make_shared<const TallowinDocument>(seedDocument(m_services.clock())))
    , m_settings(TallowinSettings::defaults())
    , m_observesExternalChanges(observesExternalChanges)
{
    resolveStorage(filePath);
    m_repository = std::make_shared<TallowinRepository>(m_filePath, m_services.clock);
    m_settingsFilePath = TallowinFileLocation::settingsPath(m_filePath);
    m_fileAccess = std::make_unique<CanonicalFileAccess>(*m_services.userDefaults);
    m_discoveryRunner
        = std::make_unique<LocalDiscoveryRunner>(m_services.worker, m_services.mainThread, m_services.openLink);
    m_syncConnection = new SyncConnection(
        {m_services.syncCredentials, m_services.credentialsWorker ? m_services.credentialsWorker : m_services.worker,
            m_services.mainThread},
        this);
    // What sync signs in with changed: the next run shows whether it works.
    connect(m_syncConnection, &SyncConnection::setupChanged, this, [this] {
        if (m_cloudSync)
            m_cloudSync->requestSync();
    });
    if (m_observesExternalChanges && !m_storageResolutionError) {
        installPresenters();
        try {
            loadSettings(true);
        } catch (const std::exception &) {
            // The defaults stay; the settings screen shows the problem when the user opens it.
        }
    }
}

TaskStore::~TaskStore() = default;

TallowinDocument TaskStore::seedDocument(TallowinInstant now)
{
    return TallowinMerge::emptyDeck(now);
}

void TaskStore::resolveStorage(const std::optional<std::filesystem::path> &filePath)
{
    std::optional<std::filesystem::path> explicitLocation = filePath;
    if (!explicitLocation) {
        // Set to anything, even an empty text, the variable names the deck.
        if (const auto path = m_services.environment("TALLOWIN_FILE_PATH"))
            explicitLocation = std::filesystem::path(*path);
    }
    if (explicitLocation) {
        m_filePath = *explicitLocation;
        m_usesCanonicalStorage = false;
        return;
    }
    m_usesCanonicalStorage = true;
    try {
        m_filePath = m_services.defaultDeckFile();
    } catch (...) {
        m_storageResolutionError = storageErrorPrefix + failureText(std::current_exception());
        // A harmless target for a repository that is never used.
        m_filePath = "/dev/null";
    }
}

void TaskStore::installPresenters()
{
    const QPointer<TaskStore> self(this);
    delete m_filePresenter;
    m_filePresenter = new CanonicalFilePresenter(m_filePath, this);
    m_filePresenter->setOnChange([self] {
        if (self)
            self->presentedFileChanged();
    });
    delete m_settingsPresenter;
    m_settingsPresenter = new CanonicalFilePresenter(m_settingsFilePath, this);
    m_settingsPresenter->setOnChange([self] {
        if (!self)
            return;
        try {
            self->loadSettings(false);
        } catch (const std::exception &) {
            // A half-written or invalid file: the previous settings stay.
        }
    });
}

std::optional<std::filesystem::path> TaskStore::watchedFile() const
{
    if (!m_filePresenter)
        return std::nullopt;
    return m_filePresenter->presentedItemPath();
}

void TaskStore::acknowledgeOwnWrite(const std::optional<FileSnapshot> &written)
{
    if (written && m_filePresenter)
        m_filePresenter->acknowledgeOwnWrite(*written);
}

void TaskStore::onWorker(std::function<void()> job, std::function<void(TaskStore &, std::exception_ptr)> done)
{
    const QPointer<TaskStore> self(this);
    m_services.worker->post(
        [job = std::move(job), done = std::move(done), self, mainThread = m_services.mainThread]() mutable {
            std::exception_ptr failure;
            try {
                job();
            } catch (...) {
                failure = std::current_exception();
            }
            mainThread->post([self, failure, done = std::move(done)] {
                if (self)
                    done(*self, failure);
            });
        });
}

void TaskStore::reload()
{
    if (m_storageResolutionError) {
        setErrorMessage(m_storageResolutionError);
        return;
    }
    if (m_reloadGate.request(isWriting(m_saveActivity)))
        runLoad();
}

void TaskStore::presentedFileChanged()
{
    // Our own writes and changes that land during a load are covered by what runs now.
    if (m_saveActivity != TallowinSaveActivity::idle || m_reloadGate.isLoading)
        return;
    reload();
}

void TaskStore::runLoad()
{
    setIsReloading(!m_hasLoaded);
    if (m_observesExternalChanges && m_usesCanonicalStorage)
        recordFilePath();
    const TallowinInstant now = m_services.clock();
    auto result = std::make_shared<LoadResult>();
    onWorker(
        [repository = m_repository, result, now, watched = watchedFile()] {
            const bool existed = watched && FileSnapshot::of(*watched).exists;
            TallowinDocument loaded = repository->prepareIfNeeded(seedDocument(now));
            // A missing deck was just written with the seed.
            if (watched && !existed)
                result->written = FileSnapshot::of(*watched);
            TallowinDocument activated = TallowinReducer::apply(TallowinCommand::activateDueTasks(now), loaded, now);
            if (activated == loaded) {
                result->document = std::make_shared<const TallowinDocument>(std::move(loaded));
                return;
            }
            // Cards whose time has come are back in review before anyone sees the deck.
            const std::int64_t loadedRevision = loaded.revision;
            activated.revision = loadedRevision + 1;
            loaded = {};
            repository->save(activated, loadedRevision);
            result->document = std::make_shared<const TallowinDocument>(std::move(activated));
            if (watched)
                result->written = FileSnapshot::of(*watched);
        },
        [result](TaskStore &store, std::exception_ptr failure) {
            result->failure = failure;
            store.finishLoad(result);
        });
}

void TaskStore::finishLoad(std::shared_ptr<LoadResult> result)
{
    acknowledgeOwnWrite(result->written);
    if (result->failure) {
        setErrorMessage(failureText(result->failure));
    } else {
        setDocument(std::move(result->document), NotificationRule::Arrival::load);
        setHasLoaded(true);
        if (m_review.pileCarousel) {
            std::set<std::string> leftReview;
            for (const std::string &id : m_review.pileCarousel->taskIDs()) {
                const auto task = std::find_if(m_document->tasks.begin(), m_document->tasks.end(),
                    [&](const TaskItem &item) { return item.id == id; });
                if (task == m_document->tasks.end()
                    || (task->state != TaskState::active && task->state != TaskState::delayed))
                    leftReview.insert(id);
            }
            finishPileCarousel(leftReview);
        }
        startCloudSyncIfNeeded();
    }
    setIsReloading(false);
    m_reloadGate.finish();
    emit loadFinished();
    if (m_reloadGate.beginIfReady(isWriting(m_saveActivity)))
        runLoad();
}

void TaskStore::startCloudSyncIfNeeded()
{
    if (!m_usesCanonicalStorage || m_cloudSync || !m_services.makeCloudSync)
        return;
    m_cloudSync = m_services.makeCloudSync(m_repository, m_filePath.parent_path());
    if (!m_cloudSync)
        return;
    const QPointer<TaskStore> self(this);
    m_cloudSync->setOnChange([self](const TallowinDocument &document) {
        if (self)
            self->setDocument(std::make_shared<const TallowinDocument>(document), NotificationRule::Arrival::sync);
    });
    m_cloudSync->setOnStateChange([self] {
        if (self)
            emit self->cloudSyncChanged();
    });
    emit cloudSyncChanged();
}

void TaskStore::recordFilePath()
{
    m_services.userDefaults->setString(UserDefaults::filePathKey, QString::fromStdString(m_filePath.string()));
}

void TaskStore::loadSettings(bool createIfMissing)
{
    if (createIfMissing) {
        setSettings(TallowinSettingsFile::loadOrCreate(m_settingsFilePath));
        return;
    }
    if (std::optional<TallowinSettings> stored = TallowinSettingsFile::loadIfPresent(m_settingsFilePath))
        setSettings(std::move(*stored));
}

void TaskStore::saveSettings(const TallowinSettings &settings)
{
    // Refused input is told at once; the file is written on the worker, like the deck.
    TallowinSettings validated = settings.validated();
    setIsSavingSettings(true);
    m_settingsSaveError.reset();
    auto saved = std::make_shared<TallowinSettings>();
    onWorker([file = m_settingsFilePath, validated = std::move(validated),
                 saved] { *saved = TallowinSettingsFile::save(file, validated); },
        [saved](TaskStore &store, std::exception_ptr failure) {
            if (failure) {
                store.m_settingsSaveError = failureText(failure);
            } else {
                store.setSettings(std::move(*saved));
                store.setNotice("Saved Tallowin settings. Scheduled scans will use them on the next hourly check.");
            }
            store.setIsSavingSettings(false);
            emit store.settingsSaveFinished();
        });
}

void TaskStore::setIsSavingSettings(bool value)
{
    if (m_isSavingSettings == value)
        return;
    m_isSavingSettings = value;
    emit isSavingSettingsChanged();
}

DeckHeaderPresentation TaskStore::headerPresentation() const
{
    DeckHeaderPresentation::StoreState state;
    state.hasLoaded = m_hasLoaded;
    state.hasError = m_errorMessage.has_value();
    state.saveActivity = m_saveActivity;
    state.hasUndoDocument = m_undoDocument != nullptr;
    state.isLoading = m_reloadGate.isLoading;
    state.isScanning = m_isScanning;
    return DeckHeaderPresentation::make(*m_document, state, m_services.clock());
}

std::optional<TaskItem> TaskStore::currentTask() const
{
    std::optional<std::string> id;
    if (m_review.pileCarousel) {
        id = m_review.pileCarousel->currentTaskID();
    } else {
        const std::vector<std::string> &queue = reviewQueueIDs();
        if (!queue.empty())
            id = queue.front();
    }
    if (!id)
        return std::nullopt;
    for (const TaskItem &task : m_document->tasks) {
        if (task.id == *id)
            return task;
    }
    return std::nullopt;
}

const std::vector<std::string> &TaskStore::reviewQueueIDs() const
{
    if (!m_reviewQueueIDs)
        m_reviewQueueIDs = TallowinReviewQueue::ids(*m_document);
    return *m_reviewQueueIDs;
}

std::vector<TaskItem> TaskStore::orderedTasks() const
{
    std::vector<TaskItem> tasks = m_document->tasks;
    std::stable_sort(tasks.begin(), tasks.end(), &TaskOrder::precedes);
    return tasks;
}

void TaskStore::setDocument(
    std::shared_ptr<const TallowinDocument> document, NotificationRule::Arrival arrival, bool prepareNextCopy)
{
    const std::shared_ptr<const TallowinDocument> before = std::exchange(m_document, std::move(document));
    m_reviewQueueIDs.reset();
    m_spare.reset();
    emit documentChanged();
    if (m_services.notifier && arrival != NotificationRule::Arrival::ownChange) {
        const std::optional<DesktopNotification> notification = NotificationRule::decide({arrival,
            m_hasLoaded ? before.get() : nullptr, m_document.get(), m_services.notifier->isApplicationActive()});
        if (notification)
            m_services.notifier->show(*notification);
    }
    if (prepareNextCopy)
        prepareSpare();
}

void TaskStore::syncNow()
{
    if (!m_cloudSync)
        return;
    if (m_services.syncCredentials)
        m_services.syncCredentials->askOnNextRun();
    m_cloudSync->requestSync();
}

void TaskStore::prepareSpare()
{
    auto copy = std::make_shared<std::shared_ptr<TallowinDocument>>();
    onWorker([source = m_document, copy] { *copy = std::make_shared<TallowinDocument>(source->parallelCopy()); },
        [source = m_document, copy](TaskStore &store, std::exception_ptr failure) {
            // A deck published meanwhile makes this copy useless.
            if (!failure && store.m_document == source)
                store.m_spare = std::move(*copy);
        });
}

void TaskStore::setHasLoaded(bool value)
{
    if (m_hasLoaded == value)
        return;
    m_hasLoaded = value;
    emit hasLoadedChanged();
}

void TaskStore::setNotice(std::optional<std::string> notice)
{
    m_notice = std::move(notice);
    emit noticeChanged();
}

void TaskStore::setErrorMessage(std::optional<std::string> message)
{
    m_errorMessage = std::move(message);
    emit errorMessageChanged();
}

void TaskStore::setSaveActivity(TallowinSaveActivity activity)
{
    if (m_saveActivity == activity)
        return;
    m_saveActivity = activity;
    emit saveActivityChanged();
}

void TaskStore::setIsReloading(bool value)
{
    if (m_isReloading == value)
        return;
    m_isReloading = value;
    emit isReloadingChanged();
}

void TaskStore::setIsScanning(bool value)
{
    if (m_isScanning == value)
        return;
    m_isScanning = value;
    emit isScanningChanged();
}

void TaskStore::setScanStatus(std::optional<std::string> status)
{
    m_scanStatus = std::move(status);
    emit scanStatusChanged();
}

void TaskStore::setSettings(TallowinSettings settings)
{
    if (m_settings == settings)
        return;
    m_settings = std::move(settings);
    emit settingsChanged();
}

} // namespace tallowin
