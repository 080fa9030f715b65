#pragma once

#include "Tallowin/presentation/MergeCardDrag.h"
#include "Tallowin/presentation/TaskSearchIndex.h"
#include "Tallowin/screens/TallowinSheet.h"

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace tallowin {

class MergeCardListView;
class MergeDropArea;
class TaskListModel;

// Merges related cards into one shared card. The available cards are on the left, searchable; the blend bucket
// on the right holds the current card and the cards the user clicked or dragged over. Both lists are views on
// one search index of the deck, so a 10,000-card deck filters as the user types.
class MergeSheet : public TallowinSheet
{
    Q_OBJECT

public:
    MergeSheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent = nullptr);
    ~MergeSheet() override;

    QString title() const override;
    // Merges, unless the search has focus: then Return moves on to the cards it found.
    void submit() override;

    const MergeSelection &selection() const { return m_selection; }
    void addToBucket(const std::string &taskID);
    void removeFromBucket(const std::string &taskID);

private:
    void rebuildIndex();
    void refreshAvailable();
    void refreshBucket();
    void refreshButton();
    void dropped(const MergeCardDrag &card, MergeArea onto);

    MergeSelection m_selection;
    std::shared_ptr<const TaskSearchIndex> m_index;
    TaskListModel *m_availableModel = nullptr;
    TaskListModel *m_bucketModel = nullptr;
    QLineEdit *m_search = nullptr;
    QStackedWidget *m_availablePages = nullptr;
    MergeCardListView *m_available = nullptr;
    QLabel *m_availableEmpty = nullptr;
    MergeDropArea *m_availableArea = nullptr;
    MergeDropArea *m_bucketArea = nullptr;
    MergeCardListView *m_bucket = nullptr;
    QLineEdit *m_title = nullptr;
    QLabel *m_error = nullptr;
    QPushButton *m_merge = nullptr;
};

} // namespace tallowin
