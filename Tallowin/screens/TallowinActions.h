#pragma once

#include "Tallowin/presentation/ReviewCommand.h"
#include "TallowinCore/workflow/DelayChoice.h"

#include <QObject>

#include <array>

class QAbstractButton;
class QAction;

namespace tallowin {

class TaskStore;

// Every command of the window as one QAction, shared by the menus, the keys, the buttons and the tests. Enabled as
// the store allows; the texts carry the counts of the header. Commands that only change the store are wired here;
// the window wires the ones it must answer itself (back to all piles, the custom date, the file and the folder).
class TallowinActions : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *undoHelp = "Undo last action (⌘Z)";
    static constexpr const char *backHelp = "Back to all piles (Esc)";
    static constexpr const char *readFullTaskHelp = "Task details and options";

    explicit TallowinActions(TaskStore &store, QObject *parent = nullptr);

    // File, Edit and Task menus.
    QAction *newTask;
    QAction *exportDiagnostics;
    QAction *quit;
    QAction *undo;
    QAction *nextTask;
    QAction *removeTask;
    QAction *chooseWhenThisReturns;
    QAction *completeTask;
    // Esc: cancels a drag, releases the pinned rail or closes the pile carousel.
    QAction *backToAllPiles;

    // The header.
    QAction *openFile;
    QAction *showInFinder;
    QAction *importTasks;
    QAction *openCodex;
    QAction *settings;
    QAction *allTasks;
    QAction *completed;
    QAction *withChatGPT;
    QAction *inbox;
    // One per DelayChoice: browse that pile.
    std::array<QAction *, 4> openPile {};

    // The canvas and the card.
    QAction *reviewAgain;
    QAction *readFullTask;
    QAction *askChatGPT;
    QAction *mergeTasks;
    // One per DelayChoice: send the card in front there; the custom pile asks for the date first.
    std::array<QAction *, 4> delayTo {};

    QAction *action(ReviewCommand command) const;
    QList<QAction *> all() const;

    // A button that shows label and triggers the action, enabled with it.
    static void bind(QAbstractButton *button, QAction *action, const QString &label = {});

public slots:
    // Reads the store again; connected to its change signals.
    void refresh();

private:
    QAction *make(const QString &text, const char *name);

    TaskStore &m_store;
};

} // namespace tallowin
