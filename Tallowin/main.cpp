#include "Tallowin/platform/ApplicationServices.h"
#include "Tallowin/platform/TallowinAppearance.h"
#include "Tallowin/screens/DeckCanvas.h"
#include "Tallowin/screens/TallowinApp.h"
#include "Tallowin/screens/TaskCard.h"
#include "Tallowin/store/TaskStore.h"

#include <QApplication>

#include <cstdio>
#include <iostream>
#include <unistd.h>

// Starts the store on the canonical deck (or TALLOWIN_FILE_PATH) and opens the review window, whose first
// appearance loads the deck. QT_QPA_PLATFORM=offscreen runs it without a display.
//   --load-and-quit          loads the deck once without a window, prints the header status and the number of
//                            cards, and exits (1 when the deck could not be loaded); for scripts.
//   --quit-after-first-card  exits as soon as the first card is drawn; for timing the start.
int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tallowin"));
    QApplication::setApplicationName(QStringLiteral("Tallowin"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tallowin"));
    QApplication::setDesktopFileName(tallowin::applicationID());
    tallowin::TallowinAppearance::apply(&tallowin::processEnvironment);

    tallowin::TaskStore store(std::nullopt, true, tallowin::applicationServices());
    tallowin::syncWhenActivated(store);

    const QStringList arguments = QApplication::arguments();
    if (arguments.contains(QStringLiteral("--load-and-quit"))) {
        QObject::connect(&store, &tallowin::TaskStore::loadFinished, &application, [&] {
            std::cout << store.headerPresentation().status << ", " << store.document().tasks.size() << " cards\n";
            if (store.errorMessage())
                std::cerr << *store.errorMessage() << '\n';
            QApplication::exit(store.hasLoaded() ? 0 : 1);
        });
        store.reload();
        return application.exec();
    }

    tallowin::TallowinApp window(store);
    if (arguments.contains(QStringLiteral("--quit-after-first-card"))) {
        // The deck stays for the process's end to free, as tallowin-cli leaves it.
        QObject::connect(window.canvas()->card(), &tallowin::TaskCard::drawn, &application, [] {
            std::fflush(stdout);
            _exit(0);
        });
        QObject::connect(&store, &tallowin::TaskStore::loadFinished, &application, [&] {
            if (!store.hasLoaded() || !store.currentTask()) {
                std::fflush(stdout);
                _exit(store.hasLoaded() ? 0 : 1);
            }
        });
    }
    window.show();
    return application.exec();
}
