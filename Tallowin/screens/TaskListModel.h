#pragma once

#include "Tallowin/presentation/TaskSearchIndex.h"

#include <QAbstractListModel>

#include <functional>
#include <memory>
#include <vector>

namespace tallowin {

// Cards of a TaskSearchIndex as a list for a view: some of its rows, in the index's order. Holds the index it
// shows, so a view never reads a deck that was replaced meanwhile. Showing other rows resets the model, which a
// uniform-height list view takes in constant time however many rows there are.
class TaskListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        taskIDRole = Qt::UserRole + 1,
        personRole,
        stateRole,
        // "Person · State", the row's second line.
        detailRole,
        // A short tag drawn at the row's end, such as "Current task"; empty for none.
        badgeRole,
    };

    using Badge = std::function<QString(const TaskSearchEntry &)>;

    explicit TaskListModel(QObject *parent = nullptr);

    void show(std::shared_ptr<const TaskSearchIndex> index, std::vector<TaskSearchIndex::Row> rows);
    void setBadge(Badge badge) { m_badge = std::move(badge); }

    const TaskSearchEntry *entryAt(int row) const;
    // The list row of the card, or -1 when it is not shown.
    int rowOf(const std::string &taskID) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    std::shared_ptr<const TaskSearchIndex> m_index;
    std::vector<TaskSearchIndex::Row> m_rows;
    Badge m_badge;
};

} // namespace tallowin
