#pragma once

#include "Tallowin/store/TaskStore.h"

#include <QString>

namespace tallowin {

// The ID the desktop knows Tallowin by: the name of its desktop entry, metainfo and icon. Windows carry it once it
// is the application's desktop file name, which must be set before the first window appears.
QString applicationID();

// The running application's services for the store: Qt's event loop as the main thread, a worker thread
// for the repository, the user's preferences, the real file panels, the desktop's link opener, cloud sync with
// the configured CouchDB database and its password in the Secret Service, and the desktop's notifications.
TaskStore::Services applicationServices();

// Asks the store's sync coordinator for a run whenever the application becomes active.
void syncWhenActivated(TaskStore &store);

} // namespace tallowin
