// Renders every state of home and every sheet, light and dark, to PNG files:
//   tallowin-screenshots DIR
// The store runs on the test harness (fixed clock, hand-driven executors), so each picture is the same every time.
#include "Tallowin/platform/TallowinAppearance.h"
#include "Tallowin/screens/CompletionSheet.h"
#include "Tallowin/screens/CustomDateSheet.h"
#include "Tallowin/screens/DeckCanvas.h"
#include "Tallowin/screens/DeckHeader.h"
#include "Tallowin/screens/DelaySheet.h"
#include "Tallowin/screens/HeaderPanel.h"
#include "Tallowin/screens/NewTaskSheet.h"
#include "Tallowin/screens/SheetTextEdit.h"
#include "Tallowin/screens/TallowinActions.h"
#include "Tallowin/screens/TallowinApp.h"
#include "Tallowin/screens/TallowinPresentedSheet.h"
#include "Tallowin/screens/TaskCard.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/app/support/WidgetTestEnvironment.h"
#include "tests/app/support/WindowDecks.h"
#include "tests/support/DeckBuilders.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QStyleFactory>
#include <QTest>
#include <QToolButton>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>

using namespace tallowin;
using namespace tallowin::test;

namespace {

constexpr QSize reference(1600, 900);

struct Shot
{
    const char *name;
    // Prepares the harness's deck before the store loads; null leaves the file missing.
    std::function<void(StoreHarness &)> deck;
    // Runs on the shown window after the load.
    std::function<void(StoreHarness &, TallowinApp &)> scene;
    // What to render: the window, unless the scene names another widget.
    std::function<QWidget *(TallowinApp &)> subject;
    QSize size = reference;
    bool load = true;
};

void writeDeck(StoreHarness &harness, const TallowinDocument &deck)
{
    harness.writeDeck(deck);
}

void dragTo(DeckCanvas &canvas, QPoint to, bool release)
{
    const QPoint from = canvas.cardRect().center();
    QTest::mousePress(&canvas, Qt::LeftButton, {}, from);
    const int steps = 12;
    for (int step = 1; step <= steps; ++step)
        QTest::mouseMove(&canvas, from + (to - from) * step / steps);
    if (release)
        QTest::mouseRelease(&canvas, Qt::LeftButton, {}, to);
}

QPoint centreOf(const CanvasRect &frame)
{
    return QPointF(frame.origin.x + frame.size.width / 2, frame.origin.y + frame.size.height / 2).toPoint();
}

QWidget *sheetOf(TallowinApp &window)
{
    return window.sheetHost();
}

// A popup or a sheet drawn over a dimmed copy of the window, as people see it.
QImage composed(TallowinApp &window, QWidget *over, QPoint at)
{
    QImage image = window.grab().toImage();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool sheet = over == window.sheetHost();
    painter.fillRect(image.rect(), QColor(0, 0, 0, sheet ? 60 : 0));
    // The window manager's frame and shadow, drawn as a desktop would.
    const QRectF frame = QRectF(QRect(at, over->size())).adjusted(-0.5, -0.5, 0.5, 0.5);
    for (int step = 1; step <= 10; ++step) {
        painter.setPen(QPen(QColor(0, 0, 0, 14 - step), 1.0));
        painter.drawRect(frame.adjusted(-step, -step + 2, step, step + 3));
    }
    painter.drawPixmap(at, over->grab());
    painter.setPen(QPen(QColor(0, 0, 0, 60), 1));
    painter.drawRect(frame);
    return image;
}

std::vector<Shot> shots()
{
    const auto review = [](StoreHarness &harness) { writeDeck(harness, WindowDecks::review()); };
    std::vector<Shot> list;
    list.push_back({"home-opening", review, nullptr, nullptr, reference, false});
    list.push_back({"home-could-not-open",
        [](StoreHarness &harness) { std::ofstream(harness.deckFile) << "# Tallowin\n\nNot a deck.\n"; }, nullptr,
        nullptr});
    list.push_back(
        {"home-new-deck", [](StoreHarness &harness) { writeDeck(harness, makeDocument()); }, nullptr, nullptr});
    list.push_back({"home-card", review, nullptr, nullptr});
    list.push_back({"home-all-caught-up", [](StoreHarness &harness) { writeDeck(harness, WindowDecks::allCaughtUp()); },
        nullptr, nullptr});
    list.push_back({"home-run-finished", [](StoreHarness &harness) { writeDeck(harness, WindowDecks::runFinished()); },
        nullptr, nullptr});
    list.push_back({"home-pile-carousel", review,
        [](StoreHarness &, TallowinApp &window) { window.actions().openPile[1]->trigger(); }, nullptr});
    list.push_back({"home-drag-over-pile", review,
        [](StoreHarness &, TallowinApp &window) {
            DeckCanvas &canvas = *window.canvas();
            dragTo(canvas, centreOf(canvas.zones().delayFrames[1]), false);
        },
        nullptr});
    list.push_back({"home-drag-over-remove", review,
        [](StoreHarness &, TallowinApp &window) {
            DeckCanvas &canvas = *window.canvas();
            dragTo(canvas, centreOf(canvas.zones().removeFrame), false);
        },
        nullptr});
    list.push_back({"home-drag-leaning-right", review,
        [](StoreHarness &, TallowinApp &window) {
            DeckCanvas &canvas = *window.canvas();
            dragTo(canvas, canvas.cardRect().center() + QPoint(90, 14), false);
        },
        nullptr});
    list.push_back({"home-pinned-rail", review,
        [](StoreHarness &, TallowinApp &window) {
            DeckCanvas &canvas = *window.canvas();
            dragTo(canvas, canvas.cardRect().center() + QPoint(220, 10), true);
        },
        nullptr});
    list.push_back({"home-notice-after-remove", review,
        [](StoreHarness &harness, TallowinApp &window) {
            window.actions().removeTask->trigger();
            harness.settle();
        },
        nullptr});
    list.push_back({"home-save-failed", review, [](StoreHarness &harness, TallowinApp &) { (void)harness; }, nullptr});
    list.push_back({"home-long-card-narrow", [](StoreHarness &harness) { writeDeck(harness, WindowDecks::longCard()); },
        nullptr, nullptr, QSize(900, 720)});
    list.push_back({"panel-file-location", review,
        [](StoreHarness &, TallowinApp &window) { window.header()->statusButton()->click(); }, nullptr});
    list.push_back({"menu-decks", review,
        [](StoreHarness &, TallowinApp &window) {
            QToolButton *decks = window.header()->decksButton();
            decks->menu()->popup(decks->mapToGlobal(QPoint(0, decks->height() + 2)));
        },
        nullptr});
    list.push_back({"panel-discovery", review,
        [](StoreHarness &, TallowinApp &window) { window.header()->findNewTasksButton()->click(); }, nullptr});
    list.push_back({"sheet-completion", review,
        [](StoreHarness &, TallowinApp &window) {
            window.actions().completeTask->trigger();
            auto *sheet = qobject_cast<CompletionSheet *>(window.sheetHost()->sheet());
            sheet->outcomeField()->setPlainText(
                "Signed and sent back. Landlord confirmed the second space: https://mail.example.com/thread/8830 "
                "and the scan is at https://files.example.com/lease-signed.pdf.");
        },
        sheetOf});
    list.push_back({"sheet-delay", review,
        [](StoreHarness &, TallowinApp &window) { window.actions().chooseWhenThisReturns->trigger(); }, sheetOf});
    list.push_back({"sheet-custom-date", review,
        [](StoreHarness &, TallowinApp &window) {
            window.actions().delayTo[3]->trigger();
            auto *sheet = qobject_cast<DelaySheet *>(window.sheetHost()->sheet());
            sheet->customDate()->noteField()->setText("After the landlord is back from holiday");
        },
        sheetOf});
    list.push_back({"sheet-new-task", review,
        [](StoreHarness &, TallowinApp &window) {
            window.actions().newTask->trigger();
            auto *sheet = qobject_cast<NewTaskSheet *>(window.sheetHost()->sheet());
            sheet->titleField()->setText("Ask Priya for the offsite budget sheet");
            sheet->contextField()->setPlainText("She mentioned a spreadsheet with last year's numbers.");
            sheet->personField()->setText("Priya");
        },
        sheetOf});
    list.push_back({"sheet-new-task-empty", review,
        [](StoreHarness &, TallowinApp &window) { window.actions().newTask->trigger(); }, sheetOf});
    const auto trigger = [](QAction *(*pick)(TallowinApp &)) {
        return [pick](StoreHarness &, TallowinApp &window) { pick(window)->trigger(); };
    };
    list.push_back(
        {"sheet-details", review, trigger([](TallowinApp &w) { return w.actions().readFullTask; }), sheetOf});
    list.push_back({"sheet-action", review, trigger([](TallowinApp &w) { return w.actions().askChatGPT; }), sheetOf});
    list.push_back({"sheet-merge", review, trigger([](TallowinApp &w) { return w.actions().mergeTasks; }), sheetOf});
    list.push_back({"sheet-all-tasks", review, trigger([](TallowinApp &w) { return w.actions().allTasks; }), sheetOf});
    list.push_back({"sheet-inbox", review, trigger([](TallowinApp &w) { return w.actions().inbox; }), sheetOf});
    list.push_back({"sheet-settings", review, trigger([](TallowinApp &w) { return w.actions().settings; }), sheetOf,
        QSize(1600, 1100)});
    return list;
}

bool render(const Shot &shot, const QString &folder, const QString &appearance)
{
    StoreHarness harness;
    if (shot.deck)
        shot.deck(harness);
    auto store = harness.makeStore();
    TallowinApp::Options options = TallowinApp::defaultOptions();
    options.files.open = [](const std::filesystem::path &) { return true; };
    options.files.reveal = [](const std::filesystem::path &) { return true; };
    TallowinApp window(*store, options);
    window.resize(shot.size);
    window.show();
    if (shot.load)
        harness.settle();
    if (std::string(shot.name) == "home-save-failed")
        store->reportError("Tallowin is being updated by another writer. Reload and retry.");
    if (shot.scene)
        shot.scene(harness, window);
    QCoreApplication::processEvents();

    QImage image;
    const auto popup = [&]() -> QWidget * {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget != &window && widget->isVisible() && (widget->windowFlags() & Qt::Popup) == Qt::Popup)
                return widget;
        }
        return nullptr;
    };
    if (shot.subject) {
        QWidget *subject = shot.subject(window);
        QCoreApplication::processEvents();
        image = composed(window, subject, window.rect().center() - subject->rect().center());
    } else if (QWidget *open = popup()) {
        image = composed(window, open, window.mapFromGlobal(open->pos()));
        open->close();
    } else {
        image = window.grab().toImage();
    }
    const QString path = folder + QLatin1Char('/') + QString::fromUtf8(shot.name) + QLatin1Char('-') + appearance
        + QStringLiteral(".png");
    if (!image.save(path)) {
        std::cerr << "could not write " << path.toStdString() << '\n';
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_FONT_DPI", "96");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: tallowin-screenshots DIR\n";
        return 2;
    }
    pinWidgetTestEnvironment();
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    int failures = 0;
    for (const auto &[name, appearance] : {std::pair {"light", TallowinAppearance::Forced::light},
             std::pair {"dark", TallowinAppearance::Forced::dark}}) {
        QApplication::setPalette(TallowinAppearance::palette(appearance));
        for (const Shot &shot : shots())
            failures += render(shot, folder, QString::fromUtf8(name)) ? 0 : 1;
    }
    std::cout << "wrote " << shots().size() * 2 - std::size_t(failures) << " screenshots to " << folder.toStdString()
              << '\n';
    return failures == 0 ? 0 : 1;
}
