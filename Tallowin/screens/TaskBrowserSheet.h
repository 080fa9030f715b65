#pragma once

#include "Tallowin/presentation/OpenFilter.h"
#include "Tallowin/presentation/TaskSearchIndex.h"
#include "Tallowin/screens/TallowinSheet.h"

#include <QMap>

#include <memory>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QListView;
class QStackedWidget;
class QToolButton;

namespace tallowin {

class TaskDetailsView;
class TaskListModel;

// Every card of the deck, in the store's order, narrowed by the store's filter and a search of titles and people.
// The card picked in the list shows its details beside it, with "Review this task"; opening a row (a double
// click) shows its details sheet. A list view over one search index keeps 10,000 cards quick to filter.
class TaskBrowserSheet : public TallowinSheet
{
    Q_OBJECT

public:
    TaskBrowserSheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent = nullptr);
    ~TaskBrowserSheet() override;

    // Opens the browser on the given filter: how the Decks menu's "All tasks", "Completed" and "With ChatGPT"
    // open it.
    static void open(TaskStore &store, OpenFilter filter);

    QString title() const override;
    // In the search field Return moves on to the results; elsewhere it brings the picked card back into review.
    void submit() override;

    QString searchText() const;
    void setSearchText(const QString &text);
    // The ID of the card whose details show, or empty.
    std::string currentTaskID() const;
    void selectTask(const std::string &taskID);

private:
    void rebuildIndex();
    void refreshList();
    void refreshFilter();
    void showCurrent();

    std::shared_ptr<const TaskSearchIndex> m_index;
    TaskListModel *m_model = nullptr;
    QLineEdit *m_search = nullptr;
    QToolButton *m_clear = nullptr;
    QMap<int, QAbstractButton *> m_filterButtons;
    QStackedWidget *m_pages = nullptr;
    QListView *m_list = nullptr;
    QWidget *m_empty = nullptr;
    QLabel *m_emptyTitle = nullptr;
    QLabel *m_emptyHint = nullptr;
    TaskDetailsView *m_details = nullptr;
};

} // namespace tallowin
