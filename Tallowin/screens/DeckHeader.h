#pragma once

#include <QWidget>

class QPushButton;
class QToolButton;

namespace tallowin {

class HeaderPanel;
class TaskStore;
class TallowinActions;

// The header of home: the status button with the file-location panel, "Decks" with the piles and the browser,
// "Find new tasks" with the discovery panel, then Undo, Settings and New task.
class DeckHeader : public QWidget
{
    Q_OBJECT

public:
    static constexpr const char *statusHelp = "View your file location";
    static constexpr const char *decksHelp = "Decks and saved piles";
    static constexpr int headerHeight = 52;

    DeckHeader(TaskStore &store, TallowinActions &actions, QWidget *parent = nullptr);

    QToolButton *statusButton() const { return m_status; }
    QToolButton *decksButton() const { return m_decks; }
    QToolButton *findNewTasksButton() const { return m_findNewTasks; }
    QToolButton *undoButton() const { return m_undo; }
    QToolButton *settingsButton() const { return m_settings; }
    QPushButton *newTaskButton() const { return m_newTask; }
    HeaderPanel *fileLocationPanel() const { return m_filePanel; }
    HeaderPanel *discoveryPanel() const { return m_discoveryPanel; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void refresh();
    void applyColours();

    TaskStore &m_store;
    QToolButton *m_status;
    QToolButton *m_decks;
    QToolButton *m_findNewTasks;
    QToolButton *m_undo;
    QToolButton *m_settings;
    QPushButton *m_newTask;
    HeaderPanel *m_filePanel;
    HeaderPanel *m_discoveryPanel;
};

} // namespace tallowin
