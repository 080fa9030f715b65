#include "Tallowin/screens/TaskListModel.h"

namespace tallowin {

TaskListModel::TaskListModel(QObject *parent)
    : QAbstractListModel(parent)
    , m_index(std::make_shared<TaskSearchIndex>())
{ }

void TaskListModel::show(std::shared_ptr<const TaskSearchIndex> index, std::vector<TaskSearchIndex::Row> rows)
{
    beginResetModel();
    m_index = std::move(index);
    m_rows = std::move(rows);
    endResetModel();
}

const TaskSearchEntry *TaskListModel::entryAt(int row) const
{
    if (row < 0 || std::size_t(row) >= m_rows.size())
        return nullptr;
    return &m_index->entries()[m_rows[std::size_t(row)]];
}

int TaskListModel::rowOf(const std::string &taskID) const
{
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        if (m_index->entries()[m_rows[row]].id == taskID)
            return int(row);
    }
    return -1;
}

int TaskListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

Qt::ItemFlags TaskListModel::flags(const QModelIndex &index) const
{
    // Views that do not drag ignore the flag.
    return QAbstractListModel::flags(index) | Qt::ItemIsDragEnabled;
}

QVariant TaskListModel::data(const QModelIndex &index, int role) const
{
    const TaskSearchEntry *entry = entryAt(index.row());
    if (!entry)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole:
        return QString::fromStdString(entry->title);
    case taskIDRole:
        return QString::fromStdString(entry->id);
    case personRole:
        return QString::fromStdString(entry->person);
    case stateRole:
        return QString::fromUtf8(label(entry->state).data(), qsizetype(label(entry->state).size()));
    case detailRole: {
        const QString state = QString::fromUtf8(label(entry->state).data(), qsizetype(label(entry->state).size()));
        if (entry->person.empty())
            return state;
        return QString::fromStdString(entry->person) + QStringLiteral(" · ") + state;
    }
    case badgeRole:
        return m_badge ? m_badge(*entry) : QString();
    default:
        return {};
    }
}

} // namespace tallowin
