#pragma once

#include "Tallowin/store/TaskStore.h"

namespace tallowin {

// The running application's services for the store: Qt's event loop as the main thread, a worker thread
// for the repository, the user's preferences, the real file panels, the desktop's link opener, and cloud
// sync with the configured CouchDB database.
TaskStore::Services applicationServices();

// Asks the store's sync coordinator for a run whenever the application becomes active.
void syncWhenActivated(TaskStore &store);

} // namespace tallowin
