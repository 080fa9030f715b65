#pragma once

#include "Tallowin/platform/DesktopNotification.h"
#include "Tallowin/platform/NotificationRule.h"
#include "Tallowin/presentation/DeckHeaderPresentation.h"
#include "Tallowin/presentation/OpenFilter.h"
#include "Tallowin/presentation/TallowinPresentation.h"
#include "Tallowin/presentation/TaskReviewInteraction.h"
#include "Tallowin/store/CanonicalFileAccess.h"
#include "Tallowin/store/FileSnapshot.h"
#include "Tallowin/store/LocalDiscoveryRunner.h"
#include "Tallowin/store/StorePanels.h"
#include "Tallowin/store/SyncConnection.h"
#include "Tallowin/store/TallowinReloadGate.h"
#include "Tallowin/store/TallowinSaveActivity.h"
#include "Tallowin/store/UserDefaults.h"
#include "TallowinCore/base/TallowinSerialExecutor.h"
#include "TallowinCore/document/TallowinDocument.h"
#include "TallowinCore/settings/TallowinSettings.h"
#include "TallowinCore/storage/TallowinImportReport.h"
#include "TallowinCore/storage/TallowinRepository.h"
#include "TallowinCore/sync/TallowinCloudSync.h"
#include "TallowinCore/sync/TallowinSyncCredentials.h"

#include <QObject>

#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>

namespace tallowin {

class CanonicalFilePresenter;

// The application's one controller. It owns the deck as last loaded or changed, the review canvas state and
// the texts the user sees. Changes are computed with the core, published at once and then written by the
// repository on the worker; loads run there too, so the main thread never waits for the disk. A reload gate
// and the save activity keep loads and saves from overlapping. Lives on the main thread: every public call
// and every signal happens there.
class TaskStore : public QObject
{
    Q_OBJECT

public:
    // What the store gets from the platform. Tests pass manual executors and in-memory stand-ins.
    struct Services
    {
        // Runs continuations on the store's thread.
        std::shared_ptr<TallowinSerialExecutor> mainThread;
        // Runs repository calls, one at a time, off the store's thread.
        std::shared_ptr<TallowinSerialExecutor> worker;
        std::shared_ptr<UserDefaults> userDefaults;
        std::shared_ptr<StorePanels> panels;
        std::function<TallowinInstant()> clock = &TallowinClock::current;
        Environment environment = &processEnvironment;
        // The canonical deck file; throws when it cannot be located.
        std::function<std::filesystem::path()> defaultDeckFile;
        // The sync coordinator for the canonical deck, or null when sync is not available.
        std::function<std::shared_ptr<TallowinCloudSync>(
            std::shared_ptr<TallowinRepository>, const std::filesystem::path &)>
            makeCloudSync;
        // Opens a link with the application registered for it; false when none is.
        LocalDiscoveryRunner::LinkOpener openLink;
        // The sync password's keeper, which the settings screen sets sync up with; none: sync cannot be set up.
        std::shared_ptr<TallowinSyncCredentials> syncCredentials;
        // Runs what may wait for the server or for an unlock prompt; the worker when none.
        std::shared_ptr<TallowinSerialExecutor> credentialsWorker;
        // Tells the user of decks that arrive while they look elsewhere; none: nobody is told.
        std::shared_ptr<DesktopNotifier> notifier;
    };

    static constexpr const char *storageErrorPrefix = "Tallowin could not locate your existing task folder: ";

    TaskStore(std::optional<std::filesystem::path> filePath, bool observesExternalChanges, Services services,
        QObject *parent = nullptr);
    ~TaskStore() override;

    // Observed state; each has a change signal below.
    const TallowinDocument &document() const { return *m_document; }
    bool hasLoaded() const { return m_hasLoaded; }
    const TaskReviewInteraction &review() const { return m_review; }
    const std::optional<TallowinPresentation> &presentation() const { return m_presentation; }
    OpenFilter openFilter() const { return m_openFilter; }
    const std::optional<std::string> &notice() const { return m_notice; }
    const std::optional<std::string> &errorMessage() const { return m_errorMessage; }
    TallowinSaveActivity saveActivity() const { return m_saveActivity; }
    bool isReloading() const { return m_isReloading; }
    bool isScanning() const { return m_isScanning; }
    const std::optional<std::string> &scanStatus() const { return m_scanStatus; }
    const TallowinSettings &settings() const { return m_settings; }
    TallowinCloudSync *cloudSync() const { return m_cloudSync.get(); }
    SyncConnection &syncConnection() const { return *m_syncConnection; }
    const std::optional<TallowinImportReport> &importReport() const { return m_importReport; }

