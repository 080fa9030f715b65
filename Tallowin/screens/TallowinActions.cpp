#include "Tallowin/screens/TallowinActions.h"

#include "Tallowin/presentation/TaskReviewKeys.h"
#include "Tallowin/screens/DelayRail.h"
#include "Tallowin/screens/TaskBrowserSheet.h"
#include "Tallowin/store/TaskStore.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>

namespace tallowin {

namespace {

QString text(std::string_view value)
{
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}

QString counted(std::string_view label, int count)
{
    return text(label) + QStringLiteral(" (") + QString::number(count) + QLatin1Char(')');
}

} // namespace

QAction *TallowinActions::make(const QString &label, const char *name)
{
    auto *action = new QAction(label, this);
    action->setObjectName(QString::fromUtf8(name));
    // Labels here are the texts people read; an ampersand is text, not a mnemonic.
    action->setIconVisibleInMenu(false);
    return action;
}

TallowinActions::TallowinActions(TaskStore &store, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    newTask = make(QStringLiteral("New Task"), "newTask");
    exportDiagnostics = make(QStringLiteral("Export Diagnostics…"), "exportDiagnostics");
    quit = make(QStringLiteral("Quit"), "quit");
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    undo = make(QStringLiteral("Undo"), "undo");
    undo->setToolTip(QString::fromUtf8(undoHelp));
    nextTask = make(QStringLiteral("Next task"), "nextTask");
    removeTask = make(QStringLiteral("Remove task"), "removeTask");
    chooseWhenThisReturns = make(QStringLiteral("Choose when this returns"), "chooseWhenThisReturns");
    completeTask = make(QStringLiteral("Complete task"), "completeTask");
    backToAllPiles = make(QStringLiteral("Back to all piles"), "backToAllPiles");
    backToAllPiles->setToolTip(QString::fromUtf8(backHelp));
    for (const ReviewCommand command : TaskReviewKeys::allCommands)
        action(command)->setShortcuts(TaskReviewKeys::shortcuts(command));

    openFile = make(QStringLiteral("Open file"), "openFile");
    showInFinder = make(QStringLiteral("Show in Finder"), "showInFinder");
    importTasks = make(QStringLiteral("Import tasks…"), "importTasks");
    openCodex = make(QStringLiteral("Open Codex"), "openCodex");
    settings = make(QStringLiteral("Settings"), "settings");
    allTasks = make(QStringLiteral("All tasks"), "allTasks");
    completed = make(QStringLiteral("Completed"), "completed");
    withChatGPT = make(counted("With ChatGPT", 0), "withChatGPT");
    inbox = make(counted("Inbox", 0), "inbox");
    reviewAgain = make(QStringLiteral("Review again"), "reviewAgain");
    readFullTask = make(QStringLiteral("Read full task"), "readFullTask");
    readFullTask->setToolTip(QString::fromUtf8(readFullTaskHelp));
    askChatGPT = make(QStringLiteral("Ask ChatGPT"), "askChatGPT");
    mergeTasks = make(QStringLiteral("Merge tasks"), "mergeTasks");
    for (const DelayChoice choice : allDelayChoices) {
        const std::string name(rawValue(choice));
        openPile[std::size_t(choice)] = make(counted(pileLabel(choice), 0), ("openPile." + name).c_str());
        delayTo[std::size_t(choice)] = make(DelayRail::labelFor(choice), ("delayTo." + name).c_str());
    }

    const auto current = [this]() { return m_store.currentTask(); };
    const auto onCurrent = [this, current](QAction *action, auto act) {
        connect(action, &QAction::triggered, this, [current, act] {
            if (const std::optional<TaskItem> task = current())
                act(task->id);
        });
    };
    connect(newTask, &QAction::triggered, this, [this] { m_store.present(TallowinPresentation::newTask()); });
    connect(exportDiagnostics, &QAction::triggered, this, [this] { m_store.exportDiagnostics(); });
    connect(quit, &QAction::triggered, qApp, &QApplication::closeAllWindows);
    connect(undo, &QAction::triggered, this, [this] { m_store.undo(); });
    onCurrent(nextTask, [this](const std::string &id) { m_store.nextCard(id); });
    onCurrent(removeTask, [this](const std::string &id) { m_store.remove(id); });
    onCurrent(
        chooseWhenThisReturns, [this](const std::string &id) { m_store.present(TallowinPresentation::delay(id)); });
    onCurrent(completeTask, [this](const std::string &id) { m_store.present(TallowinPresentation::completion(id)); });
    onCurrent(readFullTask, [this](const std::string &id) { m_store.present(TallowinPresentation::details(id)); });
    onCurrent(askChatGPT, [this](const std::string &id) { m_store.present(TallowinPresentation::action(id)); });
    onCurrent(mergeTasks, [this](const std::string &id) { m_store.present(TallowinPresentation::merge(id)); });
    for (const DelayChoice choice : allDelayChoices) {
        connect(openPile[std::size_t(choice)], &QAction::triggered, this,
            [this, choice] { m_store.openPileCarousel(choice); });
        // The custom pile needs a date: the window opens the sheet for it.
        if (choice != DelayChoice::custom)
            onCurrent(
                delayTo[std::size_t(choice)], [this, choice](const std::string &id) { m_store.delay(id, choice); });
    }
    connect(importTasks, &QAction::triggered, this, [this] { m_store.importFile(); });
    connect(openCodex, &QAction::triggered, this, [this] { m_store.startDiscovery(); });
    connect(settings, &QAction::triggered, this, [this] { m_store.present(TallowinPresentation::settings()); });
    const auto browse = [this](OpenFilter filter) { TaskBrowserSheet::open(m_store, filter); };
    connect(allTasks, &QAction::triggered, this, [browse] { browse(OpenFilter::all); });
    connect(completed, &QAction::triggered, this, [browse] { browse(OpenFilter::completed); });
    connect(withChatGPT, &QAction::triggered, this, [browse] { browse(OpenFilter::actionRequested); });
    connect(inbox, &QAction::triggered, this, [this] { m_store.present(TallowinPresentation::inbox()); });
    connect(reviewAgain, &QAction::triggered, this, [this] { m_store.beginRun(); });

    for (const auto signal : {&TaskStore::documentChanged, &TaskStore::hasLoadedChanged, &TaskStore::reviewChanged,
             &TaskStore::saveActivityChanged, &TaskStore::errorMessageChanged, &TaskStore::isReloadingChanged,
             &TaskStore::isScanningChanged, &TaskStore::loadFinished, &TaskStore::saveFinished})
        connect(&m_store, signal, this, &TallowinActions::refresh);
    refresh();
}

QAction *TallowinActions::action(ReviewCommand command) const
{
    switch (command) {
    case ReviewCommand::nextTask:
        return nextTask;
    case ReviewCommand::removeTask:
        return removeTask;
    case ReviewCommand::chooseWhenThisReturns:
        return chooseWhenThisReturns;
    case ReviewCommand::completeTask:
        return completeTask;
    case ReviewCommand::undo:
        return undo;
    case ReviewCommand::newTask:
        return newTask;
    case ReviewCommand::backToAllPiles:
        return backToAllPiles;
    }
    return nullptr;
}

QList<QAction *> TallowinActions::all() const
{
    return findChildren<QAction *>(QString(), Qt::FindDirectChildrenOnly);
}

void TallowinActions::bind(QAbstractButton *button, QAction *action, const QString &label)
{
    button->setText(label.isEmpty() ? action->text() : label);
    button->setEnabled(action->isEnabled());
    connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::changed, button, [button, action, fixed = !label.isEmpty()] {
        button->setEnabled(action->isEnabled());
        if (!fixed)
            button->setText(action->text());
    });
}

