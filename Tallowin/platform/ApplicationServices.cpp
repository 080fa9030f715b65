#include "Tallowin/platform/ApplicationServices.h"

#include "Tallowin/platform/FreedesktopNotifier.h"
#include "Tallowin/platform/QSettingsUserDefaults.h"
#include "Tallowin/platform/QtConnectivityWatcher.h"
#include "Tallowin/platform/QtMainThreadExecutor.h"
#include "Tallowin/platform/QtStorePanels.h"
#include "Tallowin/platform/QtWorkerExecutor.h"
#include "Tallowin/store/CanonicalStorageLocation.h"
#include "TallowinCore/sync/TallowinCloudTransport.h"
#include "TallowinCore/sync/TallowinSecretService.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QPointer>
#include <QUrl>

namespace tallowin {

QString applicationID()
{
    return QStringLiteral(TALLOWIN_APPLICATION_ID);
}

TaskStore::Services applicationServices()
{
    TaskStore::Services services;
    services.mainThread = std::make_shared<QtMainThreadExecutor>();
    services.worker = std::make_shared<QtWorkerExecutor>(QStringLiteral("Tallowin.Repository"));
    services.userDefaults = std::make_shared<QSettingsUserDefaults>();
    services.panels = std::make_shared<QtStorePanels>();
    services.defaultDeckFile = &CanonicalStorageLocation::defaultDeckFile;
    services.openLink = [](const std::string &link) {
        return QDesktopServices::openUrl(QUrl(QString::fromStdString(link), QUrl::StrictMode));
    };
    // The password lives in the Secret Service, where tallowin-cli finds it too.
    auto credentials = std::make_shared<TallowinSyncCredentials>(std::make_shared<TallowinSecretService>());
    services.syncCredentials = credentials;
    services.credentialsWorker = std::make_shared<QtWorkerExecutor>(QStringLiteral("Tallowin.Credentials"));
    services.notifier = std::make_shared<FreedesktopNotifier>(applicationID());
    const std::shared_ptr<TallowinSerialExecutor> mainThread = services.mainThread;
    services.makeCloudSync = [mainThread, credentials](
                                 std::shared_ptr<TallowinRepository> repository, const std::filesystem::path &folder) {
        auto notifications = std::make_shared<TallowinRemoteChangeCenter>();
        TallowinCloudSync::Services sync;
        // Each run reads the setup anew, so what the settings screen saves is used from the next run on.
        sync.transport = std::make_shared<TallowinCloudTransport>(credentials->addressSource(), notifications);
        sync.mainThread = mainThread;
        sync.worker = std::make_shared<QtWorkerExecutor>(QStringLiteral("Tallowin.Sync"));
        sync.connectivity = QtConnectivityWatcher::create();
        sync.notifications = notifications;
        return std::make_shared<TallowinCloudSync>(std::move(repository), folder, std::move(sync));
    };
    return services;
}

void syncWhenActivated(TaskStore &store)
{
    const QPointer<TaskStore> target(&store);
    QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, &store, [target](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive && target && target->cloudSync())
            target->cloudSync()->requestSync();
    });
}

} // namespace tallowin