    const TallowinDocument *undoDocument() const { return m_undoDocument.get(); }
    const TallowinReloadGate &reloadGate() const { return m_reloadGate; }
    bool observesExternalChanges() const { return m_observesExternalChanges; }
    bool usesCanonicalStorage() const { return m_usesCanonicalStorage; }
    const std::optional<std::string> &storageResolutionError() const { return m_storageResolutionError; }
    const std::filesystem::path &filePath() const { return m_filePath; }
    const std::filesystem::path &settingsFilePath() const { return m_settingsFilePath; }
    const CanonicalFileAccess &fileAccess() const { return *m_fileAccess; }
    // The environment the store was made with; the settings screen reads the sync switches from it.
    const Environment &environment() const { return m_services.environment; }

    // The store's clock, for screens that propose a time (the custom date).
    TallowinInstant now() const { return m_services.clock(); }
    DeckHeaderPresentation headerPresentation() const;
    // The card the review canvas shows: the current card of a browsed pile, else the head of the review queue.
    std::optional<TaskItem> currentTask() const;
    // The review queue of the published deck as card IDs, worked out once per deck: every part of the window asks.
    const std::vector<std::string> &reviewQueueIDs() const;
    // Highlighted cards first, then by order.
    std::vector<TaskItem> orderedTasks() const;
    // The empty deck shown before the first load and written when no file exists.
    static TallowinDocument seedDocument(TallowinInstant now);

    // Reads the deck unless a save or a load runs; then the request waits and runs once afterwards.
    void reload();
    // Called by the file watcher: ignored while a save or a load runs, which also swallows our own writes.
    void presentedFileChanged();
    void loadSettings(bool createIfMissing);
    // Validates the settings, throwing TallowinSettingsError at once for input the settings screen must refuse, then
    // writes them on the worker; settingsSaveFinished() follows, with settingsSaveError() set when the write failed.
    void saveSettings(const TallowinSettings &settings);
    bool isSavingSettings() const { return m_isSavingSettings; }
    const std::optional<std::string> &settingsSaveError() const { return m_settingsSaveError; }

    // How a change is written and what undo does with it.
    struct Change
    {
        std::optional<std::string> notice;
        TallowinSaveActivity activity = TallowinSaveActivity::taskChange;
        bool undoable = true;
        // Next card: the last undoable change stays undoable.
        bool keepsUndoSnapshot = false;
        // The core operation validated its result, whose only later changes are the next revision and the
        // same time stamp, so validating again would find nothing new.
        bool validatedByCore = false;
    };
    // The deck an action computes from: read it as current(), or take() it to change in place.
    class Working
    {
    public:
        Working(const TallowinDocument &current, std::shared_ptr<TallowinDocument> spare)
            : m_current(current)
            , m_spare(std::move(spare))
        { }
        const TallowinDocument &current() const { return m_current; }
        // A copy of the current deck: the one made in the background after it was published when there is
        // one, so that the action does not pay for copying a large deck.
        TallowinDocument take()
        {
            return m_spare ? std::move(*std::exchange(m_spare, nullptr)) : m_current.parallelCopy();
        }
        // The background copy when take() did not use it.
        std::shared_ptr<TallowinDocument> unusedSpare() { return std::exchange(m_spare, nullptr); }

    private:
        const TallowinDocument &m_current;
        std::shared_ptr<TallowinDocument> m_spare;
    };
    using Compute = std::function<TallowinDocument(Working &, TallowinInstant)>;
    // The common path of every action: compute from the current deck, publish, save on the worker.
    // False when the guard refused it, the core threw or nothing changed.
    bool commitChange(const Compute &compute, const Change &change);
    void undo();

    // The actions on the deck. Each does nothing while the deck has not loaded, a save is written or a load runs.
    // Those a sheet calls answer whether the change was accepted, so that the sheet closes only then.
    bool addTask(const std::string &title, const std::string &context, const std::string &person);
    bool complete(const std::string &taskID, const std::string &outcome);
    bool delay(const std::string &taskID, DelayChoice choice, std::optional<TallowinInstant> customDate = {},
        const std::string &note = {});
    bool remove(const std::string &taskID);
    bool restore(const std::string &taskID);
    void nextCard(const std::string &taskID);
    void beginRun();
    void reviewAll();
    bool merge(const std::string &primaryID, const std::set<std::string> &selectedIDs, const std::string &title);
    bool acceptCandidate(const TaskCandidate &reviewed);
    bool dismissCandidate(const std::string &candidateID);
    bool changePerson(const std::string &taskID, const std::string &person);
    bool requestAgentAction(const std::string &taskID, const std::string &instruction);

    // Presentation only: nothing is saved.
    void present(const TallowinPresentation &presentation);
    void dismissPresentation();
    void setOpenFilter(OpenFilter filter);
    void openPileCarousel(DelayChoice choice);
    void closePileCarousel();
    void setReview(const TaskReviewInteraction &review);
    void clearNotice();
    void clearErrorMessage();
    // A failure outside the deck that the user should read, such as a file that could not be revealed.
    void reportError(std::string message);
    // Opens a card's source link in the browser; only web links are opened, anything else is refused with a
    // sentence in errorMessage, as is a link no application took.
    bool openSourceLink(const std::string &link);