void TallowinActions::refresh()
{
    const DeckHeaderPresentation header = m_store.headerPresentation();
    const bool loaded = m_store.hasLoaded();
    const bool hasCard = loaded && m_store.currentTask().has_value();

    undo->setEnabled(header.canUndo);
    newTask->setEnabled(header.canCreate);
    // Moving on and removing are actions on the deck: refused while it is written, and input waits for a drop.
    const bool takesInput = hasCard && header.canCreate && !m_store.review().isDropping;
    nextTask->setEnabled(takesInput);
    removeTask->setEnabled(takesInput);
    reviewAgain->setEnabled(header.canCreate);
    // Opening a sheet is always possible; the sheet's own action waits for the store.
    for (QAction *action : {chooseWhenThisReturns, completeTask, readFullTask, askChatGPT, mergeTasks})
        action->setEnabled(hasCard);
    for (const DelayChoice choice : allDelayChoices) {
        delayTo[std::size_t(choice)]->setEnabled(hasCard);
        QAction *pile = openPile[std::size_t(choice)];
        pile->setText(counted(pileLabel(choice), header.pileCounts[std::size_t(choice)]));
        pile->setEnabled(loaded);
    }
    openCodex->setEnabled(loaded && !header.isScanning);
    withChatGPT->setText(counted("With ChatGPT", header.actionCount));
    inbox->setText(counted("Inbox", header.candidateCount));
    for (QAction *action : {allTasks, completed, withChatGPT, inbox, importTasks, openFile, showInFinder})
        action->setEnabled(loaded);
}

} // namespace tallowin
