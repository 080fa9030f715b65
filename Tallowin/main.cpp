#include "Tallowin/platform/ApplicationServices.h"
#include "Tallowin/store/TaskStore.h"

#include <QApplication>
#include <QLabel>

#include <iostream>

// Starts the store on the canonical deck (or TALLOWIN_FILE_PATH) and shows a placeholder window until the
// screens arrive. QT_QPA_PLATFORM=offscreen runs it without a display.
int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tallowin"));
    QApplication::setApplicationName(QStringLiteral("Tallowin"));
    QApplication::setDesktopFileName(tallowin::applicationID());

    tallowin::TaskStore store(std::nullopt, true, tallowin::applicationServices());
    tallowin::syncWhenActivated(store);

    QLabel window;
    window.setWindowTitle(QStringLiteral("Tallowin"));
    window.setMinimumSize(480, 240);
    window.setAlignment(Qt::AlignCenter);
    const auto refresh = [&] {
        const tallowin::DeckHeaderPresentation header = store.headerPresentation();
        QString text = QString::fromStdString(header.status);
        text += QStringLiteral("\n%1 cards").arg(store.document().tasks.size());
        if (store.errorMessage())
            text += QStringLiteral("\n") + QString::fromStdString(*store.errorMessage());
        window.setText(text);
    };
    QObject::connect(&store, &tallowin::TaskStore::documentChanged, &window, refresh);
    QObject::connect(&store, &tallowin::TaskStore::hasLoadedChanged, &window, refresh);
    QObject::connect(&store, &tallowin::TaskStore::errorMessageChanged, &window, refresh);
    refresh();
    window.show();
    // A smoke check for scripts: load once, report, and quit.
    if (QApplication::arguments().contains(QStringLiteral("--load-and-quit"))) {
        QObject::connect(&store, &tallowin::TaskStore::loadFinished, &application, [&] {
            std::cout << store.headerPresentation().status << ", " << store.document().tasks.size() << " cards\n";
            if (store.errorMessage())
                std::cerr << *store.errorMessage() << '\n';
            QApplication::exit(store.hasLoaded() ? 0 : 1);
        });
    }
    store.reload();
    return application.exec();
}
