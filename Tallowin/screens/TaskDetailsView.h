#pragma once

#include "TallowinCore/document/TaskSource.h"

#include <QWidget>

#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace tallowin {

class SheetBadge;
class TaskStore;

// Everything about one card, read from the store whenever the deck changes, with "Review this task" to bring
// it back into review. Shown by the details sheet and beside the task browser's list.
class TaskDetailsView : public QWidget
{
    Q_OBJECT

public:
    explicit TaskDetailsView(TaskStore &store, QWidget *parent = nullptr);

    void setTaskID(const std::string &taskID);
    const std::string &taskID() const { return m_taskID; }
    bool canReview() const;

    // Brings the card back into review; true when the store took the change.
    bool review();

signals:
    // The store refused the change with this sentence.
    void refused(const QString &sentence);
    void reviewed();

private:
    void refresh();
    void showSources(const std::vector<TaskSource> &sources);

    TaskStore &m_store;
    std::string m_taskID;
    SheetBadge *m_state = nullptr;
    QLabel *m_kind = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_person = nullptr;
    QLabel *m_context = nullptr;
    QLabel *m_outcomeHeading = nullptr;
    QLabel *m_outcome = nullptr;
    QLabel *m_returns = nullptr;
    QLabel *m_mergedInto = nullptr;
    QLabel *m_instructionHeading = nullptr;
    QLabel *m_instruction = nullptr;
    QLabel *m_sourcesHeading = nullptr;
    QWidget *m_sources = nullptr;
    QVBoxLayout *m_sourceRows = nullptr;
    std::vector<TaskSource> m_shownSources;
    QLabel *m_missing = nullptr;
    QLabel *m_error = nullptr;
    QLabel *m_inReview = nullptr;
    QPushButton *m_review = nullptr;
};

} // namespace tallowin