    // The user's "Sync now": a run that may ask to unlock the keyring that holds the sync password.
    void syncNow();

    // Asks for a deck file and merges it into the canonical one.
    void importFile();
    // The import of a chosen file, after the panel.
    void importChosenFile(const std::filesystem::path &chosen);
    void exportDiagnostics();
    // The diagnostics report of the store as it is now.
    std::string diagnosticsReport() const;
    void startDiscovery();

signals:
    void documentChanged();
    void hasLoadedChanged();
    void reviewChanged();
    void presentationChanged();
    void openFilterChanged();
    void noticeChanged();
    void errorMessageChanged();
    void saveActivityChanged();
    void isReloadingChanged();
    void isScanningChanged();
    void scanStatusChanged();
    void settingsChanged();
    void isSavingSettingsChanged();
    // A settings save finished, whether it succeeded or not.
    void settingsSaveFinished();
    void cloudSyncChanged();
    void importReportChanged();
    // A load finished, whether it succeeded or not; for observers that wait on the store.
    void loadFinished();
    // A save finished, whether it succeeded or not.
    void saveFinished();

private:
    struct LoadResult;

    void resolveStorage(const std::optional<std::filesystem::path> &filePath);
    void installPresenters();
    void runLoad();
    void finishLoad(std::shared_ptr<LoadResult> result);
    void startCloudSyncIfNeeded();
    void finishSave(
        std::exception_ptr failure, std::shared_ptr<const TallowinDocument> undoCandidate, const Change &change);
    void startPendingReload();
    bool acceptsActions() const;
    std::string titleOf(const std::string &taskID) const;
    void finishPileCarousel(const std::set<std::string> &taskIDs);
    void leaveReview(const std::string &taskID);
    void recordFilePath();
    // The deck file the presenter watches, for the worker to look at after the store's own write.
    std::optional<std::filesystem::path> watchedFile() const;
    void acknowledgeOwnWrite(const std::optional<FileSnapshot> &written);
    // Runs job on the worker and then done on the main thread, unless the store is gone by then.
    void onWorker(std::function<void()> job, std::function<void(TaskStore &, std::exception_ptr)> done);

    // Publishes a deck; unless told otherwise, a copy of it is then made for the next action. How it arrived
    // decides whether the desktop is told.
    void setDocument(std::shared_ptr<const TallowinDocument> document, NotificationRule::Arrival arrival,
        bool prepareNextCopy = true);
    // Copies the published deck on the worker, for the next action to change in place.
    void prepareSpare();
    void setHasLoaded(bool value);
    void setNotice(std::optional<std::string> notice);
    void setErrorMessage(std::optional<std::string> message);
    void setSaveActivity(TallowinSaveActivity activity);
    void setIsReloading(bool value);
    void setIsScanning(bool value);
    void setScanStatus(std::optional<std::string> status);
    void setSettings(TallowinSettings settings);
    void setIsSavingSettings(bool value);

    Services m_services;
    std::shared_ptr<const TallowinDocument> m_document;
    mutable std::optional<std::vector<std::string>> m_reviewQueueIDs;
    // A private copy of *m_document, when the worker has made one since it was published.
    std::shared_ptr<TallowinDocument> m_spare;
    bool m_hasLoaded = false;
    TaskReviewInteraction m_review;
    std::optional<TallowinPresentation> m_presentation;
    OpenFilter m_openFilter = OpenFilter::all;
    std::optional<std::string> m_notice;
    std::optional<std::string> m_errorMessage;
    TallowinSaveActivity m_saveActivity = TallowinSaveActivity::idle;
    bool m_isReloading = false;
    bool m_isScanning = false;
    std::optional<std::string> m_scanStatus;
    TallowinSettings m_settings;
    bool m_isSavingSettings = false;
    std::optional<std::string> m_settingsSaveError;
    std::shared_ptr<TallowinCloudSync> m_cloudSync;
    SyncConnection *m_syncConnection = nullptr;
    std::shared_ptr<const TallowinDocument> m_undoDocument;
    std::optional<TallowinImportReport> m_importReport;
    TallowinReloadGate m_reloadGate;
    bool m_observesExternalChanges = false;
    bool m_usesCanonicalStorage = false;
    std::optional<std::string> m_storageResolutionError;
    std::filesystem::path m_filePath;
    std::shared_ptr<TallowinRepository> m_repository;
    std::filesystem::path m_settingsFilePath;
    std::unique_ptr<CanonicalFileAccess> m_fileAccess;
    CanonicalFilePresenter *m_filePresenter = nullptr;
    CanonicalFilePresenter *m_settingsPresenter = nullptr;
    std::unique_ptr<LocalDiscoveryRunner> m_discoveryRunner;
    bool m_discoveryInFlight = false;
};

} // namespace tallowin
