// Renders each of the sheets for the action, merge, details, task browser, inbox and settings cases, light and
// dark, with realistic content, to PNG files for a person to look at:
//     tallowin-sheet-screenshots OUTPUT_FOLDER
// Every image is checked to be non-empty and not of one colour; a failure ends the program with status 1.
#include "Tallowin/platform/TallowinAppearance.h"
#include "Tallowin/screens/ActionSheet.h"
#include "Tallowin/screens/InboxSheet.h"
#include "Tallowin/screens/MergeSheet.h"
#include "Tallowin/screens/TallowinSettingsView.h"
#include "Tallowin/screens/TaskBrowserSheet.h"
#include "Tallowin/screens/TaskDetailsSheet.h"
#include "Tallowin/store/TaskStore.h"
#include "tests/app/support/StoreHarness.h"
#include "tests/app/support/WidgetTestEnvironment.h"
#include "tests/support/DeckBuilders.h"
#include "tests/support/FakePasswordStore.h"
#include "tests/support/generator/DeckGenerator.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPalette>
#include <QStyle>

#include <functional>
#include <iostream>

using namespace tallowin;
using namespace tallowin::test;

namespace {

TaskItem card(const std::string &id, std::int64_t order, const std::string &person, const std::string &title,
    TaskState state = TaskState::active)
{
    TaskItem task = makeTask(id, order, state);
    task.person = person;
    task.title = title;
    return task;
}

TallowinDocument everydayDeck()
{
    std::vector<TaskItem> tasks = {
        card("KB-101", 1, "Ana", "Call the plumber about the kitchen tap that keeps dripping every night"),
        card("KB-102", 2, "Me", "Buy a new tap washer"),
        card("KB-103", 3, "Björn Åström", "Ask the landlord whether the repair is covered by the lease"),
        card("KB-104", 4, "Zoë Müller", "Send the signed renewal back before the end of the month"),
        card("KB-105", 5, "Me", "Pay the March rent", TaskState::completed),
        card("KB-106", 6, "Priya Raman", "Review the Q3 pricing deck for the board", TaskState::delayed),
        card("KB-107", 7, "Dev Patel", "Draft the reply to the customer’s SSO question", TaskState::actionRequested),
        card("KB-108", 8, "Sam Carter", "Confirm the München office lease with both directors"),
        card("KB-109", 9, "Marta Kowalska", "Share the SOC 2 evidence folder with the auditors"),
        card("KB-110", 10, "Me", "Book the follow-up call with the façade team"),
        card("KB-111", 11, "Chloé Lefèvre", "Check the café onboarding funnel — 40 % drop at step three"),
        card("KB-112", 12, "Renée O’Connor", "Decide on the vendor invoice (€ 12 400) after the budget review"),
    };
    for (TaskItem &task : tasks)
        task.context = "Came up in Monday’s planning call; an answer is due this week.";
    TaskItem &delayed = tasks[0];
    delayed.state = TaskState::delayed;
    delayed.resumeAt = "2026-03-16T08:00:00.000Z";
    delayed.delayTarget = "custom";
    delayed.kind = TaskKind::waitingOn;
    delayed.context = "The kitchen tap drips again, mostly at night. Ana has the plumber’s number and said he can "
                      "come on Tuesday or Thursday morning.\n\nAsk whether he can also look at the bathroom "
                      "radiator while he is here, and whether the landlord pays for both.";
    for (int i = 1; i <= 12; ++i)
        delayed.sources.push_back(TaskSource {i % 3 ? "#home-repairs thread " + std::to_string(i)
                                                    : "https://plumbing.example.com/quotes/" + std::to_string(4000 + i),
            "https://chat.example.com/archives/C042/p" + std::to_string(1700000000 + i), {}, {}, {}});
    tasks[4].result = "Paid by bank transfer, receipt in https://bank.example.com/receipts/2026-03";
    tasks[6].instruction = "Draft a short, friendly reply that explains the proxy setting; keep it under 5 lines.";
    TallowinDocument deck = makeDocument(std::move(tasks));
    return deck;
}

TallowinDocument inboxDeck(int candidates)
{
    TallowinDocument deck = everydayDeck();
    const char *titles[] = {"Send the quarterly numbers to finance before Friday’s close",
        "Review Jürgen’s budget sheet", "Reply about the café onboarding flow", "Chase the flaky CI job on main"};
    for (int i = 0; i < candidates; ++i) {
        TaskCandidate candidate
            = makeCandidate("cand-" + std::to_string(i), "https://chat.example.com/archives/C7/p" + std::to_string(i));
        candidate.title = titles[i % 4];
        candidate.person = i % 2 ? "Zoë Müller" : "Ana-María Núñez";
        candidate.context = "Zoë asked in the thread whether the numbers in the “pricing” deck still match what "
                            "finance sent on Monday, and wants an answer before the board meeting.";
        candidate.source.label = "#release-train";
        candidate.sourceAuthor = "Zoë Müller";
        candidate.sourceTimestamp = "2026-03-13T15:30:00.000Z";
        candidate.classificationReason = "Direct request with a deadline.";
        deck.pendingCandidates.push_back(candidate);
    }
    return deck;
}

struct Shot
{
    std::string name;
    std::function<TallowinDocument()> deck;
    std::function<QWidget *(TaskStore &, StoreHarness &)> make;
    QSize size;
    // Sets the harness up before the store is made, when the shot needs more than the deck.
    std::function<void(StoreHarness &)> prepare = {};
};

bool save(QWidget *widget, const QString &path)
{
    widget->show();
    QApplication::processEvents();
    const QImage image = widget->grab().toImage();
    if (image.isNull() || image.width() < 100)
        return false;
    // A picture of one colour means nothing was drawn.
    const QRgb corner = image.pixel(0, 0);
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; y += 7) {
        for (int x = 0; x < image.width() && !varied; x += 7)
            varied = image.pixel(x, y) != corner;
    }
    return varied && image.save(path);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: tallowin-sheet-screenshots OUTPUT_FOLDER\n";
        return 2;
    }
    pinWidgetTestEnvironment();
    const QDir output(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(output.path());

    const std::vector<Shot> shots = {
        {"action", everydayDeck,
            [](TaskStore &store, StoreHarness &) {
                return new ActionSheet(store, TallowinPresentation::action("KB-103"), nullptr);
            },
            {540, 380}},
        {"action-refused", everydayDeck,
            [](TaskStore &store, StoreHarness &) {
                auto *sheet = new ActionSheet(store, TallowinPresentation::action("KB-103"), nullptr);
                sheet->submit();
                return sheet;
            },
            {540, 380}},
        {"merge", everydayDeck,
            [](TaskStore &store, StoreHarness &) {
                auto *sheet = new MergeSheet(store, TallowinPresentation::merge("KB-102"), nullptr);
                sheet->addToBucket("KB-101");
                sheet->addToBucket("KB-103");
                return sheet;
            },
            {920, 660}},
        {"merge-all-in-bucket", everydayDeck,
            [](TaskStore &store, StoreHarness &) {
                auto *sheet = new MergeSheet(store, TallowinPresentation::merge("KB-102"), nullptr);
                sheet->addToBucket("KB-101");
                for (QLineEdit *field : sheet->findChildren<QLineEdit *>()) {
                    if (field->accessibleName() == QStringLiteral("Find a task"))
                        field->setText(QStringLiteral("tap"));
                }
                return sheet;
            },
            {920, 660}},
        {"details-delayed", everydayDeck,
            [](TaskStore &store, StoreHarness &) {
                return new TaskDetailsSheet(store, TallowinPresentation::details("KB-101"), nullptr);
            },
            {580, 640}},
        {"details-completed", everydayDeck,
            [](TaskStore &store, StoreHarness &) {
                return new TaskDetailsSheet(store, TallowinPresentation::details("KB-105"), nullptr);
            },
            {580, 460}},
        {"browser-10000", [] { return bench::generateDeck(10000, 20260314); },
            [](TaskStore &store, StoreHarness &) {
                return new TaskBrowserSheet(store, TallowinPresentation::allTasks(), nullptr);
            },
            {1000, 700}},
        {"browser-no-matches", everydayDeck,
            [](TaskStore &store, StoreHarness &) {
                store.setOpenFilter(OpenFilter::completed);
                auto *sheet = new TaskBrowserSheet(store, TallowinPresentation::allTasks(), nullptr);
                sheet->setSearchText(QStringLiteral("plumber"));
                return sheet;
            },
            {1000, 700}},
        {"inbox-40", [] { return inboxDeck(40); },
            [](TaskStore &store, StoreHarness &) {
                return new InboxSheet(store, TallowinPresentation::inbox(), nullptr);
            },
            {640, 560}},
        {"inbox-empty", [] { return inboxDeck(0); },
            [](TaskStore &store, StoreHarness &) {
                return new InboxSheet(store, TallowinPresentation::inbox(), nullptr);
            },
            {640, 560}},
        {"inbox-reviewed", [] { return inboxDeck(1); },
            [](TaskStore &store, StoreHarness &harness) {
                auto *sheet = new InboxSheet(store, TallowinPresentation::inbox(), nullptr);
                sheet->dismissCandidate();
                harness.settle();
                return sheet;
            },
            {640, 560}},
        {"settings", everydayDeck,
            [](TaskStore &store, StoreHarness &harness) {
                TallowinSettings settings = TallowinSettings::defaults();
                settings.vipNames = {"Zoë Müller", "Jürgen Groß", "Priya Raman"};
                store.saveSettings(settings);
                harness.settle();
                return new TallowinSettingsView(store, TallowinPresentation::settings(), nullptr);
            },
            {620, 900}},
        {"settings-sync", everydayDeck,
            [](TaskStore &store, StoreHarness &harness) {
                auto *view = new TallowinSettingsView(store, TallowinPresentation::settings(), nullptr);
                harness.settle();
                return view;
            },
            {620, 1180},
            [](StoreHarness &harness) {
                harness.environment["XDG_CONFIG_HOME"] = harness.folder.path("config").string();
                harness.folder.write("config/Tallowin/sync-url", "https://anna@db.example:6984/tallowin\n");
                std::filesystem::permissions(
                    harness.folder.path("config/Tallowin/sync-url"), std::filesystem::perms::owner_read);
                auto passwords = std::make_shared<FakePasswordStore>();
                passwords->store({"https://db.example:6984/tallowin", "anna"}, "pw");
                harness.syncCredentials
                    = std::make_shared<TallowinSyncCredentials>(passwords, harness.services().environment);
            }},
    };

    int failures = 0;
    for (const char *appearance : {"light", "dark"}) {
        QApplication::setPalette(
            TallowinAppearance::palette(std::string_view(appearance) == "dark" ? TallowinAppearance::Forced::dark
                                                                               : TallowinAppearance::Forced::light));
        for (const Shot &shot : shots) {
            StoreHarness harness;
            if (shot.prepare)
                shot.prepare(harness);
            const TallowinDocument deck = shot.deck();
            auto store = harness.loadedStore(&deck);
            std::unique_ptr<QWidget> sheet(shot.make(*store, harness));
            sheet->resize(shot.size);
            const QString path
                = output.filePath(QString::fromStdString(shot.name) + QLatin1Char('-') + appearance + ".png");
            if (save(sheet.get(), path)) {
                std::cout << path.toStdString() << '\n';
            } else {
                std::cerr << "could not render " << path.toStdString() << '\n';
                ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
